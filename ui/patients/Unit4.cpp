#include "ui/patients/Unit4.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormDatos::TFormDatos(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormDatos"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Datos del Paciente"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("DATOS DEL PACIENTE"), true);
    columna->addWidget(cabecera.panel);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatos::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormDatos::Image3Click()
{
    ayuda::abrir(QStringLiteral("p05-datos.html"));
}
