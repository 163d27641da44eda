#include "db/copia.h"

#include "db/acceso.h"
#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/vigilancia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QUuid>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

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

QString citado(const QString& ruta)
{
    return QStringLiteral("«") + QDir::toNativeSeparators(ruta) + QStringLiteral("»");
}

DbError fallo(const QString& que, int codigo, const QString& detalle)
{
    return DbError(que + QStringLiteral("\n\n") + comando::textoErrorMotor(codigo, detalle));
}

// Copies the whole of `origen` into `destino` in one step; the destination's write
// transaction commits only when everything was copied.
void copiarTodo(sqlite3* destino, sqlite3* origen, const QString& que)
{
    sqlite3_backup* b = sqlite3_backup_init(destino, "main", origen, "main");
    if (!b)
        throw fallo(que, sqlite3_extended_errcode(destino),
                    QString::fromUtf8(sqlite3_errmsg(destino)));
    const int paso = sqlite3_backup_step(b, -1);
    const int fin = sqlite3_backup_finish(b);
    if (paso != SQLITE_DONE || fin != SQLITE_OK) {
        const int codigo = paso != SQLITE_DONE ? paso : fin;
        throw fallo(que, codigo, QString::fromUtf8(sqlite3_errstr(codigo)));
    }
}

// The copy written to a private temporary beside `destino` and moved into place once
// complete. `comprobar`: whether the copy is checked before it takes the name.
void guardarEn(QSqlDatabase db, const QString& destino, bool comprobar)
{
    sqlite3* vivo = manejador(db);
    const QFileInfo info(destino);
    const QString que = QStringLiteral("ERROR: No se ha podido guardar la copia en %1; no se ha "
                                       "guardado nada.")
                            .arg(citado(destino));
    // What an interrupted save left here before is ours to remove.
    acceso::limpiarTemporales(info.absolutePath());
    const QString temporal = acceso::nombreTemporal(destino);
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
            copiarTodo(copia.h, vivo, que);
        }
        if (comprobar) {
            int codigo = SQLITE_OK;
            const QString resultado =
                esquema::comprobarIntegridad(temporal, esquema::Comprobacion::Rapida, &codigo);
            if ((codigo & 0xff) == SQLITE_CORRUPT || (codigo & 0xff) == SQLITE_NOTADB) {
                // The copy holds the live pages as they are: it is the live file that is damaged.
                vigilancia::declararDanado(db, db.databaseName());
                throw DbError(vigilancia::mensajeDanado(db.databaseName())
                              + QStringLiteral("\n\nNo se ha guardado la copia %1.\n\nDetalle: %2")
                                    .arg(citado(destino), resultado));
            }
            if (codigo != SQLITE_OK)
                throw fallo(que, codigo, resultado);
            esquema::verificarFichero(temporal);
        }
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(temporal).constData(),
                                QFile::encodeName(destino).constData(), error);
        if (error)
            throw DbError(QStringLiteral("ERROR: No se puede guardar la copia en %1.")
                              .arg(citado(destino)));
    } catch (...) {
        QFile::remove(temporal);
        QFile::remove(temporal + QStringLiteral("-journal"));
        throw;
    }
}

