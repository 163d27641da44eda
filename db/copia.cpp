#include "db/copia.h"

#include "db/error.h"
#include "db/esquema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QUuid>

#include <sqlite3.h>

#include <filesystem>

namespace copia {

namespace {

sqlite3* manejador(QSqlDatabase db)
{
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0 || !db.isOpen())
        throw DbError(QStringLiteral("ERROR: La base de datos no está abierta."));
    return *static_cast<sqlite3* const*>(v.constData());
}

// Closes the handle on every path out.
struct Conexion {
    sqlite3* h = nullptr;
    ~Conexion() { sqlite3_close(h); }
};

QString mensajeSqlite(sqlite3* h)
{
    return QString::fromUtf8(sqlite3_errmsg(h));
}

// Copies the whole of `origen` into `destino` in one step; the destination's write
// transaction commits only when everything was copied.
void copiarTodo(sqlite3* destino, sqlite3* origen)
{
    sqlite3_backup* b = sqlite3_backup_init(destino, "main", origen, "main");
    if (!b)
        throw DbError(QStringLiteral("ERROR: No se puede hacer la copia: ") + mensajeSqlite(destino));
    const int paso = sqlite3_backup_step(b, -1);
    const int fin = sqlite3_backup_finish(b);
    if (paso != SQLITE_DONE || fin != SQLITE_OK)
        throw DbError(QStringLiteral("ERROR: La copia no se ha podido completar: ")
                      + QString::fromUtf8(sqlite3_errstr(paso != SQLITE_DONE ? paso : fin)));
}

QString citado(const QString& ruta)
{
    return QStringLiteral("«") + ruta + QStringLiteral("»");
}

}  // namespace

void guardar(QSqlDatabase db, const QString& destino)
{
    sqlite3* vivo = manejador(db);
    const QFileInfo info(destino);
    const QString temporal = info.absolutePath() + QStringLiteral("/.") + info.fileName()
                             + QStringLiteral(".") + QUuid::createUuid().toString(QUuid::Id128).left(8)
                             + QStringLiteral(".tmp");
    {
        // Created empty and private before any patient data is written into it.
        QFile vacio(temporal);
        if (!vacio.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(QStringLiteral("ERROR: No se puede escribir en la carpeta %1.")
                              .arg(citado(info.absolutePath())));
        vacio.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    try {
        {
            Conexion copia;
            if (sqlite3_open_v2(QFile::encodeName(temporal).constData(), &copia.h,
                                SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
                throw DbError(QStringLiteral("ERROR: No se puede crear la copia %1.")
                                  .arg(citado(destino)));
            sqlite3_exec(copia.h, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
            copiarTodo(copia.h, vivo);
        }
        esquema::verificarFicheroCompleto(temporal, esquema::Comprobacion::Rapida);
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(temporal).constData(),
                                QFile::encodeName(destino).constData(), error);
        if (error)
            throw DbError(QStringLiteral("ERROR: No se puede guardar la copia en %1.")
                              .arg(citado(destino)));
    } catch (...) {
        QFile::remove(temporal);
        throw;
    }
}

void cargar(QSqlDatabase db, const QString& origen, const QString& copiaSeguridad)
{
    esquema::verificarFicheroCompleto(origen);
    sqlite3* vivo = manejador(db);
    Conexion fuente;
    if (sqlite3_open_v2(QFile::encodeName(origen).constData(), &fuente.h, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK)
        throw DbError(QStringLiteral("ERROR: No se puede abrir la copia %1.").arg(citado(origen)));
    guardar(db, copiaSeguridad);
    copiarTodo(vivo, fuente.h);
}

}  // namespace copia
