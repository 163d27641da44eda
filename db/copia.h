#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

// Backups of the live clinic database. Both directions are all or nothing: a failure leaves
// the target exactly as it was.
namespace copia {

// How far a save or a load has gone, for a progress display: `hecho` of `total` steps; `total`
// 0 while the length of the remaining work is not known.
using Progreso = std::function<void(int hecho, int total)>;

// Copies the live database to `destino` with the engine's online backup (never a plain copy of
// a file that may be mid-write): into a hidden temporary file beside it, checked, then renamed
// into place. Leftover temporaries of earlier interrupted saves in that folder are removed
// first. The copy is readable by its owner only. When the copy turns out damaged it is the live
// file that is, and the message names it. Throws DbError.
void guardar(QSqlDatabase db, const QString& destino, const Progreso& progreso = {});

// Replaces the live data with the backup `origen`. The file is checked (ours, its tables as the
// program defines them, integrity) and refused otherwise, leaving the live data untouched; a
// safety copy of the current data is written to `copiaSeguridad`, and the data are replaced in
// one transaction that commits only once the full check of `origen` has passed. The check runs
// on a thread of its own while the safety copy and the copying go on. A backup made by the first
// release is brought up to date on a temporary copy, never in place. Every open dataset must be
// closed by the caller. Throws DbError.
void cargar(QSqlDatabase db, const QString& origen, const QString& copiaSeguridad,
            const Progreso& progreso = {});

}  // namespace copia
