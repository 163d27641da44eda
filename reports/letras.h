#pragma once

#include <QDate>
#include <QString>

// Amounts and dates written out in Spanish words, as a receipt states them.
namespace letras {

// Whole euros in capitals, as the invoice prints them: 100 gives "CIEN EUROS", 21 gives
// "VEINTIÚN EUROS", 1001 gives "MIL UN EUROS". Empty for a negative amount.
QString importe(int euros);

// A date as a closing line says it: "1 de febrero de 2026". Empty for an invalid date.
QString fecha(const QDate& fecha);

}  // namespace letras
