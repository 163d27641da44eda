#include "ui/common/horacita.h"

#include "db/formatos.h"
#include "ui/common/mensajes.h"

#include <QComboBox>
#include <QTime>

namespace horacita {

void llenarHoras(QComboBox* caja)
{
    constexpr int kCuartos = 25;
    for (int i = 0; i < kCuartos; ++i)
        caja->addItem(formatos::textoHora(QTime(15, 0).addSecs(15 * 60 * i)));
    caja->setMaxVisibleItems(kCuartos);
}

bool horaValida(const QString& hora, QComboBox* caja)
{
    if (hora.isEmpty()) {
        mensajes::informacion(
            QStringLiteral("¡El campo \"Hora\" está vacío, debes elegir una hora para la cita!"));
    } else if (!formatos::esHoraValida(hora)) {
        mensajes::informacion(QStringLiteral("¡La hora \"%1\" no es válida, debes escribirla "
                                             "como hh:mm (de 00:00 a 23:59)!")
                                  .arg(hora));
    } else {
        return true;
    }
    caja->setFocus();
    return false;
}

}  // namespace horacita
