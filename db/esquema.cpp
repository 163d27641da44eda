#include "db/esquema.h"

#include "db/comando.h"
#include "db/error.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUuid>

#include <sqlite3.h>

namespace esquema {

namespace {

// Strict tables: a text never lands in an integer column, and yes/no stays 0 or 1. The unique
// pair keeps one visit per patient and day even if another copy of the program wrote first;
// deleting a patient takes his visits along, so they can never attach to a later patient given
// the same code.
const char* const kTablas[] = {
    "CREATE TABLE Paciente ("
    " codigo INTEGER PRIMARY KEY CHECK (codigo BETWEEN -2147483648 AND 2147483647),"
    " nombre TEXT NOT NULL DEFAULT '', apellido1 TEXT NOT NULL DEFAULT '',"
    " apellido2 TEXT NOT NULL DEFAULT '', dni TEXT NOT NULL DEFAULT '',"
    " tlf1 TEXT NOT NULL DEFAULT '', tlf2 TEXT NOT NULL DEFAULT '',"
    " direccion TEXT NOT NULL DEFAULT '', poblacion TEXT NOT NULL DEFAULT '',"
    " provincia TEXT NOT NULL DEFAULT '', fecha_alta TEXT NOT NULL DEFAULT '',"
    " sociedad TEXT NOT NULL DEFAULT '', comentario TEXT NOT NULL DEFAULT '',"
    // Sort keys of the three names (see db/orden.h), written with every insert and update.
    " nombre_orden TEXT NOT NULL DEFAULT '', apellido1_orden TEXT NOT NULL DEFAULT '',"
    " apellido2_orden TEXT NOT NULL DEFAULT ''"
    ") STRICT",
    "CREATE TABLE Visita ("
    " codigo INTEGER NOT NULL REFERENCES Paciente (codigo) ON DELETE CASCADE,"
    " fecha TEXT NOT NULL CHECK (length(fecha) <= 20),"
    " pago INTEGER NOT NULL DEFAULT 0 CHECK (pago IN (0, 1)),"
    " cantidad INTEGER NOT NULL DEFAULT 0 CHECK (cantidad BETWEEN -2147483648 AND 2147483647),"
    " observacion TEXT NOT NULL DEFAULT '' CHECK (length(observacion) <= 50),"
    " hora TEXT NOT NULL DEFAULT '' CHECK (length(hora) <= 6),"
    " factura INTEGER NOT NULL DEFAULT 0 CHECK (factura IN (0, 1)),"
    " num_factura TEXT NOT NULL DEFAULT '',"
    " UNIQUE (codigo, fecha)"
    ") STRICT",
    "CREATE TABLE tabla_codigo (codigo INTEGER NOT NULL) STRICT",
    // The day lists look visits up by date; (fecha, hora) also hands them back already sorted.
    "CREATE INDEX Visita_fecha_hora ON Visita (fecha, hora)",
    // The month listing looks visits up by month and year, the date text from its 4th character.
    "CREATE INDEX Visita_mes ON Visita (substr(fecha, 4), fecha, hora)",
    // A year's invoices, already in calendar order.
    "CREATE INDEX Visita_facturas ON Visita (substr(fecha, 7), substr(fecha, 4, 2),"
    " substr(fecha, 1, 2), hora) WHERE factura = 1",
    // Lists of patients in Spanish order by one of the names, ties by code.
    "CREATE INDEX Paciente_nombre_orden ON Paciente (nombre_orden, codigo)",
    "CREATE INDEX Paciente_apellido1_orden ON Paciente (apellido1_orden, codigo)",
    "CREATE INDEX Paciente_apellido2_orden ON Paciente (apellido2_orden, codigo)",
    "INSERT INTO tabla_codigo (codigo) VALUES (1)",
};

struct TablaEsperada {
    QString nombre;
    QStringList columnas;
};

const QList<TablaEsperada>& tablasEsperadas()
{
    static const QList<TablaEsperada> tablas = {
        {QStringLiteral("Paciente"),
         {"codigo", "nombre", "apellido1", "apellido2", "dni", "tlf1", "tlf2", "direccion",
          "poblacion", "provincia", "fecha_alta", "sociedad", "comentario", "nombre_orden",
          "apellido1_orden", "apellido2_orden"}},
        {QStringLiteral("Visita"),
         {"codigo", "fecha", "pago", "cantidad", "observacion", "hora", "factura",
          "num_factura"}},
        {QStringLiteral("tabla_codigo"), {"codigo"}},
    };
    return tablas;
}

sqlite3* manejador(QSqlDatabase db)
{
    QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

void exec(QSqlDatabase db, const QString& texto)
{
    comando::preparar(Sql{texto, {}}, db);
}

QString citado(const QString& ruta)
{
    return QStringLiteral("«") + ruta + QStringLiteral("»");
}

// The returned handle is the caller's only one, so cerrar() can drop the connection cleanly
// once it goes out of scope.
QSqlDatabase abrirSoloLectura(const QString& ruta, const QString& conexion)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conexion);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        throw DbError(QStringLiteral("ERROR: No se puede abrir el fichero %1: %2")
                          .arg(citado(ruta), db.lastError().text()));
    return db;
}

void comprobarTablas(QSqlDatabase db, const QString& ruta)
{
    for (const TablaEsperada& t : tablasEsperadas()) {
        QSqlQuery q = comando::preparar(
            Sql{QStringLiteral("SELECT name FROM pragma_table_info(?)"), {t.nombre}}, db);
        QStringList columnas;
        while (q.next())
            columnas << q.value(0).toString().toLower();
        if (columnas.isEmpty())
            throw DbError(QStringLiteral("ERROR: Al fichero %1 le falta la tabla \"%2\"; no es "
                                         "una base de datos de Clinora válida.")
                              .arg(citado(ruta), t.nombre));
        for (const QString& c : t.columnas) {
            if (!columnas.contains(c))
                throw DbError(QStringLiteral("ERROR: En el fichero %1 a la tabla \"%2\" le falta "
                                             "la columna \"%3\"; no es una base de datos de "
                                             "Clinora válida.")
                                  .arg(citado(ruta), t.nombre, c));
        }
    }
}

}  // namespace

