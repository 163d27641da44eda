#include "reports/Unit9.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TImprimeListaVisitas::TImprimeListaVisitas(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("ImprimeListaVisitas"));
    setWindowTitle(QStringLiteral("Clinora 1.1  - Listado"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("LISTADO DE VISITAS"), false);
    columna->addWidget(cabecera.panel);
    columna->addStretch();
    resize(640, 420);
}
