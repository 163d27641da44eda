#include "ui/listings/Unit8.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormListados::TFormListados(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormListados"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Listados"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("LISTADOS"), true);
    columna->addWidget(cabecera.panel);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormListados::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormListados::Image3Click()
{
    ayuda::abrir(QStringLiteral("p08-listados.html"));
}
