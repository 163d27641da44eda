#include "reports/Unit7.h"

#include "ui/common/cabecera.h"

#include <QVBoxLayout>

TImprimeFactura::TImprimeFactura(QWidget* parent) : Ventana(parent)
{
    QVBoxLayout* columna = nullptr;
    iniciarVentana(this, QStringLiteral("ImprimeFactura"), QStringLiteral("Clinora 1.1 -  Imprimir Factura"),
                   QStringLiteral("IMPRIMIR FACTURA"), false, &columna);
    columna->addStretch();
    resize(640, 420);
}

// FOR THE LEAD: placeholder so the appointment record can call it; the printed invoice's own
// branch brings the real preview and replaces this body.
void TImprimeFactura::mostrar(const DatosFactura& datos)
{
    Q_UNUSED(datos);
}