void crear(QSqlDatabase db)
{
    comando::Transaccion t(db);
    for (const char* sentencia : kTablas)
        exec(db, QString::fromLatin1(sentencia));
    exec(db, QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kUserVersion));
    t.commit();
}

void crearFichero(const QString& ruta)
{
    if (QFileInfo::exists(ruta))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citado(ruta)));
    // Built under a temporary name and moved into place at the end, so a half-made file never
    // carries the real name; rename refuses to overwrite a file that appeared meanwhile.
    const QString temporal = ruta + QStringLiteral(".creando-")
                             + QUuid::createUuid().toString(QUuid::Id128).left(8);
    {
        QFile vacio(temporal);
        if (!vacio.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(QStringLiteral("ERROR: No se puede crear el fichero %1.")
                              .arg(citado(ruta)));
        vacio.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QString conexion = QStringLiteral("crear-") + QUuid::createUuid().toString();
    try {
        crear(abrir(temporal, conexion));
        cerrar(conexion);
    } catch (...) {
        cerrar(conexion);
        QFile::remove(temporal);
        throw;
    }
    if (!QFile::rename(temporal, ruta)) {
        QFile::remove(temporal);
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citado(ruta)));
    }
}

void verificarCabecera(const QString& ruta)
{
    // The header is read as plain bytes first, so a file of another kind is never handed to the
    // engine at all, and nothing can be written to it.
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("ERROR: No se puede leer el fichero %1.").arg(citado(ruta)));
    const QByteArray cabecera = f.read(100);
    f.close();
    if (cabecera.size() < 100 || !cabecera.startsWith(QByteArray("SQLite format 3\0", 16)))
        throw DbError(QStringLiteral("ERROR: El fichero %1 no es una base de datos de Clinora "
                                     "(no es una base de datos SQLite o su cabecera está dañada).")
                          .arg(citado(ruta)));
    const auto byte = [&](int i) { return quint32(quint8(cabecera.at(i))); };
    const quint32 appId = (byte(68) << 24) | (byte(69) << 16) | (byte(70) << 8) | byte(71);
    const quint32 version = (byte(60) << 24) | (byte(61) << 16) | (byte(62) << 8) | byte(63);
    if (appId != quint32(kApplicationId))
        throw DbError(QStringLiteral("ERROR: El fichero %1 es una base de datos de otro programa, "
                                     "no de Clinora.")
                          .arg(citado(ruta)));
    if (version > quint32(kUserVersion))
        throw DbError(QStringLiteral("ERROR: El fichero %1 es de una versión más reciente de "
                                     "Clinora y este programa no puede usarlo.")
                          .arg(citado(ruta)));

}

