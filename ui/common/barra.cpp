#include "ui/common/barra.h"

#include "ui/common/controles.h"
#include "ui/common/estilo.h"

#include <QHBoxLayout>
#include <QPushButton>
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

QWidget* crearBarraBotones(QWidget* padre, std::initializer_list<BotonBarra> botones,
                           const QSize& minimo, int espacio)
{
    QHBoxLayout* fila = nullptr;
    QWidget* barra = crearBarraBotones(padre, &fila);
    if (espacio >= 0)
        fila->setSpacing(espacio);
    for (const BotonBarra& b : botones) {
        if (b.nombre.isEmpty()) {
            fila->addStretch();
            continue;
        }
        QPushButton* boton = crearBoton(b.nombre, b.caption, b.hint, b.icono, barra);
        if (b.icono.isEmpty())
            boton->setIcon(barra->style()->standardIcon(b.estandar));
        boton->setIconSize(QSize(24, 24));
        boton->setMinimumSize(minimo);
        QObject::connect(boton, &QPushButton::clicked, barra, b.pulsar);
        fila->addWidget(boton);
    }
    return barra;
}
