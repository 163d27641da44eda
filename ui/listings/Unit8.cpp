#include "ui/listings/Unit8.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QToolButton>
#include <QVBoxLayout>

TFormListados::TFormListados(QWidget* parent) : Ventana(parent)
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormListados"), QStringLiteral("Clinora 1.1 - Listados"),
                   QStringLiteral("LISTADOS"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormListados::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormListados::Image3Click()
{
    ayuda::abrir(QStringLiteral("p08-listados.html"));
}
