#include "reports/Unit7.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TImprimeFactura::TImprimeFactura(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("ImprimeFactura"));
    setWindowTitle(QStringLiteral("Clinora 1.1 -  Imprimir Factura"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("IMPRIMIR FACTURA"), false);
    columna->addWidget(cabecera.panel);
    columna->addStretch();
    resize(640, 420);
}
