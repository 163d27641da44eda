#pragma once

#include <QSqlDatabase>
#include <QString>

// The clinic database: its tables, how a file is recognised as one of ours, and how a
// connection to it is set up. Used alike by the program, the tools and the tests.
namespace esquema {

inline constexpr int kApplicationId = 0x436C6E72;   // "Clnr" in the file header
// 2: sort keys of the patients' names.
inline constexpr int kUserVersion = 2;
inline const QString kNombreFichero = QStringLiteral("clinora.mdb");

// Creates the three tables (tabla_codigo holding 1) on an empty database, in one transaction.
void crear(QSqlDatabase db);

// Creates a new clinic database file readable by its owner only. Refuses an existing file.
void crearFichero(const QString& ruta);

// Checks the first bytes of the file: SQLite, our application_id, a version we know.
void verificarCabecera(const QString& ruta);

// Checks, without writing to it, that the file is a clinic database of ours. Throws DbError
// with a Spanish message saying what is wrong.
void verificarFichero(const QString& ruta);

// verificarFichero plus the engine's own check of every page: the full one for a file that
// comes from outside, the quick one for a copy just written by us.
enum class Comprobacion { Completa, Rapida };
void verificarFicheroCompleto(const QString& ruta,
                              Comprobacion comprobacion = Comprobacion::Completa);

// Opens `ruta` as the connection `nombre` (the default connection when empty) with the settings
// every connection uses: foreign keys on, rollback journal with full sync, busy timeout, double
// quoted strings off. The file must already have passed verificarFichero.
QSqlDatabase abrir(const QString& ruta, const QString& nombre = QString());

// What the program does at start: checks the header, opens the file as `abrir` does and checks
// the tables; a file that is not ours is closed again untouched and DbError is thrown.
QSqlDatabase abrirClinica(const QString& ruta, const QString& nombre = QString());

// Closes and removes the connection `nombre`.
void cerrar(const QString& nombre = QString());

}  // namespace esquema
