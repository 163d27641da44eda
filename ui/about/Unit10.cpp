#include "ui/about/Unit10.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormAcerca::TFormAcerca(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormAcerca"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Acerca de ..."));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("ACERCA DE CLINORA"), false);
    columna->addWidget(cabecera.panel);
    columna->addStretch();
    resize(640, 420);
}
