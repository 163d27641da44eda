#include "db/esquema.h"

#include "db/acceso.h"
#include "db/comando.h"
#include "db/copia.h"
#include "db/error.h"
#include "db/orden.h"
#include "db/reloj.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUuid>

#include <sqlite3.h>
#include <thread>
#include <unistd.h>

namespace esquema {

namespace {

// Strict tables: a text never lands in an integer column, and yes/no stays 0 or 1. The unique
// pair keeps one visit per patient and day even if another copy of the program wrote first;
// deleting a patient takes his visits along, so they can never attach to a later patient given
// the same code.
const char* const kPaciente =
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
    ") STRICT";
const char* const kVisita =
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
    ") STRICT";
const char* const kTablaCodigo = "CREATE TABLE tabla_codigo (codigo INTEGER NOT NULL) STRICT";
// The day lists look visits up by date; (fecha, hora) also hands them back already sorted.
const char* const kIndiceDia = "CREATE INDEX Visita_fecha_hora ON Visita (fecha, hora)";
// The indexes of version 2: a year's invoices are kept in calendar order (a small index, of
// invoiced visits only); lists of patients go in Spanish order by one of the names, ties by
// code. A month's visits need none: they are the days of the month, found on the day index.
const char* const kIndicesVersion2[] = {
    "CREATE INDEX Visita_facturas ON Visita (substr(fecha, 7), substr(fecha, 4, 2),"
    " substr(fecha, 1, 2), hora) WHERE factura = 1",
    "CREATE INDEX Paciente_nombre_orden ON Paciente (nombre_orden, codigo)",
    "CREATE INDEX Paciente_apellido1_orden ON Paciente (apellido1_orden, codigo)",
    "CREATE INDEX Paciente_apellido2_orden ON Paciente (apellido2_orden, codigo)",
};

// Version 3: the register of invoice numbers given from the correlative series, one row per
// number ever given (year, number in the year, and the visit it went to). A row is never
// deleted, so a number is never given twice; one whose visit no longer carries it is annulled.
// No key to the visit: the number outlives it.
const char* const kFactura =
    "CREATE TABLE Factura ("
    " ano INTEGER NOT NULL CHECK (ano BETWEEN 1 AND 9999),"
    " numero INTEGER NOT NULL CHECK (numero >= 1),"
    " codigo INTEGER NOT NULL,"
    " fecha TEXT NOT NULL CHECK (length(fecha) <= 20),"
    " emitida TEXT NOT NULL DEFAULT '' CHECK (length(emitida) <= 20),"
    " PRIMARY KEY (ano, numero)"
    ") STRICT";
const char* const kIndiceFacturaVisita = "CREATE INDEX Factura_visita ON Factura (codigo, fecha)";

const char* const kTablas[] = {
    kPaciente,
    kVisita,
    kTablaCodigo,
    kIndiceDia,
    kIndicesVersion2[0],
    kIndicesVersion2[1],
    kIndicesVersion2[2],
    kIndicesVersion2[3],
    kFactura,
    kIndiceFacturaVisita,
    "INSERT INTO tabla_codigo (codigo) VALUES (1)",
};

// The first release's file (version 1): the same tables without the sort keys of the names,
// and only the day index.
const char* const kTablasVersion1[] = {
    "CREATE TABLE Paciente ("
    " codigo INTEGER PRIMARY KEY CHECK (codigo BETWEEN -2147483648 AND 2147483647),"
    " nombre TEXT NOT NULL DEFAULT '', apellido1 TEXT NOT NULL DEFAULT '',"
    " apellido2 TEXT NOT NULL DEFAULT '', dni TEXT NOT NULL DEFAULT '',"
    " tlf1 TEXT NOT NULL DEFAULT '', tlf2 TEXT NOT NULL DEFAULT '',"
    " direccion TEXT NOT NULL DEFAULT '', poblacion TEXT NOT NULL DEFAULT '',"
    " provincia TEXT NOT NULL DEFAULT '', fecha_alta TEXT NOT NULL DEFAULT '',"
    " sociedad TEXT NOT NULL DEFAULT '', comentario TEXT NOT NULL DEFAULT ''"
    ") STRICT",
    kVisita,
    kTablaCodigo,
    kIndiceDia,
};

// Brings a version 1 file to version 2: the sort keys, filled from the names, and the indexes.
const char* const kActualizarA2[] = {
    "ALTER TABLE Paciente ADD COLUMN nombre_orden TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE Paciente ADD COLUMN apellido1_orden TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE Paciente ADD COLUMN apellido2_orden TEXT NOT NULL DEFAULT ''",
    "UPDATE Paciente SET nombre_orden = clinora_clave(nombre),"
    " apellido1_orden = clinora_clave(apellido1), apellido2_orden = clinora_clave(apellido2)",
    kIndicesVersion2[0],
    kIndicesVersion2[1],
    kIndicesVersion2[2],
    kIndicesVersion2[3],
};

// Brings a version 2 file to version 3: the register of invoice numbers, empty.
const char* const kActualizarA3[] = {
    kFactura,
    kIndiceFacturaVisita,
};

struct TablaEsperada {
    QString nombre;
    QStringList columnas;
};

QList<TablaEsperada> tablasEsperadas(int version)
{
    QStringList paciente = {"codigo", "nombre", "apellido1", "apellido2", "dni", "tlf1", "tlf2",
                            "direccion", "poblacion", "provincia", "fecha_alta", "sociedad",
                            "comentario"};
    if (version >= 2)
        paciente << "nombre_orden" << "apellido1_orden" << "apellido2_orden";
    QList<TablaEsperada> tablas = {
        {QStringLiteral("Paciente"), paciente},
        {QStringLiteral("Visita"),
         {"codigo", "fecha", "pago", "cantidad", "observacion", "hora", "factura",
          "num_factura"}},
        {QStringLiteral("tabla_codigo"), {"codigo"}},
    };
    if (version >= 3)
        tablas.append({QStringLiteral("Factura"), {"ano", "numero", "codigo", "fecha", "emitida"}});
    return tablas;
}

// A definition as the engine keeps it, reduced so that layout does not count: one blank between
// words, none around brackets and commas, lower case. Adding a column to a table stores its
// text in a slightly different layout from creating it with the column.
QString normalizado(const QString& sql)
{
    static const QRegularExpression alrededor(QStringLiteral("\\s*([(),])\\s*"));
    QString t = sql.simplified();
    t.replace(alrededor, QStringLiteral("\\1"));
    return t.toLower();
}

// Name and definition of every table and index the program creates, for a given version.
QHash<QString, QString> definiciones(int version)
{
    static const QRegularExpression nombre(
        QStringLiteral("^CREATE (?:TABLE|INDEX) (\\w+)"), QRegularExpression::CaseInsensitiveOption);
    QHash<QString, QString> mapa;
    const auto anadir = [&](const char* sentencia) {
        const QString texto = QString::fromLatin1(sentencia);
        const QRegularExpressionMatch m = nombre.match(texto);
        if (m.hasMatch())
            mapa.insert(m.captured(1).toLower(), normalizado(texto));
    };
    if (version == 1) {
        for (const char* s : kTablasVersion1)
            anadir(s);
    } else {
        for (const char* s : kTablas) {
            if (version >= 3 || (s != kFactura && s != kIndiceFacturaVisita))
                anadir(s);
        }
    }
    return mapa;
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
    return QStringLiteral("«") + QDir::toNativeSeparators(ruta) + QStringLiteral("»");
}

QString noValida(const QString& ruta, const QString& motivo)
{
    return QStringLiteral("ERROR: El fichero %1 no es una base de datos de Clinora válida: %2. "
                          "No se ha tocado.")
        .arg(citado(ruta), motivo);
}

DbError danado(const QString& ruta, const QString& detalle)
{
    return DbError(QStringLiteral("ERROR: El fichero %1 está dañado y no se puede usar (%2). No "
                                  "se ha tocado. Si es el fichero de datos, cargue la última "
                                  "copia de seguridad buena con \"Backup\" › \"Cargar copia\".")
                       .arg(citado(ruta), detalle));
}

// Runs a read of the file's own structure; an engine failure there means the file is damaged.
QSqlQuery leer(QSqlDatabase db, const QString& ruta, const QString& texto,
               const QVariantList& valores = {})
{
    QSqlQuery q(db);
    if (!q.prepare(texto)) {
        throw danado(ruta, q.lastError().databaseText());
    }
    comando::enlazar(q, valores);
    if (!q.exec())
        throw danado(ruta, q.lastError().databaseText());
    return q;
}

// The returned handle is the caller's only one, so cerrar() can drop the connection cleanly
// once it goes out of scope.
QSqlDatabase abrirSoloLectura(const QString& ruta, const QString& conexion)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conexion);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        throw DbError(QStringLiteral("ERROR: No se puede abrir el fichero %1. No se ha tocado.\n\n"
                                     "Detalle: %2")
                          .arg(citado(ruta), db.lastError().text()));
    return db;
}

