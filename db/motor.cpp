#include "db/motor.h"

#include <QRegularExpression>

namespace motor {

bool esServidor(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

QStringList inicioTransaccion(const QSqlDatabase& db)
{
    if (!esServidor(db))
        return {QStringLiteral("BEGIN IMMEDIATE")};
    // SHARE ROW EXCLUSIVE conflicts with itself and with every write, and not with reads: the
    // desks' write transactions queue, as writers do on the file; plain reads never wait.
    return {QStringLiteral("BEGIN"),
            QStringLiteral("SET LOCAL lock_timeout = '5s'"),
            QStringLiteral("LOCK TABLE tabla_codigo IN SHARE ROW EXCLUSIVE MODE")};
}

QString definicionServidor(const QString& definicionFichero)
{
    static const QRegularExpression estricta(QStringLiteral("\\)\\s*STRICT\\s*$"));
    static const QRegularExpression texto(QStringLiteral("\\bTEXT\\b"));
    static const QRegularExpression entero(QStringLiteral("\\bINTEGER\\b"));
    QString t = definicionFichero;
    t.replace(estricta, QStringLiteral(")"));
    if (t.startsWith(QLatin1String("CREATE TABLE"), Qt::CaseInsensitive)) {
        t.replace(texto, QStringLiteral("TEXT COLLATE \"C\""));
        // The file's integers are 64-bit; where a column holds less, its check says so.
        t.replace(entero, QStringLiteral("BIGINT"));
    }
    return t;
}

QStringList esquemaServidor(const QStringList& sentenciasFichero)
{
    QStringList sentencias;
    for (const QString& s : sentenciasFichero)
        sentencias << definicionServidor(s);
    sentencias << QStringLiteral("CREATE TABLE clinora_cambios (numero BIGINT NOT NULL)")
               << QStringLiteral("INSERT INTO clinora_cambios (numero) VALUES (0)")
               << QStringLiteral(
                      "CREATE FUNCTION clinora_aviso() RETURNS trigger LANGUAGE plpgsql AS $$\n"
                      "BEGIN\n"
                      "  UPDATE clinora_cambios SET numero = numero + 1;\n"
                      "  PERFORM pg_notify('%1', TG_TABLE_NAME);\n"
                      "  RETURN NULL;\n"
                      "END\n"
                      "$$")
                      .arg(kCanalAvisos);
    for (const char* tabla : {"Paciente", "Visita"})
        sentencias << QStringLiteral("CREATE TRIGGER %1_aviso AFTER INSERT OR UPDATE OR DELETE OR "
                                     "TRUNCATE ON %1 FOR EACH STATEMENT EXECUTE FUNCTION "
                                     "clinora_aviso()")
                          .arg(QLatin1String(tabla));
    return sentencias;
}

namespace {

// Wordings of libpq and the server when the connection is gone or never came up.
const char* const kConexion[] = {
    "server closed the connection",
    "no connection to the server",
    "could not connect",
    "connection to server",
    "terminating connection",
    "could not send data",
    "could not receive data",
    "connection refused",
    "timeout expired",
    "the database system is",
    "Connection timed out",
};

QString textoDe(const QSqlError& e)
{
    QString t = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    if (!e.driverText().isEmpty() && !t.contains(e.driverText()))
        t = e.driverText() + QStringLiteral(": ") + t;
    return t.trimmed();
}

}  // namespace

bool conexionPerdida(const QSqlError& e)
{
    const QString codigo = e.nativeErrorCode();
    // Class 08: connection exceptions; 57P01-57P03: the server shutting down or starting.
    if (codigo.startsWith(QLatin1String("08")) || codigo.startsWith(QLatin1String("57P")))
        return true;
    const QString t = textoDe(e);
    for (const char* c : kConexion) {
        if (t.contains(QLatin1String(c), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool deServidor(const QSqlError& e)
{
    // SQLite's result codes have at most four digits; every SQLSTATE has five characters.
    return e.nativeErrorCode().size() == 5 || conexionPerdida(e);
}

QString textoErrorServidor(const QSqlError& e)
{
    const QString codigo = e.nativeErrorCode();
    QString frase;
    if (conexionPerdida(e))
        frase = QStringLiteral("No se puede comunicar con el servidor de datos (puede estar "
                               "apagado o haberse cortado la red). No se ha guardado nada; "
                               "Clinora volverá a conectarse en cuanto el servidor responda.");
    else if (codigo == QLatin1String("23503"))
        frase = QStringLiteral("La base de datos no admite el cambio: una cita debe pertenecer a "
                               "un paciente existente. No se ha guardado nada.");
    else if (codigo == QLatin1String("23505"))
        frase = QStringLiteral("La base de datos no admite el cambio: ya existe un registro con "
                               "ese mismo código (o ese paciente ya tiene una cita ese día). No "
                               "se ha guardado nada.");
    else if (codigo == QLatin1String("23514") || codigo == QLatin1String("23502")
             || codigo.startsWith(QLatin1String("22")))
        frase = QStringLiteral("La base de datos no admite el cambio: algún dato no tiene la "
                               "forma o el tamaño permitidos. No se ha guardado nada.");
    else if (codigo == QLatin1String("55P03") || codigo == QLatin1String("40P01")
             || codigo == QLatin1String("40001"))
        frase = QStringLiteral("Los datos están ocupados por otro puesto que los está cambiando "
                               "en este momento. No se ha guardado nada; inténtelo de nuevo "
                               "dentro de un momento.");
    else if (codigo == QLatin1String("42501"))
        frase = QStringLiteral("El usuario del servidor no tiene permiso para este cambio. No se "
                               "ha guardado nada.");
    else if (codigo == QLatin1String("53100"))
        frase = QStringLiteral("El disco del servidor está lleno: no se ha guardado nada. Los "
                               "datos anteriores siguen intactos.");
    else if (codigo.startsWith(QLatin1String("23")))
        frase = QStringLiteral("La base de datos no admite el cambio porque contradice una de "
                               "sus reglas. No se ha guardado nada.");
    else
        frase = QStringLiteral("La base de datos ha rechazado la operación. No se ha guardado "
                               "nada.");
    return QStringLiteral("Error de la base de datos: ") + frase
           + QStringLiteral("\n\nDetalle: ") + textoDe(e);
}

}  // namespace motor
