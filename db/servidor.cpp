#include "db/servidor.h"

#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/motor.h"
#include "db/traslado.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSettings>
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

// Every object of one schema of the database as text, by kind and name, each reduced so the
// schema's own name does not count: the tables with their columns (type, collation, null,
// default) and rules, the indexes, the triggers, the functions. `espacio` is an SQL
// expression for the schema's oid.
QMap<QString, QString> describir(QSqlDatabase db, const QString& espacio)
{
    static const QRegularExpression prefijo(QStringLiteral("\\b(public|pg_temp(_\\d+)?)\\."));
    QMap<QString, QString> objetos;
    const auto anadir = [&](const QString& clave, const QString& texto) {
        QString t = texto;
        t.remove(prefijo);
        QString& destino = objetos[clave];
        if (!destino.isEmpty())
            destino += QLatin1Char('\n');
        destino += t;
    };
    QSqlQuery q = leer(db, QStringLiteral("SELECT c.relname, c.relkind FROM pg_class c "
                                          "WHERE c.relnamespace = %1 AND c.relkind <> 'i' "
                                          "AND c.relkind <> 't' AND c.relkind <> 'c'")
                               .arg(espacio));
    while (q.next())
        objetos.insert((q.value(1).toString() == QLatin1String("r") ? QStringLiteral("tabla ")
                                                                    : QStringLiteral("objeto "))
                           + q.value(0).toString(),
                       QString());
    q = leer(db, QStringLiteral(
                     "SELECT c.relname, a.attname || ' ' || format_type(a.atttypid, a.atttypmod)"
                     " || ' ' || coalesce((SELECT collname FROM pg_collation"
                     "   WHERE oid = a.attcollation), '')"
                     " || CASE WHEN a.attnotnull THEN ' not null' ELSE '' END"
                     " || coalesce(' default ' || pg_get_expr(d.adbin, d.adrelid), '')"
                     " FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid"
                     " LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum"
                     " WHERE c.relnamespace = %1 AND c.relkind = 'r' AND a.attnum > 0"
                     " AND NOT a.attisdropped ORDER BY c.relname, a.attnum")
                     .arg(espacio));
    while (q.next())
        anadir(QStringLiteral("tabla ") + q.value(0).toString(), q.value(1).toString());
    q = leer(db, QStringLiteral("SELECT c.relname, con.conname || ' ' || "
                                "pg_get_constraintdef(con.oid) FROM pg_constraint con "
                                "JOIN pg_class c ON c.oid = con.conrelid "
                                "WHERE c.relnamespace = %1 ORDER BY c.relname, con.conname")
                     .arg(espacio));
    while (q.next())
        anadir(QStringLiteral("tabla ") + q.value(0).toString(), q.value(1).toString());
    q = leer(db, QStringLiteral("SELECT c.relname, pg_get_indexdef(c.oid) FROM pg_class c "
                                "WHERE c.relnamespace = %1 AND c.relkind = 'i'")
                     .arg(espacio));
    while (q.next())
        anadir(QStringLiteral("índice ") + q.value(0).toString(), q.value(1).toString());
    q = leer(db, QStringLiteral("SELECT t.tgname, pg_get_triggerdef(t.oid) FROM pg_trigger t "
                                "JOIN pg_class c ON c.oid = t.tgrelid "
                                "WHERE c.relnamespace = %1 AND NOT t.tgisinternal")
                     .arg(espacio));
    while (q.next())
        anadir(QStringLiteral("disparador ") + q.value(0).toString(), q.value(1).toString());
    q = leer(db, QStringLiteral("SELECT p.proname, pg_get_functiondef(p.oid) FROM pg_proc p "
                                "WHERE p.pronamespace = %1")
                     .arg(espacio));
    while (q.next())
        anadir(QStringLiteral("función ") + q.value(0).toString(), q.value(1).toString());
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

void comprobar(QSqlDatabase db, const Datos* datos, bool enTransaccion = false)
{
    QMap<QString, QString> esperadas = esperado(db, enTransaccion);
    const QMap<QString, QString> halladas =
        describir(db, QStringLiteral("'public'::regnamespace"));
    for (auto it = halladas.cbegin(); it != halladas.cend(); ++it) {
        const auto e = esperadas.constFind(it.key());
        if (e == esperadas.cend())
            throw DbError(noValida(datos, db, QStringLiteral("contiene %1, que Clinora no crea")
                                                  .arg(nombreDeObjeto(it.key()))));
        if (*e != *it)
            throw DbError(noValida(datos, db,
                                   QStringLiteral("%1 no tiene la definición que crea Clinora "
                                                  "(tipos, claves o reglas distintas)")
                                       .arg(nombreDeObjeto(it.key()))));
        esperadas.remove(it.key());
    }
    if (!esperadas.isEmpty())
        throw DbError(noValida(datos, db, QStringLiteral("le falta %1")
                                              .arg(nombreDeObjeto(esperadas.firstKey()))));
    QSqlQuery contador = leer(db, QStringLiteral("SELECT COUNT(*) FROM tabla_codigo"));
    if (contador.next() && contador.value(0).toInt() > 1)
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
    db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=Clinora;"
                                        "keepalives=1;keepalives_idle=5;keepalives_interval=2;"
                                        "keepalives_count=2;sslmode=")
                         + (datos.cifrado ? QStringLiteral("require") : QStringLiteral("prefer")));
    if (db.open()) {
        // Texts in UTF-8, dates never read by the server: every value is bound as it stands.
        QSqlQuery q(db);
        q.exec(QStringLiteral("SET client_encoding = 'UTF8'"));
        q.exec(QStringLiteral("SET statement_timeout = '30s'"));
        // The server's notices ("drop cascades to…") are nothing the user or a log needs.
        q.exec(QStringLiteral("SET client_min_messages = warning"));
        return db;
    }
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
