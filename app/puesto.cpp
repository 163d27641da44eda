#include "app/puesto.h"

#include "db/error.h"
#include "db/esquema.h"
#include "ui/common/mensajes.h"

#include <QInputDialog>
#include <QLineEdit>

namespace puesto {

namespace {

bool preguntar(const servidor::Datos& datos, QString& contrasena)
{
    QInputDialog dialogo;
    dialogo.setWindowTitle(QStringLiteral("Clinora 1.1 - Servidor de datos"));
    dialogo.setLabelText(QStringLiteral("Contraseña del usuario «%1» en el servidor %2:")
                             .arg(datos.usuario, datos.descripcion()));
    dialogo.setTextEchoMode(QLineEdit::Password);
    dialogo.setOkButtonText(QStringLiteral("Conectar"));
    dialogo.setCancelButtonText(QStringLiteral("Cancelar"));
    dialogo.setAccessibleName(QStringLiteral("Contraseña del servidor de datos"));
    if (dialogo.exec() != QDialog::Accepted)
        return false;
    contrasena = dialogo.textValue();
    return true;
}

PedirContrasena& pedir()
{
    static PedirContrasena p = preguntar;
    return p;
}

}  // namespace

void setPedirContrasena(PedirContrasena p)
{
    pedir() = p ? std::move(p) : PedirContrasena(preguntar);
}

bool conectar(const servidor::Datos& datos, const QString& rutaBaseDatos)
{
    QString contrasena;
    for (int intento = 0;; ++intento) {
        bool faltaContrasena = false;
        try {
            servidor::abrirClinica(datos, contrasena, QString(), &faltaContrasena,
                                  esquema::rutaCopiaAntesDeActualizar(rutaBaseDatos));
            return true;
        } catch (const DbError& e) {
            // ~/.pgpass first, then up to three typed passwords.
            if (!faltaContrasena || intento >= 3) {
                mensajes::error(e.message());
                return false;
            }
        }
        if (!pedir()(datos, contrasena))
            return false;
    }
}

}  // namespace puesto
