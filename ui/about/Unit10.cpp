#include "ui/about/Unit10.h"

#include "ui/common/cabecera.h"

#include <QVBoxLayout>

TFormAcerca::TFormAcerca(QWidget* parent) : Ventana(parent)
{
    QVBoxLayout* columna = nullptr;
    iniciarVentana(this, QStringLiteral("FormAcerca"), QStringLiteral("Clinora 1.1 - Acerca de ..."),
                   QStringLiteral("ACERCA DE CLINORA"), false, &columna);
    columna->addStretch();
    resize(640, 420);
}
