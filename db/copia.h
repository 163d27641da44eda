#pragma once

#include <QSqlDatabase>
#include <QString>

// Backups of the live clinic database. Both directions are all or nothing: a failure leaves
// the target exactly as it was.
namespace copia {

// Copies the live database to `destino` with the engine's online backup (never a plain copy of
// a file that may be mid-write): into a temporary file beside it, checked, then renamed into
// place. The copy is readable by its owner only. Throws DbError.
void guardar(QSqlDatabase db, const QString& destino);

// Replaces the live data with the backup `origen`. The file is checked first (ours, all three
// tables, integrity) and refused otherwise, leaving the live data untouched; then a safety
// copy of the current data is written to `copiaSeguridad`, and the data are replaced in one
// transaction. Every open dataset must be closed by the caller. Throws DbError.
void cargar(QSqlDatabase db, const QString& origen, const QString& copiaSeguridad);

}  // namespace copia
