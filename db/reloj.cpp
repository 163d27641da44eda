#include "db/reloj.h"

namespace reloj {

namespace {

QDateTime& fijado()
{
    static QDateTime momento;
    return momento;
}

}  // namespace

QDateTime ahora()
{
    // The one place the system clock is read.
    return fijado().isValid() ? fijado() : QDateTime::currentDateTime();
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
    fijado() = momento;
}

}  // namespace reloj