// The version written in the file; a version we do not know is refused.
int versionDe(QSqlDatabase db, const QString& ruta)
{
    QSqlQuery q = leer(db, ruta, QStringLiteral("PRAGMA user_version"));
    const int version = q.next() ? q.value(0).toInt() : 0;
    if (version > kUserVersion)
        throw DbError(QStringLiteral("ERROR: El fichero %1 es de una versión más reciente de "
                                     "Clinora y este programa no puede usarlo. No se ha tocado.")
                          .arg(citado(ruta)));
    if (version < 1)
        throw DbError(noValida(ruta, QStringLiteral("no indica qué versión de Clinora lo creó")));
    return version;
}

// The file holds our tables with our definitions (types, keys, the unique pair, the foreign
// key, the checks, the indexes), nothing else of its own, at most one counter row, and, when
// `huerfanas`, no visit of a patient that does not exist (a scan of every visit: start-up leaves
// it to the background check). Returns the version of the file.
int comprobarTablas(QSqlDatabase db, const QString& ruta, bool huerfanas)
{
    const int version = versionDe(db, ruta);
    for (const TablaEsperada& t : tablasEsperadas(version)) {
        QSqlQuery q = leer(db, ruta, QStringLiteral("SELECT name FROM pragma_table_info(?)"),
                           {t.nombre});
        QStringList columnas;
        while (q.next())
            columnas << q.value(0).toString().toLower();
        if (columnas.isEmpty())
            throw DbError(noValida(ruta, QStringLiteral("le falta la tabla \"%1\"").arg(t.nombre)));
        for (const QString& c : t.columnas) {
            if (!columnas.contains(c))
                throw DbError(noValida(ruta, QStringLiteral("a la tabla \"%1\" le falta la "
                                                            "columna \"%2\"")
                                                 .arg(t.nombre, c)));
        }
        if (columnas.size() != t.columnas.size())
            throw DbError(noValida(ruta, QStringLiteral("la tabla \"%1\" tiene columnas que "
                                                        "Clinora no crea")
                                             .arg(t.nombre)));
    }
    QHash<QString, QString> esperadas = definiciones(version);
    QSqlQuery q = leer(db, ruta,
                       QStringLiteral("SELECT type, name, sql FROM sqlite_schema "
                                      "WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
    while (q.next()) {
        const QString tipo = q.value(0).toString();
        const QString nombre = q.value(1).toString();
        const auto it = esperadas.constFind(nombre.toLower());
        if (it == esperadas.constEnd())
            throw DbError(noValida(ruta, QStringLiteral("contiene %1 \"%2\", que Clinora no crea")
                                             .arg(tipo == QLatin1String("table")
                                                      ? QStringLiteral("la tabla")
                                                  : tipo == QLatin1String("index")
                                                      ? QStringLiteral("el índice")
                                                      : QStringLiteral("el objeto"),
                                                  nombre)));
        if (normalizado(q.value(2).toString()) != *it)
            throw DbError(noValida(
                ruta, QStringLiteral("%1 \"%2\" no tiene la definición que crea Clinora (tipos, "
                                     "claves o reglas distintas)")
                          .arg(tipo == QLatin1String("table") ? QStringLiteral("la tabla")
                                                              : QStringLiteral("el índice"),
                               nombre)));
        esperadas.remove(nombre.toLower());
    }
    if (!esperadas.isEmpty())
        throw DbError(noValida(ruta, QStringLiteral("le falta el índice \"%1\"")
                                         .arg(esperadas.keys().constFirst())));
    QSqlQuery contador = leer(db, ruta, QStringLiteral("SELECT COUNT(*) FROM tabla_codigo"));
    // A missing row is put back by the code proposal; two rows would leave it guessing.
    if (contador.next() && contador.value(0).toInt() > 1)
        throw DbError(noValida(ruta, QStringLiteral("la tabla \"tabla_codigo\" debe tener una "
                                                    "sola fila")));
    if (!huerfanas)
        return version;
    QSqlQuery sinPaciente = leer(db, ruta, QStringLiteral("PRAGMA foreign_key_check"));
    if (sinPaciente.next())
        throw DbError(noValida(ruta, QStringLiteral("tiene citas de pacientes que no existen")));
    return version;
}

// The sort key of a name, for the version upgrade's UPDATE.
void funcionClave(sqlite3_context* contexto, int, sqlite3_value** argumentos)
{
    const auto* texto = reinterpret_cast<const char*>(sqlite3_value_text(argumentos[0]));
    const QByteArray clave = orden::clave(QString::fromUtf8(texto ? texto : "")).toUtf8();
    sqlite3_result_text(contexto, clave.constData(), int(clave.size()), SQLITE_TRANSIENT);
}

quint32 entero(const QByteArray& b, int i, int bytes)
{
    quint32 v = 0;
    for (int k = 0; k < bytes; ++k)
        v = (v << 8) | quint8(b.at(i + k));
    return v;
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
    const QString temporal = acceso::nombreTemporal(ruta);
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
    if (::link(QFile::encodeName(temporal).constData(), QFile::encodeName(ruta).constData())
        != 0) {
        QFile::remove(temporal);
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citado(ruta)));
    }
    QFile::remove(temporal);
}

