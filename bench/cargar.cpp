// "Cargar copia" on the large database: the full check of the backup, the safety copy of the
// live data and the replacement, as the backup window runs them once the user has confirmed.
#include "bench/medir.h"

#include "db/copia.h"
#include "db/dataset.h"
#include "db/verificacion.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>

namespace bench {

namespace {

Resultado cargarCopia(Contexto& c)
{
    c.asegurarVentanas();
    QTemporaryDir carpeta;
    if (!carpeta.isValid())
        throw Fallo(QStringLiteral("no se puede crear una carpeta temporal"));
    // A backup of the live data themselves, so every load leaves the benchmark's data as they
    // were.
    const QString origen = carpeta.filePath(QStringLiteral("copia.mdb"));
    const QString seguridad = carpeta.filePath(QStringLiteral("antes-de-cargar.mdb"));
    copia::guardar(QSqlDatabase::database(), origen);
    const Repeticiones r{std::min(c.repeticiones().veces, 3), 1};
    const auto preparar = [&](int) { QFile::remove(seguridad); };

    Resultado res;
    int avisos = 0;
    // From the user's OK to the lists shown again, behind the progress window.
    res.programa = medir(r, preparar, [&] {
        const QList<DataSet*> abiertos = DataSet::abiertos();
        for (DataSet* d : abiertos)
            d->close();
        copia::cargar(QSqlDatabase::database(), origen, seguridad,
                      [&](int, int) { ++avisos; });
        for (DataSet* d : abiertos)
            d->open();
    });
    // What the window checks before it asks (tables, keys), timed apart.
    const Tiempos previa = medir(r, [&] { esquema::verificarFichero(origen); });
    // The floor: the engine's full check of the backup alone, which the load cannot skip.
    res.desnudo = medir(r, [&] {
        int codigo = 0;
        esquema::comprobarIntegridad(origen, esquema::Comprobacion::Completa, &codigo);
        if (codigo != 0)
            throw Fallo(QStringLiteral("la copia no pasa la comprobación"));
    });
    res.notas << QStringLiteral("%1 veces; copia de %2 MB; %3 avisos de progreso por carga; "
                                "comprobación previa a la pregunta %4 ms; desnudo = solo la "
                                "comprobación de integridad completa de la copia")
                     .arg(r.veces)
                     .arg(QString::number(QFileInfo(origen).size() / 1048576.0, 'f', 1))
                     .arg(avisos / (r.veces + r.calentamiento))
                     .arg(QString::number(previa.mediana(), 'f', 1));
    QFile::remove(seguridad);
    return res;
}

}  // namespace

QList<Accion> accionesCopias()
{
    return {{QStringLiteral("cargar_copia"), cargarCopia}};
}

}  // namespace bench
