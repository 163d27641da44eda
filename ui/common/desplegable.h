#pragma once

#include <QComboBox>

// An editable drop-down whose text is what the user typed or picked, letter for letter: no
// completion turns "nombre" into "Nombre", and nothing the user types is added to the list.
// `textoConfirmado` fires when a choice is picked, or typed text is confirmed with Enter or by
// leaving the box, and the text differs from the one last confirmed; windows compare that text
// exactly, case included.
class Desplegable : public QComboBox {
    Q_OBJECT

public:
    explicit Desplegable(const QString& nombre, QWidget* parent = nullptr);

    // Sets the text without firing, and takes it as confirmed (a window's own reset).
    void fijarTexto(const QString& texto);

signals:
    void textoConfirmado();

private:
    void confirmar();

    QString confirmado_;
};
