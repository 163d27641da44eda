#include "ui/common/ventana.h"

#include "db/error.h"
#include "ui/common/mensajes.h"

#include <QKeyEvent>

namespace {

EjecutorModal& ejecutorActual()
{
    static EjecutorModal e;
    return e;
}

QList<Ventana*>& pila()
{
    static QList<Ventana*> p;
    return p;
}

}  // namespace

Ventana::Ventana(QWidget* parent) : QDialog(parent)
{
    setModal(true);
}

void Ventana::done(int result)
{
    // The error is reported here and not at the event loop, because what follows must run.
    cerrada_ = true;
    try {
        FormClose();
    } catch (const DbError& e) {
        mensajes::error(e.message());
    }
    QDialog::done(result);
}

void Ventana::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier
        && !cerrarConEscape_) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

int showModal(Ventana* ventana)
{
    ventana->cerrada_ = false;
    ventana->FormActivate();
    pila().append(ventana);
    struct Desapilar {
        Ventana* v;
        ~Desapilar() { pila().removeAll(v); }
    } desapilar{ventana};
    const int resultado = ejecutorActual() ? ejecutorActual()(ventana) : ventana->exec();
    pila().removeAll(ventana);
    if (!pila().isEmpty() && !pila().constLast()->cerrada_) {
        // The window beneath takes the user back even when its own refresh fails.
        try {
            pila().constLast()->FormActivate();
        } catch (const DbError& e) {
            mensajes::error(e.message());
        }
    }
    return resultado;
}

void setEjecutorModal(EjecutorModal ejecutor)
{
    ejecutorActual() = std::move(ejecutor);
}

const QList<Ventana*>& ventanasAbiertas()
{
    return pila();
}

void fijarOrdenTab(const QList<QWidget*>& orden)
{
    for (qsizetype i = 1; i < orden.size(); ++i)
        QWidget::setTabOrder(orden.at(i - 1), orden.at(i));
}
