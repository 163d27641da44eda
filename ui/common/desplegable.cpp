#include "ui/common/desplegable.h"

#include <QLineEdit>

Desplegable::Desplegable(const QString& nombre, QWidget* parent) : QComboBox(parent)
{
    setObjectName(nombre);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::textActivated, this, &Desplegable::confirmar);
    connect(lineEdit(), &QLineEdit::editingFinished, this, &Desplegable::confirmar);
}

void Desplegable::fijarTexto(const QString& texto)
{
    confirmado_ = texto;
    setCurrentText(texto);
}

void Desplegable::confirmar()
{
    // Enter in the box and picking from the list both end here; one change fires once.
    if (currentText() == confirmado_)
        return;
    confirmado_ = currentText();
    emit textoConfirmado();
}
