#include "db/servidor.h"

#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/motor.h"
#include "db/traslado.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QSqlError>
#include <QSqlQuery>

namespace servidor {

namespace {

QString valor(const QSettings& ini, const char* clave)
{
    const QVariant v = ini.value(kGrupo + QLatin1Char('/') + QLatin1String(clave));
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", ")).trimmed();
    return v.toString().trimmed();
}

// Statements are run as they stand: definitions hold no values to bind.
void ejecutarTal(QSqlDatabase db, const QString& texto)
{
    QSqlQuery q(db);
    if (!q.exec(texto))
        throw DbError(comando::textoError(q.lastError()));
}

QSqlQuery leer(QSqlDatabase db, const QString& texto)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(texto))
        throw DbError(comando::textoError(q.lastError()));
    return q;
}

QString noValida(const Datos* datos, const QSqlDatabase& db, const QString& motivo)
{
    const QString donde = datos ? datos->descripcion()
                                : QStringLiteral("«%1» en «%2»").arg(db.databaseName(),
                                                                     db.hostName());
    return QStringLiteral("ERROR: La base de datos %1 no es una base de datos de Clinora válida: "
                          "%2. No se ha tocado.")
        .arg(donde, motivo);
}

// Read with the description of the practice's own schema: the server's version, which decides
// how it writes definitions out, and the rows of the counter table (its count read through
// query_to_xml, so a database without the table answers instead of failing).
struct Datos0 {
    QString version;
    int filasCodigo = 0;
};
const QString kDatos0 = QStringLiteral(
    " SELECT 0 AS parte, 'version' AS nombre, current_setting('server_version_num') AS texto,"
    "  0 AS o1, '' AS o2"
    " UNION ALL SELECT 0, 'tabla_codigo', CASE WHEN to_regclass('public.tabla_codigo') IS NULL"
    "  THEN '0' ELSE CAST((xpath('/row/n/text()', query_to_xml("
    "  'SELECT count(*) AS n FROM public.tabla_codigo', false, true, '')))[1] AS text) END, 0, ''"
    " UNION ALL");

// Every object of one schema of the database as text, by kind and name, each reduced so the
// schema's own name does not count: the tables with their columns (type, collation, null,
// default) and rules, the indexes, the triggers, the functions. `espacio` is an SQL
// expression for the schema's oid. One statement, one exchange with the server.
QMap<QString, QString> describir(QSqlDatabase db, const QString& espacio,
                                 Datos0* datos0 = nullptr)
{
    static const QRegularExpression prefijo(QStringLiteral("\\b(public|pg_temp(_\\d+)?)\\."));
    QMap<QString, QString> objetos;
    QSqlQuery q = leer(db, QStringLiteral(
        "SELECT parte, nombre, texto FROM (%2"
        " SELECT 1 AS parte, c.relname AS nombre, CAST(c.relkind AS text) AS texto,"
        "  0 AS o1, '' AS o2 FROM pg_class c WHERE c.relnamespace = %1"
        "  AND c.relkind <> 'i' AND c.relkind <> 't' AND c.relkind <> 'c'"
        " UNION ALL SELECT 2, c.relname, a.attname || ' ' || format_type(a.atttypid, a.atttypmod)"
        "  || ' ' || coalesce((SELECT collname FROM pg_collation WHERE oid = a.attcollation), '')"
        "  || CASE WHEN a.attnotnull THEN ' not null' ELSE '' END"
        "  || coalesce(' default ' || pg_get_expr(d.adbin, d.adrelid), ''), a.attnum, ''"
        "  FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid"
        "  LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum"
        "  WHERE c.relnamespace = %1 AND c.relkind = 'r' AND a.attnum > 0"
        "  AND NOT a.attisdropped"
        " UNION ALL SELECT 3, c.relname, con.conname || ' ' || pg_get_constraintdef(con.oid), 0,"
        "  CAST(con.conname AS text) FROM pg_constraint con JOIN pg_class c ON c.oid = con.conrelid"
        "  WHERE c.relnamespace = %1"
        " UNION ALL SELECT 4, c.relname, pg_get_indexdef(c.oid), 0, '' FROM pg_class c"
        "  WHERE c.relnamespace = %1 AND c.relkind = 'i'"
        " UNION ALL SELECT 5, t.tgname, pg_get_triggerdef(t.oid), 0, '' FROM pg_trigger t"
        "  JOIN pg_class c ON c.oid = t.tgrelid WHERE c.relnamespace = %1 AND NOT t.tgisinternal"
        " UNION ALL SELECT 6, p.proname, pg_get_functiondef(p.oid), 0, '' FROM pg_proc p"
        "  WHERE p.pronamespace = %1"
        ") AS objetos ORDER BY parte, nombre COLLATE \"C\", o1, o2 COLLATE \"C\"")
                                  .arg(espacio, datos0 ? kDatos0 : QString()));
    while (q.next()) {
        const int parte = q.value(0).toInt();
        const QString nombre = q.value(1).toString();
        if (parte == 0) {
            if (nombre == QLatin1String("version"))
                datos0->version = q.value(2).toString();
            else
                datos0->filasCodigo = q.value(2).toInt();
            continue;
        }
        if (parte == 1) {
            objetos.insert((q.value(2).toString() == QLatin1String("r") ? QStringLiteral("tabla ")
                                                                        : QStringLiteral("objeto "))
                               + nombre,
                           QString());
            continue;
        }
        static const char* const kTipos[] = {"", "", "tabla ", "tabla ", "índice ",
                                             "disparador ", "función "};
        QString t = q.value(2).toString();
        t.remove(prefijo);
        QString& destino = objetos[QString::fromUtf8(kTipos[parte]) + nombre];
        if (!destino.isEmpty())
            destino += QLatin1Char('\n');
        destino += t;
    }
    return objetos;
}

