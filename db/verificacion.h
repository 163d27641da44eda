#pragma once

#include <QSqlDatabase>
#include <QString>

// Whether a file is a clinic database of ours, and sound: its header and first page read as
// plain bytes, its tables and indexes compared with the ones the program creates (db/esquema),
// and the engine's own check of every page. Nothing here writes to the file; every refusal is a
// DbError with a Spanish message saying what is wrong.
namespace esquema {

// Checks the first bytes of the file: SQLite, our application_id, a version we know, not in WAL
// mode; when `completa`, also that its length agrees with its header and that its first page
// is sound. Reads bytes only.
void verificarCabecera(const QString& ruta, bool completa);

// Refuses a file with an unfinished journal (or WAL) beside it: playing it back would change a
// file that is only to be read.
void sinDiarioPendiente(const QString& ruta);

// Checks, without writing to it, that the file is a clinic database of ours: its header, no
// unfinished journal beside it, the tables and indexes defined exactly as the program creates
// them, one counter row, no visit of a missing patient. Returns the file's version (1 for the
// first release's files, which abrirClinica brings up to date).
int verificarFichero(const QString& ruta);

// verificarFichero plus the engine's own check of every page: the full one for a file that
// comes from outside, the quick one for a copy just written by us. Returns the file's version.
enum class Comprobacion { Completa, Rapida };
int verificarFicheroCompleto(const QString& ruta,
                              Comprobacion comprobacion = Comprobacion::Completa);

// The engine's check of every page alone, on a read-only connection of its own (so it may run on
// any thread). Returns "ok", or what is wrong; `codigo` gets SQLITE_OK, SQLITE_CORRUPT for a
// damaged file, or the engine's error when the check could not run.
QString comprobarIntegridad(const QString& ruta, Comprobacion comprobacion, int* codigo);

// The checks on a connection already open on `ruta`, for start-up and the upgrade.
// The version written in the file; a version we do not know is refused.
int versionDe(QSqlDatabase db, const QString& ruta);
// The tables and indexes as the program defines them for the file's version, at most one
// counter row and, when `huerfanas`, no visit of a patient that does not exist (a scan of every
// visit, which start-up leaves to the background check). Returns the file's version.
int comprobarTablas(QSqlDatabase db, const QString& ruta, bool huerfanas);
// A file the engine has just played a journal back into: its header and first page, its
// tables, and every page once through the connection's own cache. DbError says what was found.
void comprobarTrasDiario(QSqlDatabase db, const QString& ruta);
// The message refusing `ruta` as no clinic database, for `motivo`.
QString noValida(const QString& ruta, const QString& motivo);

}  // namespace esquema
