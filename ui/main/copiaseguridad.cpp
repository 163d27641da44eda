#include "ui/main/copiaseguridad.h"

#include "app/refrescos.h"
#include "db/citado.h"
#include "db/copia.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/reloj.h"
#include "db/verificacion.h"
#include "ui/common/dialogos.h"
#include "ui/common/mensajes.h"

#include <QDir>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSqlDatabase>

namespace copiaseguridad {

void elegirYHacer(QWidget* ventana, const QString& rutaBaseDatos)
{
    const int opcion = mensajes::eleccion(
        QStringLiteral("¿Qué desea hacer con la copia de seguridad?\n\n"
                       "Guardar copia: guarda todos los datos de pacientes y citas en un fichero.\n"
                       "Cargar copia: sustituye los datos actuales por los de una copia guardada."),
        {QStringLiteral("&Guardar copia"), QStringLiteral("&Cargar copia")});
    if (opcion == 0)
        guardar(ventana, rutaBaseDatos);
    else if (opcion == 1)
        cargar(ventana, rutaBaseDatos);
}

void guardar(QWidget* ventana, const QString& rutaBaseDatos)
{
    const QString sugerido = QDir::home().filePath(
        QStringLiteral("clinora-copia-%1.mdb")
            .arg(reloj::hoy().toString(QStringLiteral("yyyy-MM-dd"))));
    const QString destino = dialogos::elegirFichero(
        ventana, dialogos::Modo::Guardar, QStringLiteral("Guardar copia de seguridad"), sugerido);
    if (destino.isEmpty())
        return;
    if (QFileInfo(destino).absoluteFilePath() == QFileInfo(rutaBaseDatos).absoluteFilePath()) {
        mensajes::informacion(QStringLiteral(
            "La copia no puede guardarse sobre el propio fichero de datos. Elija otro nombre."));
        return;
    }
    copia::guardar(QSqlDatabase::database(), destino);
    mensajes::informacion(QStringLiteral("Copia de seguridad guardada correctamente en %1.")
                              .arg(citadoRuta(destino)));
}

namespace {

// The backup the user picks and confirms, once the quick part of the checks has passed; empty
// when there is nothing to load. The check of every page runs during the load itself, beside the
// safety copy, and a load it fails changes nothing.
QString elegirCopia(QWidget* ventana, const QString& rutaBaseDatos)
{
    const QString origen = dialogos::elegirFichero(
        ventana, dialogos::Modo::Abrir, QStringLiteral("Cargar copia de seguridad"),
        QDir::homePath());
    if (origen.isEmpty())
        return {};
    if (QFileInfo(origen).absoluteFilePath() == QFileInfo(rutaBaseDatos).absoluteFilePath()) {
        mensajes::informacion(QStringLiteral(
            "Ese fichero es el de los datos actuales; elija una copia de seguridad."));
        return {};
    }
    try {
        esquema::verificarFichero(origen);
    } catch (const DbError& e) {
        mensajes::informacion(e.message()
                              + QStringLiteral("\n\nNo se ha cargado nada: los datos actuales "
                                               "siguen como estaban."));
        return {};
    }
    if (!mensajes::confirmacion(QStringLiteral(
            "Los datos actuales de pacientes y citas se sustituirán por los de la copia %1. "
            "Antes se guardará una copia de los datos actuales junto al programa. "
            "¿Desea continuar?")
                                    .arg(citadoRuta(origen))))
        return {};
    return origen;
}

// Loads `origen` behind a progress window, keeping the current data at `seguridad`. Returns
// the failure's message, empty when the load went through.
QString cargarConProgreso(QWidget* ventana, const QString& origen, const QString& seguridad)
{
    QProgressDialog progreso(QStringLiteral("Comprobando la copia y guardando los datos "
                                            "actuales…"),
                             QString(), 0, 0, ventana);
    progreso.setWindowTitle(QStringLiteral("Cargar copia de seguridad"));
    progreso.setAccessibleName(QStringLiteral("Cargando la copia de seguridad"));
    progreso.setWindowModality(Qt::ApplicationModal);
    progreso.setMinimumDuration(0);
    progreso.setAutoClose(false);
    progreso.setAutoReset(false);
    progreso.show();
    QCoreApplication::processEvents();
    const auto avanzar = [&progreso](int hecho, int total) {
        if (total > 0) {
            progreso.setLabelText(QStringLiteral("Cargando los datos de la copia…"));
            progreso.setRange(0, total);
            progreso.setValue(hecho);
        } else {
            progreso.setLabelText(QStringLiteral("Comprobando la copia…"));
            progreso.setRange(0, 0);
        }
        QCoreApplication::processEvents();
    };
    try {
        copia::cargar(QSqlDatabase::database(), origen, seguridad, avanzar);
    } catch (const DbError& e) {
        return e.message();
    }
    return {};
}

}  // namespace

void cargar(QWidget* ventana, const QString& rutaBaseDatos)
{
    const QString origen = elegirCopia(ventana, rutaBaseDatos);
    if (origen.isEmpty())
        return;
    const QString seguridad = QFileInfo(rutaBaseDatos).absolutePath()
                              + QStringLiteral("/clinora-antes-de-cargar-%1.mdb")
                                    .arg(reloj::ahora().toString(
                                        QStringLiteral("yyyyMMdd-HHmmss")));
    // The engine cannot replace data under open lists: close them all, and re-run afterwards
    // those that were open, whether or not the load went through.
    const QList<DataSet*> abiertos = DataSet::abiertos();
    for (DataSet* d : abiertos)
        d->close();
    const QString fallo = cargarConProgreso(ventana, origen, seguridad);
    for (DataSet* d : abiertos)
        d->open();
    refrescar::vistaRapida();
    if (!fallo.isEmpty()) {
        mensajes::error(fallo);
        return;
    }
    mensajes::informacion(QStringLiteral("Copia de seguridad cargada correctamente. Los datos "
                                         "anteriores se han guardado en %1.")
                              .arg(citadoRuta(seguridad)));
}

}  // namespace copiaseguridad