// The full check of a backup on a thread of its own; read once `hecho` is set.
class ComprobacionEnParalelo {
public:
    explicit ComprobacionEnParalelo(const QString& ruta)
        : hilo_([this, ruta] {
              resultado_ = esquema::comprobarIntegridad(ruta, esquema::Comprobacion::Completa,
                                                        &codigo_);
              hecho_ = true;
          })
    {
    }
    ~ComprobacionEnParalelo() { hilo_.join(); }
    bool hecho() const { return hecho_; }
    void esperar(const Progreso& progreso)
    {
        while (!hecho_) {
            if (progreso)
                progreso(0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    }
    int codigo() const { return codigo_; }
    const QString& resultado() const { return resultado_; }

private:
    std::atomic<bool> hecho_{false};
    int codigo_ = SQLITE_OK;
    QString resultado_;
    std::thread hilo_;
};

// A backup of the first release, copied to a temporary beside it and brought up to date there;
// the backup itself stays as it is. Removed when the object goes.
class Actualizada {
public:
    // Made beside `junto` (in the live data's folder), as the backup's own may be read-only.
    Actualizada(const QString& origen, const QString& junto)
        : ruta_(acceso::nombreTemporal(junto))
    {
        esquema::verificarFicheroCompleto(origen);
        const QString conexion = QStringLiteral("actualizar-") + QUuid::createUuid().toString();
        try {
            {
                QFile::copy(origen, ruta_);
                QFile(ruta_).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                QSqlDatabase db = esquema::abrir(ruta_, conexion);
                esquema::actualizar(db, ruta_, QString());
            }
            esquema::cerrar(conexion);
        } catch (...) {
            esquema::cerrar(conexion);
            quitar();
            throw;
        }
    }
    ~Actualizada() { quitar(); }
    const QString& ruta() const { return ruta_; }

private:
    void quitar()
    {
        QFile::remove(ruta_);
        QFile::remove(ruta_ + QStringLiteral("-journal"));
    }
    QString ruta_;
};

}  // namespace

void guardar(QSqlDatabase db, const QString& destino)
{
    guardarEn(db, destino, true);
}

namespace {

void cargarSinAviso(QSqlDatabase db, const QString& origen, const QString& copiaSeguridad,
                    const Progreso& progreso)
{
    const int version = esquema::verificarFichero(origen);
    std::unique_ptr<Actualizada> actualizada;
    if (version < esquema::kUserVersion)
        actualizada = std::make_unique<Actualizada>(origen, copiaSeguridad);
    const QString fuenteRuta = actualizada ? actualizada->ruta() : origen;

    sqlite3* vivo = manejador(db);
    Conexion fuente;
    if (sqlite3_open_v2(QFile::encodeName(fuenteRuta).constData(), &fuente.h,
                        SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw DbError(QStringLiteral("ERROR: No se puede abrir la copia %1.").arg(citado(origen)));

    // The one slow part, the check of every page of the backup, runs meanwhile on its own
    // thread. An up-dated first-release backup was fully checked before it was converted.
    std::unique_ptr<ComprobacionEnParalelo> comprobacion;
    if (!actualizada)
        comprobacion = std::make_unique<ComprobacionEnParalelo>(origen);

    // The safety copy is the data exactly as they are, damaged or not: loading a backup is the
    // way out of a damaged file, so it must not be stopped by the damage it repairs.
    guardarEn(db, copiaSeguridad, false);

    sqlite3_backup* b = sqlite3_backup_init(vivo, "main", fuente.h, "main");
    if (!b) {
        const DbError e = fallo(QStringLiteral("ERROR: No se puede cargar la copia %1.")
                                    .arg(citado(origen)),
                                sqlite3_extended_errcode(vivo),
                                QString::fromUtf8(sqlite3_errmsg(vivo)));
        QFile::remove(copiaSeguridad);
        throw e;
    }
    // Copied in slices inside one write transaction on the live file, which stays open (and
    // uncommitted) until the check has passed: the last slice commits, finishing early rolls
    // everything back.
    constexpr int kPaginasPorPaso = 4096;
    int rc = sqlite3_backup_step(b, 1);
    while (rc == SQLITE_OK && sqlite3_backup_remaining(b) > kPaginasPorPaso) {
        rc = sqlite3_backup_step(b, kPaginasPorPaso);
        if (progreso)
            progreso(sqlite3_backup_pagecount(b) - sqlite3_backup_remaining(b),
                     sqlite3_backup_pagecount(b));
    }
    if (comprobacion)
        comprobacion->esperar(progreso);
    const bool sana = !comprobacion || comprobacion->codigo() == SQLITE_OK;
    if (rc == SQLITE_OK && sana)
        rc = sqlite3_backup_step(b, -1);
    const int fin = sqlite3_backup_finish(b);
    if (!sana) {
        QFile::remove(copiaSeguridad);
        const QString detalle = comprobacion->resultado();
        if ((comprobacion->codigo() & 0xff) == SQLITE_CORRUPT
            || (comprobacion->codigo() & 0xff) == SQLITE_NOTADB)
            throw DbError(QStringLiteral("ERROR: La copia %1 está dañada (la comprobación de "
                                         "integridad ha fallado: %2).")
                              .arg(citado(origen), detalle));
        throw fallo(QStringLiteral("ERROR: No se ha podido comprobar la copia %1.")
                        .arg(citado(origen)),
                    comprobacion->codigo(), detalle);
    }
    if (rc != SQLITE_DONE || fin != SQLITE_OK) {
        QFile::remove(copiaSeguridad);
        const int codigo = rc != SQLITE_DONE ? rc : fin;
        throw fallo(QStringLiteral("ERROR: No se ha podido cargar la copia %1.")
                        .arg(citado(origen)),
                    codigo, QString::fromUtf8(sqlite3_errstr(codigo)));
    }
    // Whatever damage the old data had is gone with them.
    vigilancia::levantarDanado(db);
    if (progreso)
        progreso(1, 1);
}

}  // namespace

void cargar(QSqlDatabase db, const QString& origen, const QString& copiaSeguridad,
            const Progreso& progreso)
{
    try {
        cargarSinAviso(db, origen, copiaSeguridad, progreso);
    } catch (const DbError& e) {
        throw DbError(e.message() + QStringLiteral("\n\nNo se ha cargado nada: los datos "
                                                   "actuales siguen como estaban."));
    }
}

}  // namespace copia
