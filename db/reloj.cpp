#include "db/reloj.h"

namespace reloj {

namespace {

QDateTime& momentoFijado()
{
    static QDateTime momento;
    return momento;
}

}  // namespace

QDateTime ahora()
{
    // The one place the system clock is read.
    return momentoFijado().isValid() ? momentoFijado() : QDateTime::currentDateTime();
}

QDate hoy()
{
    return ahora().date();
}

QTime horaActual()
{
    return ahora().time();
}

void fijar(const QDateTime& momento)
{
    momentoFijado() = momento;
}

QDateTime fijado()
{
    return momentoFijado();
}

}  // namespace reloj
