#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The clinic database: its tables and their versions, bringing an old file up to date, and how a
// connection to it is set up. How a file is recognised as one of ours is db/verificacion's. Used
// alike by the program, the tools and the tests.
namespace esquema {

inline constexpr int kApplicationId = 0x436C6E72;   // "Clnr" in the file header
// 2: sort keys of the patients' names. 3: the register of correlative invoice numbers.
// 4: the indexes that find a patient who may already be registered.
inline constexpr int kUserVersion = 4;
inline const QString kNombreFichero = QStringLiteral("clinora.mdb");

// What a file of `version` (1, 2 or the current one) holds: each table with its columns, and the
// statement that creates each of its tables and indexes, as the program writes it.
struct TablaEsperada {
    QString nombre;
    QStringList columnas;
};
QList<TablaEsperada> tablasEsperadas(int version);
QStringList definiciones(int version);
// The statements that create a version's tables, indexes and the counter's row, in order: the
// one definition of the tables, which the server's schema is mapped from. Versions 3 and later.
QStringList sentenciasCreacion(int version = kUserVersion);
// What brings a version 3 database (file or server) to the current one: indexes only, so no
// row is rewritten.
QStringList sentenciasDesde3();

// Creates a new clinic database file readable by its owner only. Refuses an existing file.
void crearFichero(const QString& ruta);

// Brings an open file of an earlier version (1, 2 or 3) to the current version in one transaction
// (all or nothing),
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