QString nombreDeObjeto(const QString& clave)
{
    const qsizetype blanco = clave.indexOf(QLatin1Char(' '));
    const QString tipo = clave.left(blanco);
    const QString nombre = QStringLiteral("\"") + clave.mid(blanco + 1) + QStringLiteral("\"");
    if (tipo == QLatin1String("tabla"))
        return QStringLiteral("la tabla ") + nombre;
    if (tipo == QStringLiteral("índice"))
        return QStringLiteral("el índice ") + nombre;
    if (tipo == QLatin1String("disparador"))
        return QStringLiteral("el disparador ") + nombre;
    if (tipo == QStringLiteral("función"))
        return QStringLiteral("la función ") + nombre;
    return QStringLiteral("el objeto ") + nombre;
}

// What Clinora's tables of `version` look like on this server: made from the same definitions
// in the session's temporary schema, inside a transaction that is rolled back, and described
// there.
QMap<QString, QString> esperado(QSqlDatabase db, bool enTransaccion,
                                int version = esquema::kUserVersion)
{
    const QString inicio = enTransaccion ? QStringLiteral("SAVEPOINT esperado")
                                         : QStringLiteral("BEGIN");
    const QString deshacer = enTransaccion ? QStringLiteral("ROLLBACK TO SAVEPOINT esperado")
                                           : QStringLiteral("ROLLBACK");
    ejecutarTal(db, inicio);
    QMap<QString, QString> objetos;
    try {
        static const QRegularExpression crearTabla(QStringLiteral("^CREATE TABLE "),
                                                   QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression crearFuncion(
            QStringLiteral("^CREATE FUNCTION "), QRegularExpression::CaseInsensitiveOption);
        for (QString s : motor::esquemaServidor(esquema::sentenciasCreacion(version))) {
            if (s.startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive))
                continue;
            s.replace(crearTabla, QStringLiteral("CREATE TEMP TABLE "));
            s.replace(crearFuncion, QStringLiteral("CREATE FUNCTION pg_temp."));
            // Functions are not looked up in the temporary schema unless named with it.
            s.replace(QStringLiteral("EXECUTE FUNCTION "), QStringLiteral("EXECUTE FUNCTION pg_temp."));
            ejecutarTal(db, s);
        }
        objetos = describir(db, QStringLiteral("pg_my_temp_schema()"));
    } catch (...) {
        QSqlQuery(db).exec(deshacer);
        throw;
    }
    ejecutarTal(db, deshacer);
    return objetos;
}

// Descriptions of a server's tables already found to be exactly what this build of Clinora
// creates, on a server of the same version: one seen again is not compared again, which spares
// every later start the making of the expected tables. Kept per desk, in its cache folder; a
// description that differs in anything is compared in full as always.
QString rutaHuellas()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/Clinora/esquemas-comprobados");
}

QByteArray huella(const QMap<QString, QString>& objetos, const QString& version)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    const auto anadir = [&h](const QString& t) {
        h.addData(t.toUtf8());
        h.addData(QByteArrayView("\0", 1));
    };
    for (const QString& s : motor::esquemaServidor(esquema::sentenciasCreacion()))
        anadir(s);
    anadir(version);
    for (auto it = objetos.cbegin(); it != objetos.cend(); ++it) {
        anadir(it.key());
        anadir(it.value());
    }
    return h.result().toHex();
}

bool conocida(const QByteArray& h)
{
    QFile f(rutaHuellas());
    return f.open(QIODevice::ReadOnly) && f.readAll().split('\n').contains(h);
}

