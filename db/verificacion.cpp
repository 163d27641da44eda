#include "db/verificacion.h"

#include "db/citado.h"
#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <sqlite3.h>
#include <thread>

namespace esquema {

namespace {

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
QHash<QString, QString> definicionesNormalizadas(int version)
{
    static const QRegularExpression nombre(
        QStringLiteral("^CREATE (?:TABLE|INDEX) (\\w+)"), QRegularExpression::CaseInsensitiveOption);
    QHash<QString, QString> mapa;
    for (const QString& texto : definiciones(version)) {
        const QRegularExpressionMatch m = nombre.match(texto);
        if (m.hasMatch())
            mapa.insert(m.captured(1).toLower(), normalizado(texto));
    }
    return mapa;
}

DbError danado(const QString& ruta, const QString& detalle)
{
    return DbError(QStringLiteral("ERROR: El fichero %1 está dañado y no se puede usar (%2). No "
                                  "se ha tocado. Si es el fichero de datos, cargue la última "
                                  "copia de seguridad buena con \"Backup\" › \"Cargar copia\".")
                       .arg(citadoRuta(ruta), detalle));
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
                          .arg(citadoRuta(ruta), db.lastError().text()));
    return db;
}

quint32 entero(const QByteArray& b, int i, int bytes)
{
    quint32 v = 0;
    for (int k = 0; k < bytes; ++k)
        v = (v << 8) | quint8(b.at(i + k));
    return v;
}

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

QString noValida(const QString& ruta, const QString& motivo)
{
    return QStringLiteral("ERROR: El fichero %1 no es una base de datos de Clinora válida: %2. "
                          "No se ha tocado.")
        .arg(citadoRuta(ruta), motivo);
}

int versionDe(QSqlDatabase db, const QString& ruta)
{
    QSqlQuery q = leer(db, ruta, QStringLiteral("PRAGMA user_version"));
    const int version = q.next() ? q.value(0).toInt() : 0;
    if (version > kUserVersion)
        throw DbError(QStringLiteral("ERROR: El fichero %1 es de una versión más reciente de "
                                     "Clinora y este programa no puede usarlo. No se ha tocado.")
                          .arg(citadoRuta(ruta)));
    if (version < 1)
        throw DbError(noValida(ruta, QStringLiteral("no indica qué versión de Clinora lo creó")));
    return version;
}

// Our definitions are the tables' and the indexes' whole text: types, keys, the unique pair, the
// foreign key, the checks. Anything else of its own in the file is refused.
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
    QHash<QString, QString> esperadas = definicionesNormalizadas(version);
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

void verificarCabecera(const QString& ruta, bool completa)
{
    // The header and the first page are read as plain bytes first, so a file of another kind, or
    // one whose start is damaged, is never handed to the engine at all.
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("ERROR: No se puede leer el fichero %1. No se ha tocado.")
                          .arg(citadoRuta(ruta)));
    const qint64 longitud = f.size();
    const QByteArray cabecera = f.read(100);
    if (longitud == 0)
        throw DbError(QStringLiteral("ERROR: El fichero %1 está vacío: no es una base de datos "
                                     "de Clinora. No se ha tocado.")
                          .arg(citadoRuta(ruta)));
    if (cabecera.size() < 100 || !cabecera.startsWith(QByteArray("SQLite format 3\0", 16)))
        throw DbError(QStringLiteral("ERROR: El fichero %1 no es una base de datos de Clinora "
                                     "(no es una base de datos SQLite o su cabecera está dañada). "
                                     "No se ha tocado.")
                          .arg(citadoRuta(ruta)));
    if (entero(cabecera, 68, 4) != quint32(kApplicationId))
        throw DbError(QStringLiteral("ERROR: El fichero %1 es una base de datos de otro programa, "
                                     "no de Clinora. No se ha tocado.")
                          .arg(citadoRuta(ruta)));
    if (entero(cabecera, 60, 4) > quint32(kUserVersion))
        throw DbError(QStringLiteral("ERROR: El fichero %1 es de una versión más reciente de "
                                     "Clinora y este programa no puede usarlo. No se ha tocado.")
                          .arg(citadoRuta(ruta)));
    if (quint8(cabecera.at(18)) == 2 || quint8(cabecera.at(19)) == 2)
        throw DbError(QStringLiteral(
            "ERROR: El fichero %1 ha sido modificado con otro programa (está en modo WAL, que "
            "Clinora no usa), así que no se sabe si sus datos están completos. No se ha tocado.")
                          .arg(citadoRuta(ruta)));
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

// A journal beside a file that we only read would have to be played back into it first; for a
// file from outside that is a change we do not make.
void sinDiarioPendiente(const QString& ruta)
{
    const QFileInfo diario(ruta + QStringLiteral("-journal"));
    if (diario.exists() && diario.size() > 0)
        throw DbError(QStringLiteral("ERROR: El fichero %1 tiene a su lado un diario de cambios "
                                     "sin terminar (%2): otro programa se interrumpió mientras "
                                     "lo modificaba. No se ha tocado ninguno de los dos.")
                          .arg(citadoRuta(ruta), citado(diario.fileName())));
    if (QFileInfo::exists(ruta + QStringLiteral("-wal")))
        throw DbError(QStringLiteral("ERROR: El fichero %1 tiene a su lado cambios de otro "
                                     "programa sin terminar (%2). No se ha tocado.")
                          .arg(citadoRuta(ruta), citado(QFileInfo(ruta).fileName() + "-wal")));
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

int verificarFicheroCompleto(const QString& ruta, Comprobacion comprobacion)
{
    const int version = verificarFichero(ruta);
    int codigo = SQLITE_OK;
    const QString resultado = comprobarIntegridad(ruta, comprobacion, &codigo);
    if (codigo != SQLITE_OK)
        throw danado(ruta, QStringLiteral("la comprobación de integridad ha fallado: ")
                               + resultado);
    return version;
}

void comprobarTrasDiario(QSqlDatabase db, const QString& ruta)
{
    leer(db, ruta, QStringLiteral("SELECT COUNT(*) FROM sqlite_schema"));
    verificarCabecera(ruta, true);
    comprobarTablas(db, ruta, false);
    // Every page once, through the connection's own bounded cache: a journal played into a file
    // it does not belong to leaves its trees pointing nowhere.
    QSqlQuery q = leer(db, ruta, QStringLiteral("PRAGMA quick_check"));
    QStringList hallazgos;
    while (q.next() && hallazgos.size() < 3)
        hallazgos << q.value(0).toString();
    if (hallazgos != QStringList{QStringLiteral("ok")})
        throw DbError(hallazgos.join(QLatin1Char(' ')).simplified());
}

}  // namespace esquema
