#pragma once

#include <QString>

class QLabel;
class QToolButton;
class QWidget;

// The sky-blue band at the top of a window: a picture at the left, the heading, and at the
// right the panel Panel12 with the help picture Image3 (null when the window has no help).
struct Cabecera {
    QLabel* panel = nullptr;
    QToolButton* ayuda = nullptr;
};

Cabecera crearCabecera(QWidget* padre, const QString& nombrePanel, const QString& titulo,
                       bool conAyuda, const QString& hintAyuda = QString());