void recordar(const QByteArray& h)
{
    // A few servers at most: the file is kept short, the newest last.
    QList<QByteArray> lineas;
    QFile f(rutaHuellas());
    if (f.open(QIODevice::ReadOnly))
        lineas = f.readAll().split('\n');
    f.close();
    lineas.removeAll(QByteArray());
    lineas.removeAll(h);
    lineas.append(h);
    while (lineas.size() > 20)
        lineas.removeFirst();
    QDir().mkpath(QFileInfo(f).absolutePath());
    QSaveFile nuevo(rutaHuellas());
    if (nuevo.open(QIODevice::WriteOnly)) {
        nuevo.write(lineas.join('\n') + '\n');
        nuevo.commit();
    }
}

void comprobar(QSqlDatabase db, const Datos* datos, bool enTransaccion = false)
{
    Datos0 datos0;
    const QMap<QString, QString> halladas =
        describir(db, QStringLiteral("'public'::regnamespace"), &datos0);
    const QByteArray vista = huella(halladas, datos0.version);
    if (!conocida(vista)) {
        QMap<QString, QString> esperadas = esperado(db, enTransaccion);
        for (auto it = halladas.cbegin(); it != halladas.cend(); ++it) {
            const auto e = esperadas.constFind(it.key());
            if (e == esperadas.cend())
                throw DbError(noValida(datos, db,
                                       QStringLiteral("contiene %1, que Clinora no crea")
                                           .arg(nombreDeObjeto(it.key()))));
            if (*e != *it)
                throw DbError(noValida(datos, db,
                                       QStringLiteral("%1 no tiene la definición que crea "
                                                      "Clinora (tipos, claves o reglas distintas)")
                                           .arg(nombreDeObjeto(it.key()))));
            esperadas.remove(it.key());
        }
        if (!esperadas.isEmpty())
            throw DbError(noValida(datos, db, QStringLiteral("le falta %1")
                                                  .arg(nombreDeObjeto(esperadas.firstKey()))));
        recordar(vista);
    }
    if (datos0.filasCodigo > 1)
        throw DbError(noValida(datos, db, QStringLiteral("la tabla \"tabla_codigo\" debe tener "
                                                         "una sola fila")));
}

// A server made by the release before (version 3) lacks only the indexes version 4 adds. They
// are made in one transaction under the lock every desk's writes take, so two desks starting at
// once do it once; a copy of the data is kept in a clinic file first. Anything else that differs
// is left for comprobar to name: false then.
bool ponerAlDia(QSqlDatabase db, const Datos* datos, const QString& rutaCopia)
{
    const QString publico = QStringLiteral("'public'::regnamespace");
    if (describir(db, publico) != esperado(db, false, 3))
        return false;
    if (!rutaCopia.isEmpty())
        traslado::bajar(db, rutaCopia);
    try {
        for (const QString& s : motor::inicioTransaccion(db))
            ejecutarTal(db, s);
        // Another desk may have done it while this one waited for the lock.
        if (describir(db, publico) == esperado(db, true, 3)) {
            for (const QString& s : esquema::sentenciasDesde3())
                ejecutarTal(db, motor::definicionServidor(s));
        }
        comprobar(db, datos, true);
        ejecutarTal(db, QStringLiteral("COMMIT"));
        return true;
    } catch (const DbError& e) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw DbError(QStringLiteral("ERROR: La base de datos %1 es de una versión anterior de "
                                     "Clinora y no se ha podido poner al día; sigue como "
                                     "estaba. El administrador del servidor puede ponerla al "
                                     "día con «clinora-bd servidor actualizar».\n\n%2")
                          .arg(datos ? datos->descripcion() : db.databaseName(), e.message()));
    }
}

}  // namespace

QString Datos::descripcion() const
{
    return QStringLiteral("«%1» en «%2:%3»").arg(base, anfitrion).arg(puerto);
}

std::optional<Datos> leer(const QString& rutaIni)
{
    if (!QFileInfo(rutaIni).isFile())
        return std::nullopt;
    const QSettings ini(rutaIni, QSettings::IniFormat);
    if (!ini.childGroups().contains(kGrupo))
        return std::nullopt;
    Datos d;
    d.anfitrion = valor(ini, "Anfitrion");
    if (d.anfitrion.isEmpty())
        d.anfitrion = QStringLiteral("localhost");
    bool ok = false;
    const int puerto = valor(ini, "Puerto").toInt(&ok);
    if (ok && puerto > 0 && puerto < 65536)
        d.puerto = puerto;
    const QString base = valor(ini, "Base");
    if (!base.isEmpty())
        d.base = base;
    d.usuario = valor(ini, "Usuario");
    const QString cifrado = valor(ini, "Cifrado").toLower();
    d.cifrado = cifrado == QLatin1String("si") || cifrado == QStringLiteral("sí");
    return d;
}

