#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// The program's one source of "today" and "now". Every rule that depends on the date asks
// here, so a test can stand the clock at any moment (a second before midnight, New Year's Eve)
// and the whole program sees the same day.
namespace reloj {

QDateTime ahora();
QDate hoy();
QTime horaActual();

// Stops the clock at `momento` (tests only); an invalid value lets it run with the system's.
void fijar(const QDateTime& momento);
// The moment the clock stands at; invalid while it runs.
QDateTime fijado();

}  // namespace reloj
