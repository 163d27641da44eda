#include "reports/Unit9.h"

#include "ui/common/cabecera.h"

#include <QVBoxLayout>

TImprimeListaVisitas::TImprimeListaVisitas(QWidget* parent) : Ventana(parent)
{
    QVBoxLayout* columna = nullptr;
    iniciarVentana(this, QStringLiteral("ImprimeListaVisitas"), QStringLiteral("Clinora 1.1  - Listado"),
                   QStringLiteral("LISTADO DE VISITAS"), false, &columna);
    columna->addStretch();
    resize(640, 420);
}