QSqlDatabase conectar(const Datos& datos, const QString& contrasena, const QString& nombre,
                      bool* faltaContrasena)
{
    const QString conexion = nombre.isEmpty() ? QString(QSqlDatabase::defaultConnection) : nombre;
    if (faltaContrasena)
        *faltaContrasena = false;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), conexion);
    db.setHostName(datos.anfitrion);
    db.setPort(datos.puerto);
    db.setDatabaseName(datos.base);
    db.setUserName(datos.usuario);
    db.setPassword(contrasena);
    // Short waits: a server away must not hold the start or a write for long. Keepalives find
    // a cut connection within seconds instead of the system's two hours.
    // Texts in UTF-8, dates never read by the server: every value is bound as it stands. No
    // statement runs for longer than 30 s, and the server's notices ("drop cascades to…") are
    // nothing the user or a log needs. A practice's tables are small enough to live in the
    // server's memory, where reading a row by its key costs about what reading in order does:
    // said so, the planner finds a day's patients by their key instead of reading them all.
    // All set as the connection opens, not one by one after.
    db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=Clinora;"
                                        "keepalives=1;keepalives_idle=5;keepalives_interval=2;"
                                        "keepalives_count=2;client_encoding=UTF8;"
                                        "options='-c statement_timeout=30s "
                                        "-c client_min_messages=warning -c random_page_cost=1.1';"
                                        "sslmode=")
                         + (datos.cifrado ? QStringLiteral("require") : QStringLiteral("prefer")));
    if (db.open())
        return db;
    const QString detalle = db.lastError().text();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(conexion);
    const bool contrasenaMal =
        detalle.contains(QLatin1String("password"), Qt::CaseInsensitive);
    if (faltaContrasena)
        *faltaContrasena = contrasenaMal;
    QString motivo;
    if (contrasenaMal)
        motivo = QStringLiteral("El servidor no acepta el usuario «%1» con esa contraseña. "
                                "Compruebe el usuario (Usuario= en clinora.ini) y la "
                                "contraseña.")
                     .arg(datos.usuario);
    else if (detalle.contains(QLatin1String("does not exist")))
        motivo = QStringLiteral("El servidor responde, pero no tiene esa base de datos o ese "
                                "usuario. Compruebe Base= y Usuario= en clinora.ini.");
    else if (detalle.contains(QLatin1String("SSL"), Qt::CaseInsensitive))
        motivo = QStringLiteral("El servidor no ofrece conexión cifrada, y clinora.ini la exige "
                                "(Cifrado=si).");
    else
        motivo = QStringLiteral("Compruebe que el servidor está encendido y PostgreSQL en "
                                "marcha, que este puesto llega a él por la red (Anfitrion= y "
                                "Puerto= en clinora.ini), y el usuario y la contraseña.");
    throw DbError(QStringLiteral("ERROR: No se puede conectar con el servidor de datos %1. %2 "
                                 "Clinora se cierra sin haber tocado nada.\n\nDetalle: %3")
                      .arg(datos.descripcion(), motivo, detalle.trimmed()));
}

void crear(QSqlDatabase db)
{
    QSqlQuery q = leer(db, QStringLiteral("SELECT COUNT(*) FROM pg_class "
                                          "WHERE relnamespace = 'public'::regnamespace"));
    if (q.next() && q.value(0).toInt() != 0)
        throw DbError(QStringLiteral("ERROR: La base de datos «%1» del servidor ya tiene tablas; "
                                     "Clinora solo crea las suyas en una base de datos vacía. "
                                     "No se ha tocado.")
                          .arg(db.databaseName()));
    ejecutarTal(db, QStringLiteral("BEGIN"));
    try {
        for (const QString& s : motor::esquemaServidor(esquema::sentenciasCreacion()))
            ejecutarTal(db, s);
        comprobar(db, nullptr, true);
        ejecutarTal(db, QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

bool actualizar(QSqlDatabase db, const QString& rutaCopia)
{
    if (ponerAlDia(db, nullptr, rutaCopia))
        return true;
    comprobar(db, nullptr);
    return false;
}

void verificar(QSqlDatabase db)
{
    comprobar(db, nullptr);
}

QSqlDatabase abrirClinica(const Datos& datos, const QString& contrasena, const QString& nombre,
                          bool* faltaContrasena, const QString& rutaCopia)
{
    QSqlDatabase db = conectar(datos, contrasena, nombre, faltaContrasena);
    try {
        try {
            comprobar(db, &datos);
        } catch (const DbError&) {
            if (!ponerAlDia(db, &datos, rutaCopia))
                throw;
        }
    } catch (...) {
        db = QSqlDatabase();
        esquema::cerrar(nombre);
        throw;
    }
    return db;
}

}  // namespace servidor
