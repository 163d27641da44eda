#pragma once

#include <QSqlDatabase>

#include <optional>

// The patient code a new registration is offered.
namespace codigos {

// Reads the counter, finds the first code no patient holds from there (from 1 when `desdeUno`,
// or when the counter is missing or out of range; again from 1 when every code above is taken)
// and moves the counter to it: one change under the counter's lock, so two desks proposing at
// once queue rather than both reading the same counter half-way. None when no code is free.
std::optional<qint64> proponer(bool desdeUno, QSqlDatabase db = QSqlDatabase::database());

}  // namespace codigos
