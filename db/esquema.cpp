#include "db/esquema.h"

#include "db/acceso.h"
#include "db/citado.h"
#include "db/comando.h"
#include "db/copia.h"
#include "db/error.h"
#include "db/orden.h"
#include "db/reloj.h"
#include "db/verificacion.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlDriver>
#include <QUuid>

#include <algorithm>
#include <iterator>

#include <sqlite3.h>
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

// Version 4: a new patient is looked for among those already registered by his DNI, by his three
// names (their sort keys: accents and case aside), and by his first surname with either
// telephone. Measured on 100,000 patients, a surname alone is some 2,500 rows to read (20 ms);
// each index makes its rule a lookup of a few rows. The surname leads the telephone indexes so
// the engine, which keeps no statistics, prefers them to the surname's own index.
const char* const kIndicesVersion4[] = {
    "CREATE INDEX Paciente_dni ON Paciente (dni)",
    "CREATE INDEX Paciente_nombre_completo ON Paciente (apellido1_orden, apellido2_orden,"
    " nombre_orden)",
    "CREATE INDEX Paciente_tlf1 ON Paciente (apellido1_orden, tlf1)",
    "CREATE INDEX Paciente_tlf2 ON Paciente (apellido1_orden, tlf2)",
};

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
    kIndicesVersion4[0],
    kIndicesVersion4[1],
    kIndicesVersion4[2],
    kIndicesVersion4[3],
    "INSERT INTO tabla_codigo (codigo) VALUES (1)",
};

bool deLaVersion4(const char* sentencia)
{
    return std::find(std::begin(kIndicesVersion4), std::end(kIndicesVersion4), sentencia)
           != std::end(kIndicesVersion4);
}

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

}  // namespace

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

QStringList definiciones(int version)
{
    QStringList d;
    if (version == 1) {
        for (const char* sentencia : kTablasVersion1)
            d << QString::fromLatin1(sentencia);
    } else {
        for (const char* sentencia : kTablas) {
            if ((version >= 3 || (sentencia != kFactura && sentencia != kIndiceFacturaVisita))
                && (version >= 4 || !deLaVersion4(sentencia)))
                d << QString::fromLatin1(sentencia);
        }
    }
    d.removeIf([](const QString& s) { return !s.startsWith(QLatin1String("CREATE ")); });
    return d;
}

QStringList sentenciasCreacion(int version)
{
    QStringList sentencias;
    for (const char* sentencia : kTablas) {
        if (version >= 4 || !deLaVersion4(sentencia))
            sentencias << QString::fromLatin1(sentencia);
    }
    return sentencias;
}

QStringList sentenciasDesde3()
{
    QStringList sentencias;
    for (const char* sentencia : kIndicesVersion4)
        sentencias << QString::fromLatin1(sentencia);
    return sentencias;
}

namespace {

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

// The sort key of a name, for the version upgrade's UPDATE.
void funcionClave(sqlite3_context* contexto, int, sqlite3_value** argumentos)
{
    const auto* texto = reinterpret_cast<const char*>(sqlite3_value_text(argumentos[0]));
    const QByteArray clave = orden::clave(QString::fromUtf8(texto ? texto : "")).toUtf8();
    sqlite3_result_text(contexto, clave.constData(), int(clave.size()), SQLITE_TRANSIENT);
}

// The tables of the current version, tabla_codigo holding 1, in one transaction.
void crear(QSqlDatabase db)
{
    comando::Transaccion t(db);
    for (const char* sentencia : kTablas)
        exec(db, QString::fromLatin1(sentencia));
    exec(db, QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kUserVersion));
    t.commit();
}

}  // namespace

void crearFichero(const QString& ruta)
{
    if (QFileInfo::exists(ruta))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citadoRuta(ruta)));
    // Built under a temporary name and moved into place at the end, so a half-made file never
    // carries the real name; rename refuses to overwrite a file that appeared meanwhile.
    const QString temporal = acceso::nombreTemporal(ruta);
    {
        QFile vacio(temporal);
        if (!vacio.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(QStringLiteral("ERROR: No se puede crear el fichero %1.")
                              .arg(citadoRuta(ruta)));
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
                          .arg(citadoRuta(ruta)));
    }
    QFile::remove(temporal);
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
                          .arg(citadoRuta(db.databaseName()), db.lastError().text()));
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
                              .arg(citadoRuta(ruta)));
        // Step by step from the file's version, all in the one transaction.
        if (version < 2) {
            for (const char* sentencia : kActualizarA2)
                exec(db, QString::fromLatin1(sentencia));
        }
        if (version < 3) {
            for (const char* sentencia : kActualizarA3)
                exec(db, QString::fromLatin1(sentencia));
        }
        for (const QString& sentencia : sentenciasDesde3())
            exec(db, sentencia);
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
                          .arg(citadoRuta(ruta), e.message()));
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
                .arg(citadoRuta(ruta), citado(QFileInfo(ruta).fileName() + QStringLiteral("-journal")),
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
                              .arg(citadoRuta(ruta)));
        verificarCabecera(ruta, !pendiente);
        if (pendiente)
            antes.guardar(ruta);
        db = abrir(ruta, conexion);
        if (pendiente) {
            try {
                comprobarTrasDiario(db, ruta);
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
    comando::olvidarPreparadas(conexion);
    if (!QSqlDatabase::contains(conexion))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(conexion, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(conexion);
}

}  // namespace esquema
