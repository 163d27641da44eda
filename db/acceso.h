#pragma once

#include <QString>

// What the program needs around the data file before it works on it: a folder and a file it may
// write to, no other copy of the program on the same file, and no leftovers of its own.
namespace acceso {

// Refuses (DbError, Spanish) a file or a folder where the data cannot be changed: marked
// read-only, on a read-only disk, or a folder where the engine cannot create its journal.
void comprobarEscritura(const QString& ruta);

// Takes the lock beside `ruta` (a hidden ".clinora.mdb.lock") for the connection `conexion`,
// kept until liberar(conexion). A lock left by a copy of the program that has since died is
// taken over; one held by a running copy refuses with a message naming the file.
void bloquear(const QString& ruta, const QString& conexion);
void liberar(const QString& conexion);

// A byte-for-byte copy of `origen` at `destino` that is readable by its owner only from its
// first byte (it holds the practice's patients) and on disk when this returns. Never overwrites
// a file; on failure nothing is left at `destino` and DbError names it.
void copiaPrivada(const QString& origen, const QString& destino);

// A temporary file of ours for work that ends as `destino`: hidden, in the same folder, named
// ".<name>.clinora-XXXXXXXX.tmp" so that nothing else is ever mistaken for one.
QString nombreTemporal(const QString& destino);
// Also the conversion's own from an old Access file: "clinora-nuevo-XXXXXXXX.mdb" and
// "<name>.importando-XXXXXXXX", each with its journal.
bool esTemporalNuestro(const QString& nombreFichero);

// Removes the temporaries of ours in `carpeta` (and their journals) that no running program is
// writing. Returns how many files were removed.
int limpiarTemporales(const QString& carpeta);

}  // namespace acceso
