#include "ui/common/ventana.h"

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
    FormClose();
    QDialog::done(result);
}

int showModal(Ventana* ventana)
{
    ventana->FormActivate();
    pila().append(ventana);
    struct Desapilar {
        Ventana* v;
        ~Desapilar() { pila().removeAll(v); }
    } desapilar{ventana};
    const int resultado = ejecutorActual() ? ejecutorActual()(ventana) : ventana->exec();
    pila().removeAll(ventana);
    if (!pila().isEmpty())
        pila().constLast()->FormActivate();
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
