#include "ui/appointments/Unit6.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QToolButton>
#include <QVBoxLayout>

TFormDatosCita::TFormDatosCita(QWidget* parent) : Ventana(parent)
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormDatosCita"), QStringLiteral("Clinora 1.1 -  Datos de la Cita"),
                   QStringLiteral("DATOS DE LA CITA"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatosCita::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormDatosCita::Image3Click()
{
    ayuda::abrir(QStringLiteral("p07-datoscita.html"));
}
