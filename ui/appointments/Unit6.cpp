#include "ui/appointments/Unit6.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormDatosCita::TFormDatosCita(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormDatosCita"));
    setWindowTitle(QStringLiteral("Clinora 1.1 -  Datos de la Cita"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("DATOS DE LA CITA"), true);
    columna->addWidget(cabecera.panel);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatosCita::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormDatosCita::Image3Click()
{
    ayuda::abrir(QStringLiteral("p07-datoscita.html"));
}