void verificarCabecera(const QString& ruta, bool completa)
{
    // The header and the first page are read as plain bytes first, so a file of another kind, or
    // one whose start is damaged, is never handed to the engine at all.
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("ERROR: No se puede leer el fichero %1. No se ha tocado.")
                          .arg(citado(ruta)));
    const qint64 longitud = f.size();
    const QByteArray cabecera = f.read(100);
    if (longitud == 0)
        throw DbError(QStringLiteral("ERROR: El fichero %1 está vacío: no es una base de datos "
                                     "de Clinora. No se ha tocado.")
                          .arg(citado(ruta)));
    if (cabecera.size() < 100 || !cabecera.startsWith(QByteArray("SQLite format 3\0", 16)))
        throw DbError(QStringLiteral("ERROR: El fichero %1 no es una base de datos de Clinora "
                                     "(no es una base de datos SQLite o su cabecera está dañada). "
                                     "No se ha tocado.")
                          .arg(citado(ruta)));
    if (entero(cabecera, 68, 4) != quint32(kApplicationId))
        throw DbError(QStringLiteral("ERROR: El fichero %1 es una base de datos de otro programa, "
                                     "no de Clinora. No se ha tocado.")
                          .arg(citado(ruta)));
    if (entero(cabecera, 60, 4) > quint32(kUserVersion))
        throw DbError(QStringLiteral("ERROR: El fichero %1 es de una versión más reciente de "
                                     "Clinora y este programa no puede usarlo. No se ha tocado.")
                          .arg(citado(ruta)));
    if (quint8(cabecera.at(18)) == 2 || quint8(cabecera.at(19)) == 2)
        throw DbError(QStringLiteral(
            "ERROR: El fichero %1 ha sido modificado con otro programa (está en modo WAL, que "
            "Clinora no usa), así que no se sabe si sus datos están completos. No se ha tocado.")
                          .arg(citado(ruta)));
    if (!completa)
        return;
    // The rest of the start of the file, as the engine wrote it.
    quint32 pagina = entero(cabecera, 16, 2);
    if (pagina == 1)
        pagina = 65536;
    const bool potencia = pagina >= 512 && pagina <= 65536 && (pagina & (pagina - 1)) == 0;
    const quint32 reservado = quint8(cabecera.at(20));
    if (!potencia || quint8(cabecera.at(18)) != 1 || quint8(cabecera.at(19)) != 1
        || quint8(cabecera.at(21)) != 64 || quint8(cabecera.at(22)) != 32
        || quint8(cabecera.at(23)) != 32 || reservado >= pagina / 2)
        throw danado(ruta, QStringLiteral("su cabecera no es válida"));
    if (longitud % pagina != 0 || longitud < qint64(pagina)
        || (entero(cabecera, 92, 4) == entero(cabecera, 24, 4)
            && qint64(entero(cabecera, 28, 4)) * pagina != longitud))
        throw danado(ruta, QStringLiteral("su longitud no es la que indica su cabecera: está "
                                          "cortado o le sobran datos"));
    f.seek(0);
    const QByteArray primera = f.read(pagina);
    const int tipo = quint8(primera.at(100));
    const int inicioPunteros = 100 + (tipo == 0x05 ? 12 : 8);
    const quint32 util = pagina - reservado;
    const quint32 celdas = entero(primera, 103, 2);
    bool bien = (tipo == 0x05 || tipo == 0x0D) && primera.size() == qint64(pagina)
                && inicioPunteros + 2 * celdas <= util;
    for (quint32 i = 0; bien && i < celdas; ++i) {
        const quint32 celda = entero(primera, inicioPunteros + 2 * int(i), 2);
        bien = celda >= quint32(inicioPunteros) + 2 * celdas && celda < util;
    }
    const quint32 contenido = entero(primera, 105, 2);
    if (!bien || (contenido != 0 && contenido < quint32(inicioPunteros) + 2 * celdas))
        throw danado(ruta, QStringLiteral("su primera página está dañada"));
}

