#include "ui/patients/Unit3.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormBuscar::TFormBuscar(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormBuscar"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Buscar Datos de Paciente"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("BUSCAR DATOS DE PACIENTE"), true);
    columna->addWidget(cabecera.panel);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormBuscar::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormBuscar::Image3Click()
{
    ayuda::abrir(QStringLiteral("p04-buscar.html"));
}
