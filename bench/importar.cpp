// Bringing a practice's old Access file across: the large sample (3,000 patients, 9,000 visits)
// converted into a new clinic database, as the user waits for it at the first start.
#include "bench/medir.h"

#include "db/error.h"
#include "db/importar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace bench {

namespace {

QString muestraGrande()
{
    const QString otra = qEnvironmentVariable("CLINORA_BENCH_ACCESS");
    if (!otra.isEmpty())
        return otra;
#ifdef CLINORA_FICHEROS_ACCESS
    return QDir(QStringLiteral(CLINORA_FICHEROS_ACCESS))
        .filePath(QStringLiteral("consulta_large.mdb"));
#else
    return QString();
#endif
}

Resultado importarAccess(Contexto& c)
{
    const QString origen = muestraGrande();
    if (origen.isEmpty() || !QFileInfo::exists(origen))
        throw Fallo(QStringLiteral("no se encuentra el fichero de Access de muestra %1 (o "
                                   "CLINORA_BENCH_ACCESS)")
                        .arg(origen));
    QTemporaryDir carpeta;
    const QString destino = carpeta.filePath(QStringLiteral("clinora.mdb"));
    importacion::Resultado ultimo;
    // Each run is over half a second; a handful is enough for a stable median.
    const Repeticiones r{std::min(c.repeticiones().veces, 5), 1};
    Resultado res;
    try {
        res.programa = medir(
            r, [&](int) { QFile::remove(destino); },
            [&] { ultimo = importacion::importar(origen, destino); });
    } catch (const DbError& e) {
        throw Fallo(e.message());
    }
    const int filas = ultimo.pacientesLeidos + ultimo.visitasLeidas;
    res.notas << QStringLiteral("%1 pacientes y %2 visitas leídos, %3 y %4 importados; %5 ms "
                                "por cada 1.000 filas")
                     .arg(ultimo.pacientesLeidos)
                     .arg(ultimo.visitasLeidas)
                     .arg(ultimo.pacientesImportados)
                     .arg(ultimo.visitasImportadas)
                     .arg(QString::number(res.programa.mediana() * 1000.0 / std::max(filas, 1),
                                          'f', 1));
    return res;
}

}  // namespace

QList<Accion> accionesImportacion()
{
    return {{QStringLiteral("importar_access"), importarAccess}};
}

}  // namespace bench