void verificarCabecera(const QString& ruta)
{
    verificarCabecera(ruta, true);
}

// A journal beside a file that we only read would have to be played back into it first; for a
// file from outside that is a change we do not make.
void sinDiarioPendiente(const QString& ruta)
{
    const QFileInfo diario(ruta + QStringLiteral("-journal"));
    if (diario.exists() && diario.size() > 0)
        throw DbError(QStringLiteral("ERROR: El fichero %1 tiene a su lado un diario de cambios "
                                     "sin terminar (%2): otro programa se interrumpió mientras "
                                     "lo modificaba. No se ha tocado ninguno de los dos.")
                          .arg(citado(ruta), citado(diario.fileName())));
    if (QFileInfo::exists(ruta + QStringLiteral("-wal")))
        throw DbError(QStringLiteral("ERROR: El fichero %1 tiene a su lado cambios de otro "
                                     "programa sin terminar (%2). No se ha tocado.")
                          .arg(citado(ruta), citado(QFileInfo(ruta).fileName() + "-wal")));
}

int verificarFichero(const QString& ruta)
{
    sinDiarioPendiente(ruta);
    verificarCabecera(ruta, true);
    const QString conexion = QStringLiteral("verificar-") + QUuid::createUuid().toString();
    try {
        const int version = comprobarTablas(abrirSoloLectura(ruta, conexion), ruta, true);
        cerrar(conexion);
        return version;
    } catch (...) {
        cerrar(conexion);
        throw;
    }
}

