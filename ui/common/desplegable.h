#pragma once

#include <QComboBox>

class QLineEdit;

// An editable drop-down whose text is what the user typed or picked, letter for letter: no
// completion turns "nombre" into "Nombre", and nothing the user types is added to the list.
// `textoConfirmado` fires when a choice is picked, or typed text is confirmed with Enter or by
// leaving the box, and the text differs from the one last confirmed; windows compare that text
// exactly, case included.
class Desplegable : public QComboBox {
    Q_OBJECT

public:
    // `edit`, when given, is the box's own line edit (an upper-case one, say).
    explicit Desplegable(const QString& nombre, QWidget* parent = nullptr,
                         QLineEdit* edit = nullptr);

    // Sets the text without firing, and takes it as confirmed (a window's own reset).
    void fijarTexto(const QString& texto);

signals:
    void textoConfirmado();
    // A choice picked from the list with the mouse or the keyboard; not Enter on typed text.
    void elegidoDeLista();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void confirmar();

    QString confirmado_;
    bool enterEnTexto_ = false;
};
