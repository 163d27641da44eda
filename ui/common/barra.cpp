#include "ui/common/barra.h"

#include "ui/common/estilo.h"

#include <QHBoxLayout>
#include <QWidget>

QWidget* crearBarraBotones(QWidget* padre, QHBoxLayout** fila)
{
    auto* barra = new QWidget(padre);
    barra->setObjectName(QStringLiteral("Panel1"));
    barra->setAutoFillBackground(true);
    QPalette cielo = barra->palette();
    cielo.setColor(QPalette::Window, estilo::kCielo);
    barra->setPalette(cielo);
    *fila = new QHBoxLayout(barra);
    (*fila)->setContentsMargins(10, 8, 10, 8);
    return barra;
}
