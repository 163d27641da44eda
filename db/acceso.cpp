#include "db/acceso.h"
#include "db/citado.h"

#include "db/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace acceso {

namespace {

QHash<QString, std::shared_ptr<QLockFile>>& cerrojos()
{
    static QHash<QString, std::shared_ptr<QLockFile>> mapa;
    return mapa;
}

// A user who marks the file read-only means it, even where the system would let the
// administrator write all the same; a read-only disk refuses everyone.
bool sePuedeEscribir(const QFileInfo& info)
{
    return info.isWritable() && (info.permissions() & QFileDevice::WriteOwner);
}

// The engine holds a lock on the bytes from 1 GiB on while it writes a file; another program
// writing one of our temporaries right now is seen that way.
bool enUso(const QString& ruta)
{
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock l = {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    l.l_start = 0x40000000;
    l.l_len = 512 + 2;
    bool ocupado = false;
    if (::fcntl(fd, F_GETLK, &l) == 0)
        ocupado = l.l_type != F_UNLCK;
    ::close(fd);
    return ocupado;
}

}  // namespace

void comprobarEscritura(const QString& ruta)
{
    const QFileInfo fichero(ruta);
    const QFileInfo carpeta(fichero.absolutePath());
    if (!sePuedeEscribir(fichero))
        throw DbError(QStringLiteral(
            "ERROR: Los datos de %1 no se pueden modificar ahí: el fichero es de solo lectura "
            "(está marcado así o el disco no admite escritura). Clinora se cierra sin tocarlo. "
            "Quite la marca de solo lectura, o lleve el programa con sus datos a una carpeta "
            "donde se pueda escribir, y vuelva a abrirlo.")
                          .arg(citadoRuta(fichero.absoluteFilePath())));
    if (!sePuedeEscribir(carpeta))
        throw DbError(QStringLiteral(
            "ERROR: Los datos de %1 no se pueden modificar ahí: la carpeta %2 es de solo "
            "lectura, y cada cambio necesita escribir a su lado un diario que protege los datos "
            "si el programa se interrumpe. Clinora se cierra sin tocar nada. Permita escribir "
            "en esa carpeta, o lleve el programa con sus datos a otra, y vuelva a abrirlo.")
                          .arg(citadoRuta(fichero.absoluteFilePath()),
                               citadoRuta(carpeta.absoluteFilePath())));
}

void bloquear(const QString& ruta, const QString& conexion)
{
    const QFileInfo fichero(ruta);
    auto cerrojo = std::make_shared<QLockFile>(fichero.absolutePath() + QStringLiteral("/.")
                                               + fichero.fileName() + QStringLiteral(".lock"));
    // Never stale by age: the program may run for days. A lock is taken over only when the
    // copy of the program that wrote it is no longer running.
    cerrojo->setStaleLockTime(0);
    bool tomado = cerrojo->tryLock(0);
    if (!tomado && cerrojo->error() == QLockFile::LockFailedError
        && !cerrojo->getLockInfo(nullptr, nullptr, nullptr)) {
        // A lock that does not say who holds it: either a copy writing it this very moment, or
        // one that died before it could. Given a moment, a living copy will have written it.
        QThread::msleep(300);
        if (!cerrojo->getLockInfo(nullptr, nullptr, nullptr) && cerrojo->removeStaleLockFile())
            tomado = cerrojo->tryLock(0);
    }
    if (!tomado) {
        if (cerrojo->error() == QLockFile::LockFailedError)
            throw DbError(QStringLiteral(
                "ERROR: Otra copia de Clinora ya está abierta con el fichero de datos %1. Solo "
                "un programa puede trabajar con él a la vez: siga en la copia que ya está "
                "abierta, o ciérrela antes de volver a abrir el programa.")
                              .arg(citadoRuta(fichero.absoluteFilePath())));
        throw DbError(QStringLiteral("ERROR: No se puede crear el fichero de bloqueo junto a %1; "
                                     "Clinora se cierra sin tocar los datos.")
                          .arg(citadoRuta(fichero.absoluteFilePath())));
    }
    cerrojos().insert(conexion, cerrojo);
}

void liberar(const QString& conexion)
{
    cerrojos().remove(conexion);
}

void copiaPrivada(const QString& origen, const QString& destino)
{
    // Written under a temporary name of ours and linked into place once whole, so an
    // interruption never leaves half a copy under the name.
    const QString temporal = nombreTemporal(destino);
    QFile entrada(origen);
    QFile salida(temporal);
    bool bien = entrada.open(QIODevice::ReadOnly)
                && salida.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    while (bien && !entrada.atEnd()) {
        const QByteArray trozo = entrada.read(1 << 20);
        bien = !trozo.isEmpty() && salida.write(trozo) == trozo.size();
    }
    bien = bien && entrada.error() == QFileDevice::NoError && salida.flush()
           && ::fsync(salida.handle()) == 0;
    const bool abierto = salida.isOpen();
    salida.close();
    bien = bien
           && ::link(QFile::encodeName(temporal).constData(),
                     QFile::encodeName(destino).constData())
                  == 0;
    if (abierto)
        QFile::remove(temporal);
    if (!bien)
        throw DbError(QStringLiteral("ERROR: No se puede guardar la copia de %1 en %2.")
                          .arg(citadoRuta(origen), citadoRuta(destino)));
}

QString nombreTemporal(const QString& destino)
{
    const QFileInfo info(destino);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName()
           + QStringLiteral(".clinora-") + QUuid::createUuid().toString(QUuid::Id128).left(8)
           + QStringLiteral(".tmp");
}

bool esTemporalNuestro(const QString& nombreFichero)
{
    static const QRegularExpression patron(QStringLiteral(
        "^(\\..+\\.clinora-[0-9a-f]{8}\\.tmp|clinora-nuevo-[0-9a-f]{8}\\.mdb"
        "|.+\\.importando-[0-9a-f]{8})(-journal)?$"));
    return patron.match(nombreFichero).hasMatch();
}

int limpiarTemporales(const QString& carpeta)
{
    const QDir dir(carpeta);
    int borrados = 0;
    const QStringList nombres =
        dir.entryList({QStringLiteral(".*.clinora-*.tmp*"), QStringLiteral("clinora-nuevo-*"),
                       QStringLiteral("*.importando-*")},
                      QDir::Files | QDir::Hidden);
    for (const QString& nombre : nombres) {
        if (!esTemporalNuestro(nombre))
            continue;
        const QString ruta = dir.filePath(nombre);
        const QString principal =
            nombre.endsWith(QLatin1String("-journal")) ? ruta.chopped(8) : ruta;
        if (QFileInfo::exists(principal) && enUso(principal))
            continue;
        if (QFile::remove(ruta))
            ++borrados;
    }
    return borrados;
}

}  // namespace acceso
