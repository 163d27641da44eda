#include "app/importacion.h"

#include "db/acceso.h"
#include "db/citado.h"
#include "db/error.h"
#include "db/importar.h"
#include "db/reloj.h"
#include "ui/common/mensajes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <filesystem>
#include <system_error>

namespace importacion {

namespace {

QByteArray huella(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

// At most this many rejected rows in the box; the file holds them all.
constexpr int kLineasEnMensaje = 10;

// The program's lock on the file while it is converted, so a second copy started at the same
// time is refused instead of converting it too.
const QString kConexionConversion = QStringLiteral("conversion-access");

struct Cerrojo {
    ~Cerrojo() { acceso::liberar(kConexionConversion); }
};

// The old file converted into `nuevo`, kept byte-for-byte as `copia`, and the new database put
// in its place. On failure neither the copy nor the new file is left, and the name still holds
// the untouched original.
Resultado convertirYSustituir(const QString& ruta, const QString& nuevo, const QString& copia)
{
    bool copiaHecha = false;
    try {
        Resultado r = importar(ruta, nuevo);
        const QByteArray original = huella(ruta);
        acceso::copiaPrivada(ruta, copia);
        copiaHecha = true;
        if (original.isEmpty() || huella(copia) != original)
            throw DbError(QStringLiteral("ERROR: La copia del original en %1 no es idéntica a "
                                         "él.")
                              .arg(citadoRuta(copia)));
        // Replaces the old file in one step: the name always holds either the untouched
        // original or the complete new database.
        std::error_code e;
        std::filesystem::rename(QFile::encodeName(nuevo).constData(),
                                QFile::encodeName(ruta).constData(), e);
        if (e)
            throw DbError(QStringLiteral("ERROR: No se puede poner la base de datos convertida "
                                         "en %1.")
                              .arg(citadoRuta(ruta)));
        return r;
    } catch (...) {
        QFile::remove(nuevo);
        if (copiaHecha)
            QFile::remove(copia);
        throw;
    }
}

// The summary the user is shown, once the whole report has been written to `informe`.
QString resumenConInforme(const Resultado& r, const QString& copia, const QString& informe)
{
    QString texto = QStringLiteral("Se ha convertido el fichero de Access al formato de "
                                   "Clinora.\n\n")
                    + r.resumen();
    if (!r.noImportadas.isEmpty())
        texto += QStringLiteral("\n\nFilas no importadas:");
    for (int i = 0; i < r.noImportadas.size() && i < kLineasEnMensaje; ++i)
        texto += QStringLiteral("\n- ") + r.noImportadas.at(i);
    if (r.noImportadas.size() > kLineasEnMensaje)
        texto += QStringLiteral("\n- ... y %1 más.").arg(r.noImportadas.size() - kLineasEnMensaje);
    texto += QStringLiteral("\n\nEl original se conserva sin cambios en %1.")
                 .arg(citado(QFileInfo(copia).fileName()));
    QFile f(informe);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly,
               QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && f.write(r.informe().toUtf8()) >= 0 && f.flush())
        texto += QStringLiteral("\nEl informe completo está en %1.")
                     .arg(citado(QFileInfo(informe).fileName()));
    else
        texto += QStringLiteral("\nNo se ha podido escribir el informe en %1.")
                     .arg(citado(QFileInfo(informe).fileName()));
    return texto;
}

}  // namespace

bool convertirSiEsAccess(const QString& ruta)
{
    if (!esAccess(ruta))
        return true;
    const QFileInfo info(ruta);
    const QDir carpeta = info.absoluteDir();
    Cerrojo cerrojo;
    try {
        acceso::comprobarEscritura(ruta);
        acceso::bloquear(ruta, kConexionConversion);
        // What an interrupted conversion left behind; nobody else is at work here now.
        acceso::limpiarTemporales(carpeta.absolutePath());
    } catch (const DbError& e) {
        mensajes::error(e.message());
        return false;
    }
    if (!mensajes::confirmacion(
            QStringLiteral("El fichero %1 es una base de datos de Access del programa anterior.\n\n"
                           "¿Desea convertirlo al formato de Clinora? El fichero original se "
                           "conserva sin cambios, con la fecha de hoy en el nombre, en la misma "
                           "carpeta.")
                .arg(citado(info.fileName()))))
        return false;

    const QString sello = reloj::ahora().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString copia = carpeta.filePath(QStringLiteral("clinora-access-%1.mdb").arg(sello));
    const QString nuevo = carpeta.filePath(
        QStringLiteral("clinora-nuevo-%1.mdb").arg(QUuid::createUuid().toString(QUuid::Id128).left(8)));
    Resultado r;
    try {
        r = convertirYSustituir(ruta, nuevo, copia);
    } catch (const DbError& e) {
        mensajes::error(e.message()
                        + QStringLiteral("\n\nNo se ha convertido nada: el fichero original "
                                         "sigue como estaba."));
        return false;
    }
    mensajes::informacion(resumenConInforme(
        r, copia, carpeta.filePath(QStringLiteral("clinora-importacion-%1.txt").arg(sello))));
    return true;
}

}  // namespace importacion