void verificarFichero(const QString& ruta)
{
    verificarCabecera(ruta);
    const QString conexion = QStringLiteral("verificar-") + QUuid::createUuid().toString();
    try {
        comprobarTablas(abrirSoloLectura(ruta, conexion), ruta);
        cerrar(conexion);
    } catch (...) {
        cerrar(conexion);
        throw;
    }
}

void verificarFicheroCompleto(const QString& ruta, Comprobacion comprobacion)
{
    verificarFichero(ruta);
    const QString conexion = QStringLiteral("integridad-") + QUuid::createUuid().toString();
    try {
        const QString pragma = comprobacion == Comprobacion::Completa
                                   ? QStringLiteral("PRAGMA integrity_check")
                                   : QStringLiteral("PRAGMA quick_check");
        const QString resultado =
            comando::valor(Sql{pragma, {}}, abrirSoloLectura(ruta, conexion)).toString();
        if (resultado != QLatin1String("ok"))
            throw DbError(QStringLiteral("ERROR: El fichero %1 está dañado (la comprobación de "
                                         "integridad ha fallado: %2).")
                              .arg(citado(ruta), resultado));
        cerrar(conexion);
    } catch (...) {
        cerrar(conexion);
        throw;
    }
}

QSqlDatabase abrir(const QString& ruta, const QString& nombre)
{
    const QString conexion = nombre.isEmpty() ? QString(QSqlDatabase::defaultConnection) : nombre;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conexion);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw DbError(QStringLiteral("ERROR: No se puede abrir el fichero %1: %2")
                          .arg(citado(ruta), db.lastError().text()));
    if (sqlite3* h = manejador(db)) {
        // A double-quoted word must name a column, never silently become a text value.
        sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    }
    exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
    exec(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
    exec(db, QStringLiteral("PRAGMA synchronous = FULL"));
    // A day's lists touch a thousand scattered patient pages; keep them in memory between
    // re-runs (16 MB).
    exec(db, QStringLiteral("PRAGMA cache_size = -16384"));
    return db;
}

QSqlDatabase abrirClinica(const QString& ruta, const QString& nombre)
{
    verificarCabecera(ruta);
    // Opened for writing before the tables are read, so the engine can finish a change that a
    // crash interrupted (a hot journal) instead of refusing our own file.
    QSqlDatabase db = abrir(ruta, nombre);
    try {
        comprobarTablas(db, ruta);
    } catch (...) {
        db = QSqlDatabase();
        cerrar(nombre);
        throw;
    }
    return db;
}

void cerrar(const QString& nombre)
{
    const QString conexion = nombre.isEmpty() ? QString(QSqlDatabase::defaultConnection) : nombre;
    if (!QSqlDatabase::contains(conexion))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(conexion, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(conexion);
}

}  // namespace esquema
