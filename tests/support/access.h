#pragma once

#include <QString>

// Old Access files damaged on purpose, made from the sample files rather than shipped: a copy
// of `original` at `destino` in which data page number `cual` (counted from 0, in file order)
// of table `tabla` is all zeros, as a bad sector or a torn write would leave it. Returns false
// when the table or that page does not exist.
bool copiaAccessConPaginaBorrada(const QString& original, const QString& destino,
                                 const QString& tabla, int cual);
