#pragma once

#include "db/reloj.h"

#include <QDate>
#include <QString>

// Fills new clinic database files with made-up data: a small, realistic one to show and try
// the program, and a large deterministic one to measure it. Neither overwrites a file.
namespace generador {

// About 40 patients with Spanish names and visits from three weeks before `hoy` to two weeks
// after it, today included: paid and unpaid, some invoiced, one special hour.
void crearDemo(const QString& ruta, const QDate& hoy);

inline constexpr int kPacientesGrande = 100000;
inline constexpr int kVisitasGrande = 1000000;
// 100,000 patients and 1,000,000 visits over twelve years around today, always the same
// rows for the same `hoy`; `hoy` is the busiest day.
void crearGrande(const QString& ruta, const QDate& hoy = reloj::hoy());

}  // namespace generador
