#include "ui/patients/Unit2.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormAlta::TFormAlta(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormAlta"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Alta de Nuevo Paciente"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("ALTA DE NUEVO PACIENTE"), true);
    columna->addWidget(cabecera.panel);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormAlta::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormAlta::Image3Click()
{
    ayuda::abrir(QStringLiteral("p03-alta.html"));
}