namespace {

// One check pragma on a read-only connection of its own: the engine's C interface straight, so
// it may run on a thread of its own; mapped and with a large cache, a big file checks much
// quicker. The result as the engine words it, "ok" when sound.
QString ejecutarComprobacion(const QString& ruta, const char* pragma, int* codigo)
{
    sqlite3* h = nullptr;
    if (codigo)
        *codigo = SQLITE_OK;
    const int abierto = sqlite3_open_v2(QFile::encodeName(ruta).constData(), &h,
                                        SQLITE_OPEN_READONLY, nullptr);
    if (abierto != SQLITE_OK) {
        const QString error = QString::fromUtf8(sqlite3_errmsg(h));
        sqlite3_close(h);
        if (codigo)
            *codigo = abierto;
        return error;
    }
    sqlite3_busy_timeout(h, 5000);
    sqlite3_exec(h, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
    sqlite3_exec(h, "PRAGMA cache_size = -262144", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList filas;
    int rc = sqlite3_prepare_v2(h, pragma, -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW && filas.size() < 5)
            filas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (rc == SQLITE_ROW)
            rc = SQLITE_DONE;
    }
    QString resultado;
    if (rc != SQLITE_DONE) {
        resultado = QString::fromUtf8(sqlite3_errmsg(h));
        if (codigo)
            *codigo = sqlite3_extended_errcode(h);
    } else {
        // The engine lists every damaged cell; the first few tell enough.
        QStringList lineas = filas.join(QLatin1Char('\n')).split(QLatin1Char('\n'),
                                                                Qt::SkipEmptyParts);
        if (lineas.size() > 3)
            lineas = lineas.mid(0, 3) << QStringLiteral("…");
        resultado = lineas.join(QLatin1Char(' '));
        if (filas != QStringList{QStringLiteral("ok")} && codigo)
            *codigo = SQLITE_CORRUPT;
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
    return resultado;
}

}  // namespace

QString comprobarIntegridad(const QString& ruta, Comprobacion comprobacion, int* codigo)
{
    if (comprobacion == Comprobacion::Rapida)
        return ejecutarComprobacion(ruta, "PRAGMA quick_check", codigo);
    // The full check, split in two halves that together check all it does, on two threads:
    // the visits' table with its indexes (most of the work), and beside it the structure of
    // the whole file (every page, the free list) with the other tables and their indexes.
    int codigoVisitas = SQLITE_OK;
    QString visitas;
    std::thread hilo([&] {
        visitas = ejecutarComprobacion(ruta, "PRAGMA integrity_check(Visita)", &codigoVisitas);
    });
    int codigoResto = SQLITE_OK;
    QString resto = ejecutarComprobacion(ruta, "PRAGMA quick_check", &codigoResto);
    // A file of an earlier version, checked before its upgrade, has no register of invoices.
    const bool conRegistro =
        ejecutarComprobacion(ruta, "SELECT COUNT(*) FROM sqlite_schema WHERE type = 'table' "
                                   "AND name = 'Factura'", nullptr) == QLatin1String("1");
    for (const char* tabla : {"PRAGMA integrity_check(Paciente)",
                              "PRAGMA integrity_check(tabla_codigo)",
                              "PRAGMA integrity_check(Factura)"}) {
        if (codigoResto != SQLITE_OK)
            break;
        if (!conRegistro && qstrcmp(tabla, "PRAGMA integrity_check(Factura)") == 0)
            continue;
        resto = ejecutarComprobacion(ruta, tabla, &codigoResto);
    }
    hilo.join();
    if (codigo)
        *codigo = codigoResto != SQLITE_OK ? codigoResto : codigoVisitas;
    return codigoResto != SQLITE_OK ? resto : visitas;
}

void verificarFicheroCompleto(const QString& ruta, Comprobacion comprobacion)
{
    verificarFichero(ruta);
    int codigo = SQLITE_OK;
    const QString resultado = comprobarIntegridad(ruta, comprobacion, &codigo);
    if (codigo != SQLITE_OK)
        throw danado(ruta, QStringLiteral("la comprobación de integridad ha fallado: ")
                               + resultado);
}

QSqlDatabase abrir(const QString& ruta, const QString& nombre)
{
    const QString conexion = nombre.isEmpty() ? QString(QSqlDatabase::defaultConnection) : nombre;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conexion);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    configurar(db);
    return db;
}

void configurar(QSqlDatabase db)
{
    if (!db.open())
        throw DbError(QStringLiteral("ERROR: No se puede abrir el fichero %1.\n\nDetalle: %2")
                          .arg(citado(db.databaseName()), db.lastError().text()));
    if (sqlite3* h = manejador(db)) {
        // The error box tells the cases apart by the engine's precise code.
        sqlite3_extended_result_codes(h, 1);
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
}

void actualizar(QSqlDatabase db, const QString& ruta, const QString& copiaSeguridad)
{
    if (!copiaSeguridad.isEmpty())
        copia::guardar(db, copiaSeguridad);
    sqlite3* h = manejador(db);
    if (!h)
        throw DbError(QStringLiteral("ERROR: La base de datos no está abierta."));
    sqlite3_create_function(h, "clinora_clave", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            funcionClave, nullptr, nullptr);
    try {
        comando::Transaccion t(db);
        const int version = versionDe(db, ruta);
        if (version >= kUserVersion)
            throw DbError(QStringLiteral("ERROR: El fichero %1 ha cambiado mientras se "
                                         "actualizaba; no se ha tocado.")
                              .arg(citado(ruta)));
        // Step by step from the file's version, all in the one transaction.
        if (version < 2) {
            for (const char* sentencia : kActualizarA2)
                exec(db, QString::fromLatin1(sentencia));
        }
        for (const char* sentencia : kActualizarA3)
            exec(db, QString::fromLatin1(sentencia));
        exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kUserVersion));
        // Checked before it counts: a file converted only in part is never kept.
        if (comprobarTablas(db, ruta, false) != kUserVersion)
            throw DbError(noValida(ruta, QStringLiteral("no se ha podido actualizar")));
        t.commit();
    } catch (const DbError& e) {
        sqlite3_create_function(h, "clinora_clave", 1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                                nullptr);
        throw DbError(QStringLiteral("ERROR: El fichero %1 es de una versión anterior de Clinora "
                                     "y no se ha podido poner al día; sigue como estaba.\n\n%2")
                          .arg(citado(ruta), e.message()));
    }
    sqlite3_create_function(h, "clinora_clave", 1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                            nullptr);
}

