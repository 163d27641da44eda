#include "db/comando.h"

#include "db/error.h"
#include "db/motor.h"

#include <QHash>
#include <QSet>
#include <QSqlError>

#include <sqlite3.h>

namespace comando {

namespace {

// Set once the data file is found damaged: from then on nothing is written to it through the
// connection that works on it.
QString& motivoSoloLectura()
{
    static QString motivo;
    return motivo;
}

QString& conexionSoloLectura()
{
    static QString conexion;
    return conexion;
}

bool prohibida(const QSqlDatabase& db)
{
    return !motivoSoloLectura().isEmpty() && db.connectionName() == conexionSoloLectura();
}

// What the user is told for the engine's usual refusals, by primary or extended result code.
QString explicacion(int codigo)
{
    switch (codigo) {
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return QStringLiteral("La base de datos no admite el cambio: una cita debe pertenecer a "
                              "un paciente existente. No se ha guardado nada.");
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return QStringLiteral("La base de datos no admite el cambio: ya existe un registro con "
                              "ese mismo código (o ese paciente ya tiene una cita ese día). No "
                              "se ha guardado nada.");
    case SQLITE_CONSTRAINT_CHECK:
    case SQLITE_CONSTRAINT_NOTNULL:
    case SQLITE_CONSTRAINT_DATATYPE:
        return QStringLiteral("La base de datos no admite el cambio: algún dato no tiene la "
                              "forma o el tamaño permitidos. No se ha guardado nada.");
    default:
        break;
    }
    switch (codigo & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("El fichero de datos está ocupado por otro programa que lo está "
                              "usando en este momento. No se ha guardado nada; inténtelo de "
                              "nuevo dentro de un momento.");
    case SQLITE_READONLY:
        return QStringLiteral("El fichero de datos es de solo lectura: no se puede modificar. "
                              "No se ha guardado nada.");
    case SQLITE_FULL:
        return QStringLiteral("El disco está lleno: no se ha guardado nada. Los datos "
                              "anteriores siguen intactos; libere espacio en el disco y "
                              "vuelva a intentarlo.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("El fichero de datos está dañado. No se ha guardado nada. "
                              "Cargue la última copia de seguridad buena con \"Backup\" › "
                              "\"Cargar copia\".");
    case SQLITE_IOERR:
        return QStringLiteral("No se ha podido leer o escribir el fichero de datos en el disco. "
                              "No se ha guardado nada.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("No se puede abrir el fichero de datos.");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("La base de datos no admite el cambio porque contradice una de "
                              "sus reglas. No se ha guardado nada.");
    default:
        return QString();
    }
}

// Where the driver gave no code, the engine's own wording tells the case.
int codigoDeTexto(const QString& texto)
{
    struct Clave {
        const char* texto;
        int codigo;
    };
    static const Clave claves[] = {
        {"FOREIGN KEY constraint", SQLITE_CONSTRAINT_FOREIGNKEY},
        {"UNIQUE constraint", SQLITE_CONSTRAINT_UNIQUE},
        {"CHECK constraint", SQLITE_CONSTRAINT_CHECK},
        {"NOT NULL constraint", SQLITE_CONSTRAINT_NOTNULL},
        {"cannot store", SQLITE_CONSTRAINT_DATATYPE},
        {"database is locked", SQLITE_BUSY},
        {"database table is locked", SQLITE_LOCKED},
        {"readonly database", SQLITE_READONLY},
        {"read-only", SQLITE_READONLY},
        {"disk is full", SQLITE_FULL},
        {"malformed", SQLITE_CORRUPT},
        {"not a database", SQLITE_NOTADB},
        {"disk I/O error", SQLITE_IOERR},
        {"unable to open", SQLITE_CANTOPEN},
    };
    for (const Clave& c : claves) {
        if (texto.contains(QLatin1String(c.texto), Qt::CaseInsensitive))
            return c.codigo;
    }
    return 0;
}

}  // namespace

QString textoErrorMotor(int codigo, const QString& texto)
{
    if (!motivoSoloLectura().isEmpty()
        && ((codigo & 0xff) == SQLITE_READONLY || codigoDeTexto(texto) == SQLITE_READONLY))
        return motivoSoloLectura();
    QString frase = explicacion(codigo);
    if (frase.isEmpty() || (codigo & 0xff) == SQLITE_CONSTRAINT) {
        // A bare constraint code still leaves the wording to tell which rule it was.
        const QString porTexto = explicacion(codigoDeTexto(texto));
        if (!porTexto.isEmpty())
            frase = porTexto;
    }
    if (frase.isEmpty())
        frase = QStringLiteral("La base de datos ha rechazado la operación. No se ha guardado "
                               "nada.");
    return QStringLiteral("Error de la base de datos: ") + frase
           + QStringLiteral("\n\nDetalle: ") + texto;
}

QString textoError(const QSqlError& e)
{
    if (motor::deServidor(e))
        return motor::textoErrorServidor(e);
    const QString texto = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    bool ok = false;
    const int codigo = e.nativeErrorCode().toInt(&ok);
    return textoErrorMotor(ok ? codigo : 0, texto);
}

void prohibirEscritura(const QString& motivo, const QString& conexion)
{
    motivoSoloLectura() = motivo;
    conexionSoloLectura() = conexion;
}

QString motivoProhibicion(const QString& conexion)
{
    return conexion == conexionSoloLectura() ? motivoSoloLectura() : QString();
}

void enlazar(QSqlQuery& q, const QVariantList& valores)
{
    for (int i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores.at(i);
        // An untouched text box gives a null string; it is stored as the empty text, not NULL.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.bindValue(i, QStringLiteral(""));
        else
            q.bindValue(i, v);
    }
}

namespace {

// A server connection found broken is closed until the server answers again: opened here if it
// does, else the statement fails saying the server cannot be reached (the driver would only say
// it is not open).
void abrirSiCerrada(QSqlDatabase& db)
{
    if (motor::esServidor(db) && !db.isOpen() && !db.open())
        throw DbError(textoError(db.lastError()));
}

}  // namespace

QSqlQuery preparar(const Sql& s, QSqlDatabase db, bool soloAvance)
{
    abrirSiCerrada(db);
    QSqlQuery q(db);
    q.setForwardOnly(soloAvance);
    // The server prepares only queries and changes (not BEGIN, LOCK, SET); a statement with
    // nothing to bind runs as it stands.
    const bool tal = s.values.isEmpty() && motor::esServidor(db);
    bool hecho = tal ? q.exec(s.text) : q.prepare(s.text);
    if (hecho && !tal) {
        enlazar(q, s.values);
        hecho = q.exec();
    }
    if (!hecho) {
        const QSqlError e = q.lastError();
        // The session is gone: what leer kept for it went with it.
        if (motor::conexionPerdida(e))
            olvidarPreparadas(db.connectionName());
        throw DbError(textoError(e));
    }
    return q;
}

namespace {

// The server's prepared statements, by connection and by text. A practice's program runs a few
// dozen texts; a cache grown past any of them is a sign of texts built with values in them, and
// starts over.
constexpr int kMaxPreparadas = 200;

QHash<QString, QHash<QString, QSqlQuery>>& preparadas()
{
    static QHash<QString, QHash<QString, QSqlQuery>> todas;
    return todas;
}

// Connections inside a Transaccion. Their statements are prepared for themselves: had the session
// been opened anew since a statement was kept, its failure would abort the whole transaction.
QSet<QString>& enTransaccion()
{
    static QSet<QString> conexiones;
    return conexiones;
}

// The server answers so for a prepared statement it does not know: the connection was opened
// again since, and the statement went with the old session.
bool sentenciaOlvidada(const QSqlError& e)
{
    return e.nativeErrorCode() == QLatin1String("26000");
}

}  // namespace

QSqlQuery leer(const Sql& s, QSqlDatabase db)
{
    if (s.values.isEmpty() || !motor::esServidor(db)
        || enTransaccion().contains(db.connectionName()))
        return preparar(s, db);
    abrirSiCerrada(db);
    QHash<QString, QSqlQuery>& guardadas = preparadas()[db.connectionName()];
    for (int intento = 0;; ++intento) {
        auto it = guardadas.find(s.text);
        // One kept from a connection of the same name that was closed and made anew.
        if (it != guardadas.end() && it->driver() != db.driver()) {
            guardadas.erase(it);
            it = guardadas.end();
        }
        if (it == guardadas.end()) {
            if (guardadas.size() >= kMaxPreparadas)
                guardadas.clear();
            QSqlQuery nueva(db);
            if (!nueva.prepare(s.text)) {
                const QSqlError e = nueva.lastError();
                if (motor::conexionPerdida(e))
                    guardadas.clear();
                throw DbError(textoError(e));
            }
            it = guardadas.insert(s.text, nueva);
        }
        QSqlQuery q = *it;
        enlazar(q, s.values);
        if (q.exec())
            return q;
        const QSqlError e = q.lastError();
        // The session is gone, or was replaced: none of what it had prepared is there any more.
        // Let go while no transaction of the new one is open, so no release fails inside one.
        if (motor::conexionPerdida(e) || sentenciaOlvidada(e)) {
            q = QSqlQuery();
            guardadas.clear();
        }
        if (intento > 0 || !sentenciaOlvidada(e))
            throw DbError(textoError(e));
    }
}

void olvidarPreparadas(const QString& conexion)
{
    preparadas().remove(conexion);
}

int ejecutar(const Sql& s, QSqlDatabase db)
{
    if (prohibida(db))
        throw DbError(motivoSoloLectura());
    QSqlQuery q = leer(s, db);
    return q.numRowsAffected();
}

bool insertarSiSigueLibre(const Sql& insercion, const std::function<bool()>& yaExiste,
                          QSqlDatabase db)
{
    try {
        ejecutar(insercion, db);
    } catch (const DbError&) {
        if (prohibida(db))
            throw;
        if (yaExiste())
            return false;
        throw;
    }
    return true;
}

QVariant valor(const Sql& s, QSqlDatabase db)
{
    QSqlQuery q = leer(s, db);
    if (!q.next())
        return {};
    return q.value(0);
}

QStringList columna(const Sql& s, QSqlDatabase db)
{
    QSqlQuery q = leer(s, db);
    QStringList valores;
    while (q.next())
        valores << q.value(0).toString();
    return valores;
}

// The driver's transaction() sends a plain BEGIN, which takes the write lock only at the first
// write: a read-then-write change could then meet another writer half-way and fail at once as
// "locked". BEGIN IMMEDIATE takes the write lock up front, waiting out the busy timeout.
Transaccion::Transaccion(QSqlDatabase db) : db_(db)
{
    if (prohibida(db_))
        throw DbError(motivoSoloLectura());
    const QStringList inicio = motor::inicioTransaccion(db_);
    preparar(Sql{inicio.front(), {}}, db_);
    abierta_ = true;
    enTransaccion().insert(db_.connectionName());
    try {
        for (qsizetype i = 1; i < inicio.size(); ++i)
            preparar(Sql{inicio.at(i), {}}, db_);
    } catch (...) {
        // A constructor that throws runs no destructor: the open transaction ends here.
        QSqlQuery q(db_);
        q.exec(QStringLiteral("ROLLBACK"));
        abierta_ = false;
        enTransaccion().remove(db_.connectionName());
        throw;
    }
}

Transaccion::~Transaccion()
{
    if (!abierta_)
        return;
    enTransaccion().remove(db_.connectionName());
    QSqlQuery q(db_);
    q.exec(QStringLiteral("ROLLBACK"));
}

void Transaccion::commit()
{
    preparar(Sql{QStringLiteral("COMMIT"), {}}, db_);
    abierta_ = false;
    enTransaccion().remove(db_.connectionName());
}

}  // namespace comando
