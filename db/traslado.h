#pragma once

#include "db/copia.h"

#include <QSqlDatabase>
#include <QString>

// A practice's data moved between its clinic file and the server, whole, in one transaction,
// with the rows counted on both sides before it counts.
namespace traslado {

struct Cuentas {
    qint64 pacientes = 0;
    qint64 visitas = 0;
};

// Copies the clinic file `fichero` (checked as "Cargar copia" checks one) into the server's
// tables, which must be empty. All or nothing. Throws DbError with a Spanish message.
Cuentas subir(const QString& fichero, QSqlDatabase servidor);

// "Cargar copia" on the server: the same, in place of whatever the server's tables hold, for
// every desk at once.
Cuentas reemplazar(const QString& fichero, QSqlDatabase servidor);

// Writes the server's data into the clinic file `destino`, the same file "Guardar copia"
// writes: made in a hidden temporary beside it, checked, then moved into place. An existing file
// is replaced only when `reemplazar` (the user chose it). Throws DbError with a Spanish message.
Cuentas bajar(QSqlDatabase servidor, const QString& destino, bool reemplazar = false);

// A backup of the open data at `destino`, replacing what was there: the file's own online copy,
// or on the server the same standard clinic file written from its tables. "Guardar copia" and the
// automatic copies both go through here.
void guardarCopia(QSqlDatabase db, const QString& destino, const copia::Progreso& progreso = {});

}  // namespace traslado