QString rutaCopiaAntesDeActualizar(const QString& ruta)
{
    return QFileInfo(ruta).absolutePath()
           + QStringLiteral("/clinora-antes-de-actualizar-%1.mdb")
                 .arg(reloj::ahora().toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

namespace {

// The file and its journal as they were before the engine played the journal back: kept beside
// them until the file has been found sound afterwards. A journal left there by another file (the
// file replaced by hand while a crashed session's journal lay beside it) damages the file it is
// played into, and this copy is then the only way back.
struct AntesDelDiario {
    QString fichero, diario;

    void guardar(const QString& ruta)
    {
        const QString raiz =
            QFileInfo(ruta).absolutePath() + QStringLiteral("/clinora-antes-de-recuperar-")
            + reloj::ahora().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        // A pair kept earlier in the same second (a start interrupted) stays as it is.
        QString base = raiz;
        for (int n = 2; QFileInfo::exists(base + QStringLiteral(".mdb"))
                        || QFileInfo::exists(base + QStringLiteral(".diario"));
             ++n)
            base = raiz + QStringLiteral("-%1").arg(n);
        // Named apart from each other, so the copy of the file can be opened or loaded alone.
        try {
            acceso::copiaPrivada(ruta, base + QStringLiteral(".mdb"));
            fichero = base + QStringLiteral(".mdb");
            acceso::copiaPrivada(ruta + QStringLiteral("-journal"),
                                 base + QStringLiteral(".diario"));
            diario = base + QStringLiteral(".diario");
        } catch (const DbError& e) {
            quitar();
            throw DbError(e.message()
                          + QStringLiteral(" Junto al fichero hay un diario de cambios sin "
                                           "terminar, y sin esa copia no se aplica. Clinora se "
                                           "cierra sin tocar nada."));
        }
    }
    void quitar()
    {
        if (!fichero.isEmpty())
            QFile::remove(fichero);
        if (!diario.isEmpty())
            QFile::remove(diario);
        fichero.clear();
        diario.clear();
    }

    // What the user is told when the file is not sound after the journal was played back.
    DbError error(const QString& ruta, const QString& detalle) const
    {
        // The checks word their findings for a file left untouched; this one was not.
        QString hallado = detalle;
        hallado.remove(QStringLiteral(" No se ha tocado."));
        if (hallado.startsWith(QLatin1String("ERROR: ")))
            hallado = hallado.mid(7);
        return DbError(
            QStringLiteral(
                "ERROR: Junto al fichero de datos %1 había un diario de cambios sin terminar "
                "(%2), y al aplicarlo el fichero ha quedado dañado: puede que el diario no fuera "
                "de este fichero (por ejemplo, si el fichero se copió a mano después de una "
                "interrupción). Clinora se cierra sin escribir nada en él.\n\nEl fichero y "
                "el diario, tal como estaban antes de abrirlos, se conservan en la misma "
                "carpeta: %3 y %4. Si el fichero se había copiado a mano, ponga %3 en lugar de "
                "%5 y vuelva a abrir el programa.\n\nDetalle: %6")
                .arg(citado(ruta), citado(QFileInfo(ruta).fileName() + QStringLiteral("-journal")),
                     citado(QFileInfo(fichero).fileName()), citado(QFileInfo(diario).fileName()),
                     citado(QFileInfo(ruta).fileName()), hallado));
    }
};

}  // namespace

QSqlDatabase abrirClinica(const QString& ruta, const QString& nombre)
{
    const QString conexion = nombre.isEmpty() ? QString(QSqlDatabase::defaultConnection) : nombre;
    acceso::comprobarEscritura(ruta);
    acceso::bloquear(ruta, conexion);
    QSqlDatabase db;
    AntesDelDiario antes;
    try {
        // Ours from an earlier run that was interrupted; nobody else is at work here now.
        acceso::limpiarTemporales(QFileInfo(ruta).absolutePath());
        // A journal beside our file is a change a crash interrupted: the engine plays it back
        // when the file is first read, and only then do length and first page have to agree.
        const QFileInfo diario(ruta + QStringLiteral("-journal"));
        const bool pendiente = diario.exists() && diario.size() > 0;
        if (QFileInfo::exists(ruta + QStringLiteral("-wal")))
            throw DbError(QStringLiteral("ERROR: El fichero %1 tiene a su lado cambios de otro "
                                         "programa sin terminar (modo WAL). No se ha tocado.")
                              .arg(citado(ruta)));
        verificarCabecera(ruta, !pendiente);
        if (pendiente)
            antes.guardar(ruta);
        db = abrir(ruta, conexion);
        if (pendiente) {
            try {
                leer(db, ruta, QStringLiteral("SELECT COUNT(*) FROM sqlite_schema"));
                verificarCabecera(ruta, true);
                comprobarTablas(db, ruta, false);
                // Every page once, through the connection's own bounded cache: a journal
                // played into a file it does not belong to leaves its trees pointing nowhere.
                QSqlQuery q = leer(db, ruta, QStringLiteral("PRAGMA quick_check"));
                QStringList hallazgos;
                while (q.next() && hallazgos.size() < 3)
                    hallazgos << q.value(0).toString();
                if (hallazgos != QStringList{QStringLiteral("ok")})
                    throw DbError(hallazgos.join(QLatin1Char(' ')).simplified());
            } catch (const DbError& e) {
                throw antes.error(ruta, e.message());
            }
            antes.quitar();
        }
        if (comprobarTablas(db, ruta, false) < kUserVersion)
            actualizar(db, ruta, rutaCopiaAntesDeActualizar(ruta));
        // A fresh file on this connection: a ban on the one it replaced no longer holds.
        if (!comando::motivoProhibicion(conexion).isEmpty())
            comando::prohibirEscritura(QString());
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
    acceso::liberar(conexion);
    if (!QSqlDatabase::contains(conexion))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(conexion, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(conexion);
}

}  // namespace esquema
