#pragma once

#include <QString>

class QLabel;
class QToolButton;
class QVBoxLayout;
class Ventana;

// The sky-blue band at the top of a window: a picture at the left, the heading, and at the
// right the panel Panel12 with the help picture Image3 (null when the window has no help).
struct Cabecera {
    QLabel* panel = nullptr;
    QToolButton* ayuda = nullptr;
};

// Names and titles a window and lays its header at the top of a new vertical layout, which it
// returns through `columna` for the rest of the window.
Cabecera iniciarVentana(Ventana* ventana, const QString& nombre, const QString& titulo,
                        const QString& encabezado, bool conAyuda, QVBoxLayout** columna,
                        const QString& hintAyuda = QString());
