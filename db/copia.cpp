#include "db/copia.h"

#include "db/acceso.h"
#include "db/citado.h"
#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/verificacion.h"
#include "db/vigilancia.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QUuid>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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

DbError fallo(const QString& que, int codigo, const QString& detalle)
{
    return DbError(que + QStringLiteral("\n\n") + comando::textoErrorMotor(codigo, detalle));
}

// An empty file only its owner may read, made before any patient data is written into it.
void crearVacioPrivado(const QString& ruta)
{
    QFile vacio(ruta);
    if (!vacio.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw DbError(QStringLiteral("ERROR: No se puede escribir en la carpeta %1.")
                          .arg(citadoRuta(QFileInfo(ruta).absolutePath())));
    vacio.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
                            .arg(citadoRuta(destino));
    // What an interrupted save left here before is ours to remove.
    acceso::limpiarTemporales(info.absolutePath());
    const QString temporal = acceso::nombreTemporal(destino);
    crearVacioPrivado(temporal);
    try {
        {
            Conexion copia;
            if (sqlite3_open_v2(QFile::encodeName(temporal).constData(), &copia.h,
                                SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
                throw DbError(QStringLiteral("ERROR: No se puede crear la copia %1.")
                                  .arg(citadoRuta(destino)));
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
                                    .arg(citadoRuta(destino), resultado));
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
                              .arg(citadoRuta(destino)));
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
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
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

// A file of ours being prepared under a temporary name; removed unless it was moved into place.
class Temporal {
public:
    explicit Temporal(const QString& junto) : ruta_(acceso::nombreTemporal(junto)) {}
    ~Temporal()
    {
        if (!colocado_) {
            QFile::remove(ruta_);
            QFile::remove(ruta_ + QStringLiteral("-journal"));
        }
    }
    const QString& ruta() const { return ruta_; }
    void colocado() { colocado_ = true; }

private:
    QString ruta_;
    bool colocado_ = false;
};

// The bytes of `origen` into the empty file `destino`, copied by the kernel in slices (for the
// progress display), then synced to disk.
void copiarBytes(const QString& origen, const QString& destino, const QString& que,
                 const Progreso& progreso)
{
    const int de = ::open(QFile::encodeName(origen).constData(), O_RDONLY | O_CLOEXEC);
    const int a = ::open(QFile::encodeName(destino).constData(), O_WRONLY | O_CLOEXEC);
    const auto cerrar = [&] {
        if (de >= 0)
            ::close(de);
        if (a >= 0)
            ::close(a);
    };
    struct stat datos = {};
    if (de < 0 || a < 0 || ::fstat(de, &datos) != 0) {
        const int e = errno;
        cerrar();
        throw fallo(que, SQLITE_IOERR, QString::fromLocal8Bit(std::strerror(e)));
    }
    const qint64 total = datos.st_size;
    constexpr qint64 kTrozo = 16 << 20;
    qint64 hecho = 0;
    bool porNucleo = true;
    QByteArray bufer;
    while (hecho < total) {
        const size_t pedir = size_t(std::min(kTrozo, total - hecho));
        ssize_t n = -1;
        if (porNucleo) {
            n = ::copy_file_range(de, nullptr, a, nullptr, pedir, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL
                          || errno == EOPNOTSUPP)) {
                porNucleo = false;   // a file system that cannot: plain reads and writes
                continue;
            }
        } else {
            bufer.resize(qsizetype(pedir));
            n = ::read(de, bufer.data(), pedir);
            for (ssize_t escrito = 0; n > 0 && escrito < n;) {
                const ssize_t w = ::write(a, bufer.constData() + escrito, size_t(n - escrito));
                if (w < 0) {
                    n = -1;
                    break;
                }
                escrito += w;
            }
        }
        if (n <= 0) {
            const int e = n < 0 ? errno : EIO;
            cerrar();
            throw fallo(que, e == ENOSPC ? SQLITE_FULL : SQLITE_IOERR,
                        QString::fromLocal8Bit(std::strerror(e)));
        }
        hecho += n;
        if (progreso)
            progreso(int(hecho / 4096), int(total / 4096));
    }
    if (::fsync(a) != 0) {
        const int e = errno;
        cerrar();
        throw fallo(que, e == ENOSPC ? SQLITE_FULL : SQLITE_IOERR,
                    QString::fromLocal8Bit(std::strerror(e)));
    }
    cerrar();
}

// Makes a rename or link in `carpeta` survive a power cut.
void sincronizarCarpeta(const QString& carpeta)
{
    const int fd = ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void guardar(QSqlDatabase db, const QString& destino)
{
    guardarEn(db, destino, true);
}

namespace {

// A backup of the first release, brought up to date on the new file only.
void actualizarCopia(const QString& ruta)
{
    const QString conexion = QStringLiteral("actualizar-") + QUuid::createUuid().toString();
    try {
        {
            QSqlDatabase t = esquema::abrir(ruta, conexion);
            esquema::actualizar(t, ruta, QString());
        }
        esquema::cerrar(conexion);
    } catch (...) {
        esquema::cerrar(conexion);
        throw;
    }
}

// The failure of the full check of the backup `origen`, as the user is told it.
DbError comprobacionFallida(const QString& origen, int codigo, const QString& detalle)
{
    if ((codigo & 0xff) == SQLITE_CORRUPT || (codigo & 0xff) == SQLITE_NOTADB)
        return DbError(QStringLiteral("ERROR: La copia %1 está dañada (la comprobación de "
                                      "integridad ha fallado: %2).")
                           .arg(citadoRuta(origen), detalle));
    return fallo(QStringLiteral("ERROR: No se ha podido comprobar la copia %1.")
                     .arg(citadoRuta(origen)),
                 codigo, detalle);
}

// The preparing step: the new data made at `nuevo`, beside the live file: a copy of the backup,
// checked in full on a thread of its own while the copy is written, and brought up to date when
// it comes from the first release. The live data are not touched.
void prepararNuevo(const QString& origen, const QString& nuevo, const QString& que,
                   const Progreso& progreso)
{
    esquema::sinDiarioPendiente(origen);
    esquema::verificarCabecera(origen, true);
    // Held until the copy is made and checked: while this connection reads the backup, nobody
    // can change it, so the bytes copied are the bytes checked.
    Conexion fuente;
    if (sqlite3_open_v2(QFile::encodeName(origen).constData(), &fuente.h, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK
        || sqlite3_exec(fuente.h, "BEGIN; SELECT COUNT(*) FROM sqlite_schema", nullptr, nullptr,
                        nullptr) != SQLITE_OK)
        throw fallo(que, sqlite3_extended_errcode(fuente.h),
                    QString::fromUtf8(sqlite3_errmsg(fuente.h)));
    // The slow part, the check of every page, starts at once on its own thread; everything
    // else happens meanwhile.
    ComprobacionEnParalelo comprobacion(origen);
    const int version = esquema::verificarFichero(origen);
    acceso::limpiarTemporales(QFileInfo(nuevo).absolutePath());
    crearVacioPrivado(nuevo);
    copiarBytes(origen, nuevo, que, progreso);
    comprobacion.esperar(progreso);
    if (comprobacion.codigo() != SQLITE_OK)
        throw comprobacionFallida(origen, comprobacion.codigo(), comprobacion.resultado());
    if (version < esquema::kUserVersion)
        actualizarCopia(nuevo);
    // A page-for-page copy of a file checked above (and, from the first release, checked again
    // inside its conversion): its start is all that is left to look at.
    esquema::verificarCabecera(nuevo, true);
}

// The swap step. With the connection closed, the live file gets a second name (the safety copy:
// the old data as they were, written again by no one) and the new file takes its place in one
// rename, so at every moment the live name holds either the old data or the new, whole. The
// connection is then reopened, on the new data, or on the old ones when the swap failed.
void sustituir(QSqlDatabase db, Temporal& nuevo, const QString& copiaSeguridad,
               const QString& que)
{
    const QString vivoRuta = QFileInfo(db.databaseName()).absoluteFilePath();
    db.close();
    QFile::remove(copiaSeguridad);
    const QByteArray vivoC = QFile::encodeName(vivoRuta);
    const QByteArray seguridadC = QFile::encodeName(copiaSeguridad);
    bool guardada = ::link(vivoC.constData(), seguridadC.constData()) == 0;
    if (!guardada) {
        // A file system without links: the safety copy is written out instead.
        guardada = QFile::copy(vivoRuta, copiaSeguridad);
    }
    std::error_code error;
    if (guardada) {
        sincronizarCarpeta(QFileInfo(copiaSeguridad).absolutePath());
        std::filesystem::rename(QFile::encodeName(nuevo.ruta()).constData(), vivoC.constData(),
                                error);
    }
    if (!guardada || error) {
        if (guardada)
            QFile::remove(copiaSeguridad);
        esquema::configurar(db);
        throw DbError(que + (guardada ? QString()
                                      : QStringLiteral(" No se ha podido guardar la copia de "
                                                       "los datos actuales en %1.")
                                            .arg(citadoRuta(copiaSeguridad))));
    }
    nuevo.colocado();
    sincronizarCarpeta(QFileInfo(vivoRuta).absolutePath());
    esquema::configurar(db);
    // Whatever damage the old data had is gone with them.
    vigilancia::levantarDanado(db);
}

void cargarSinAviso(QSqlDatabase db, const QString& origen, const QString& copiaSeguridad,
                    const Progreso& progreso)
{
    const QString que =
        QStringLiteral("ERROR: No se puede cargar la copia %1.").arg(citadoRuta(origen));
    manejador(db);
    Temporal nuevo(QFileInfo(db.databaseName()).absoluteFilePath());
    prepararNuevo(origen, nuevo.ruta(), que, progreso);
    sustituir(db, nuevo, copiaSeguridad, que);
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
