#pragma once

#include <QSqlDatabase>
#include <QString>

// The clinic database: its tables, how a file is recognised as one of ours, and how a
// connection to it is set up. Used alike by the program, the tools and the tests.
namespace esquema {

inline constexpr int kApplicationId = 0x436C6E72;   // "Clnr" in the file header
// 2: sort keys of the patients' names. 3: the register of correlative invoice numbers.
inline constexpr int kUserVersion = 3;
inline const QString kNombreFichero = QStringLiteral("clinora.mdb");

// Creates the three tables (tabla_codigo holding 1) on an empty database, in one transaction.
void crear(QSqlDatabase db);

// Creates a new clinic database file readable by its owner only. Refuses an existing file.
void crearFichero(const QString& ruta);

// Checks the first bytes of the file: SQLite, our application_id, a version we know, not in WAL
// mode; when `completa`, also that its length agrees with its header and that its first page
// is sound. Reads bytes only; throws DbError with a Spanish message.
void verificarCabecera(const QString& ruta, bool completa);
void verificarCabecera(const QString& ruta);

// Refuses a file with an unfinished journal (or WAL) beside it: playing it back would change a
// file that is only to be read.
void sinDiarioPendiente(const QString& ruta);

// Checks, without writing to it, that the file is a clinic database of ours: its header, no
// unfinished journal beside it, the tables and indexes defined exactly as the program creates
// them, one counter row, no visit of a missing patient. Returns the file's version (1 for the
// first release's files, which abrirClinica brings up to date). Throws DbError with a Spanish
// message saying what is wrong.
int verificarFichero(const QString& ruta);

// verificarFichero plus the engine's own check of every page: the full one for a file that
// comes from outside, the quick one for a copy just written by us.
enum class Comprobacion { Completa, Rapida };
void verificarFicheroCompleto(const QString& ruta,
                              Comprobacion comprobacion = Comprobacion::Completa);

// The engine's check of every page alone, on a read-only connection of its own (so it may run on
// any thread). Returns "ok", or what is wrong; `codigo` gets SQLITE_OK, SQLITE_CORRUPT for a
// damaged file, or the engine's error when the check could not run.
QString comprobarIntegridad(const QString& ruta, Comprobacion comprobacion, int* codigo);

// Brings an open file of an earlier version (1 or 2) to the current version in one transaction (all or nothing),
// after a safety copy of it to `copiaSeguridad` when that is given.
void actualizar(QSqlDatabase db, const QString& ruta, const QString& copiaSeguridad);
// Where start-up keeps the safety copy before bringing a file up to date.
QString rutaCopiaAntesDeActualizar(const QString& ruta);

// Opens `ruta` as the connection `nombre` (the default connection when empty) with the settings
// every connection uses: foreign keys on, rollback journal with full sync, busy timeout, double
// quoted strings off. The file must already have passed verificarFichero.
QSqlDatabase abrir(const QString& ruta, const QString& nombre = QString());
// Opens `db` (its file name already set) and applies those settings; used again when a
// connection is reopened on a file put in place of the old one.
void configurar(QSqlDatabase db);

// What the program does at start: refuses a file or folder it may not write to, takes the lock
// that keeps a second copy of the program off the file, removes its own stale temporaries,
// checks the header, opens the file as `abrir` does (finishing a change a crash interrupted),
// checks the tables (all but the search for visits of missing patients, which reads every visit
// and is left to the background check of db/vigilancia) and brings a file of the first release
// up to date. A file that is not ours, or damaged at its start, is closed again untouched and
// DbError is thrown.
QSqlDatabase abrirClinica(const QString& ruta, const QString& nombre = QString());

// Closes and removes the connection `nombre`, and gives up its lock.
void cerrar(const QString& nombre = QString());

}  // namespace esquema
