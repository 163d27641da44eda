#include "ui/common/desplegable.h"

#include <QKeyEvent>
#include <QLineEdit>

Desplegable::Desplegable(const QString& nombre, QWidget* parent, QLineEdit* edit)
    : QComboBox(parent)
{
    setObjectName(nombre);
    setEditable(true);
    if (edit)
        setLineEdit(edit);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::textActivated, this, [this] {
        const bool porEnter = enterEnTexto_;
        enterEnTexto_ = false;
        confirmar();
        if (!porEnter)
            emit elegidoDeLista();
    });
    connect(lineEdit(), &QLineEdit::editingFinished, this, &Desplegable::confirmar);
}

bool Desplegable::eventFilter(QObject* objeto, QEvent* evento)
{
    // Enter in the text makes the box report the text as activated, as a pick from the list
    // would; remember it so the two can be told apart.
    if (objeto == lineEdit() && evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(evento)->key();
        enterEnTexto_ = tecla == Qt::Key_Return || tecla == Qt::Key_Enter;
    }
    return QComboBox::eventFilter(objeto, evento);
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
