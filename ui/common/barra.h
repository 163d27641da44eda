#pragma once

#include <QSize>
#include <QString>
#include <QStyle>
#include <functional>
#include <initializer_list>

class QHBoxLayout;
class QWidget;

// The sky-blue bar along the bottom of a window that holds its buttons. A plain widget, not a
// captioned panel, so its size comes from the buttons laid in `fila`.
QWidget* crearBarraBotones(QWidget* padre, QHBoxLayout** fila);

// One button of a bar, or, with no name, the stretch that pushes the next ones to the right.
struct BotonBarra {
    QString nombre, caption, hint;
    QString icono;   // a picture of the program's; empty: `estandar`, the desktop's own
    std::function<void()> pulsar;
    QStyle::StandardPixmap estandar = QStyle::SP_CustomBase;
};
inline const BotonBarra kEstirar{};

// The bar with its buttons laid left to right as listed, each at least `minimo` with a
// 24-pixel picture; `espacio` between them, or the style's own when negative.
QWidget* crearBarraBotones(QWidget* padre, std::initializer_list<BotonBarra> botones,
                           const QSize& minimo, int espacio = -1);
