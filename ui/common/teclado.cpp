#include "ui/common/teclado.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QRadioButton>
#include <QShortcutEvent>

namespace {

bool esBotonQueSePulsa(QObject* objeto)
{
    auto* boton = qobject_cast<QAbstractButton*>(objeto);
    // Check boxes and radio buttons toggle with Space only.
    return boton && !qobject_cast<QCheckBox*>(boton) && !qobject_cast<QRadioButton*>(boton);
}

// The first button of the window, in tab order, that answers to `tecla`.
QAbstractButton* primeroConTecla(QWidget* ventana, const QKeySequence& tecla)
{
    QWidget* w = ventana;
    do {
        auto* boton = qobject_cast<QAbstractButton*>(w);
        if (boton && boton->isVisible() && boton->isEnabled() && boton->window() == ventana
            && QKeySequence::mnemonic(boton->text()) == tecla)
            return boton;
        w = w->nextInFocusChain();
    } while (w && w != ventana);
    return nullptr;
}

}  // namespace

bool Teclado::eventFilter(QObject* objeto, QEvent* evento)
{
    if (evento->type() == QEvent::KeyPress && esBotonQueSePulsa(objeto)) {
        auto* tecla = static_cast<QKeyEvent*>(evento);
        if ((tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter)
            && !tecla->isAutoRepeat()) {
            auto* boton = static_cast<QAbstractButton*>(objeto);
            if (boton->isEnabled())
                boton->click();
            return true;
        }
    }
    if (evento->type() == QEvent::Shortcut) {
        auto* atajo = static_cast<QShortcutEvent*>(evento);
        auto* boton = qobject_cast<QAbstractButton*>(objeto);
        if (atajo->isAmbiguous() && boton) {
            if (QAbstractButton* primero = primeroConTecla(boton->window(), atajo->key())) {
                primero->setFocus(Qt::ShortcutFocusReason);
                primero->click();
                return true;
            }
        }
    }
    return QObject::eventFilter(objeto, evento);
}
