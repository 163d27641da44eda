// Start-up, timed from outside as the user sees it: from launching the real program to its main
// window painted. The program looks for its database beside its executable, so a copy of it runs
// from a folder of its own where the database is linked in.
#include "bench/medir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {

constexpr int kEsperaMs = 15000;

// Started with this variable, the program prints a line starting "listo" once its main window
// is painted, and then quits. The line may carry the child's own peak memory ("VmHWM: N kB").
const char* const kVariableSalir = "CLINORA_BENCH_SALIR";

QString programaOriginal()
{
    const QString otro = qEnvironmentVariable("CLINORA_BENCH_PROGRAMA");
    return otro.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/clinora")
                          : otro;
}

// Peak memory in kB, from "VmHWM:   51234 kB" wherever it appears; -1 when absent.
qint64 leerVmHwm(const QByteArray& texto)
{
    static const QRegularExpression re(QStringLiteral("VmHWM:\\s*(\\d+)\\s*kB"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(texto));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// The offscreen platform's screen, described in a file once per run of the benchmark.
QString configuracionPantalla()
{
    static QTemporaryDir carpeta;
    const QString ruta = carpeta.filePath(QStringLiteral("pantalla.json"));
    if (!QFile::exists(ruta)) {
        QFile f(ruta);
        if (f.open(QIODevice::WriteOnly))
            f.write(QStringLiteral("{\"screens\": [{\"name\": \"portatil\", \"x\": 0, \"y\": 0, "
                                   "\"width\": %1, \"height\": %2, \"logicalDpi\": 96}]}")
                        .arg(kPantalla.width())
                        .arg(kPantalla.height())
                        .toUtf8());
    }
    return ruta;
}

struct Arranque {
    double ms = 0;
    qint64 picoKb = -1;
    bool picoDelHijo = false;   // printed by the child itself, rather than read by us
};

Arranque arrancar(const QString& programa)
{
    QProcess p;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    // Offscreen with a screen of a real laptop's size, which the program fills at start.
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=") + configuracionPantalla());
    entorno.insert(QString::fromLatin1(kVariableSalir), QStringLiteral("1"));
    p.setProcessEnvironment(entorno);
    p.setWorkingDirectory(QFileInfo(programa).absolutePath());

    Arranque a;
    const auto inicio = std::chrono::steady_clock::now();
    p.start(programa, {});
    QByteArray visto;
    bool listo = false;
    while (!listo) {
        if (!p.canReadLine()) {
            const int resta = kEsperaMs - int(milisegundosDesde(inicio));
            if (resta <= 0 || !p.waitForReadyRead(resta))
                break;
            continue;
        }
        const QByteArray linea = p.readLine();
        visto += linea;
        if (linea.startsWith("listo")) {
            a.ms = milisegundosDesde(inicio);
            listo = true;
        }
    }
    if (listo) {
        a.picoKb = leerVmHwm(visto);
        a.picoDelHijo = a.picoKb >= 0;
        if (!a.picoDelHijo) {
            // Read while the child is still leaving; a child already gone gives nothing.
            QFile estado(QStringLiteral("/proc/%1/status").arg(p.processId()));
            if (estado.open(QIODevice::ReadOnly))
                a.picoKb = leerVmHwm(estado.readAll());
        }
    }
    if (!p.waitForFinished(listo ? kEsperaMs : 0)) {
        p.kill();
        p.waitForFinished();
    }
    if (!listo) {
        QString dijo = QString::fromLocal8Bit(visto + p.readAll() + p.readAllStandardError())
                           .simplified()
                           .left(300);
        if (dijo.isEmpty())
            dijo = QStringLiteral("ninguna");
        throw Fallo(
            QStringLiteral("el programa no dijo \"listo\" en %1 s (¿atiende %2?); salida: %3")
                .arg(kEsperaMs / 1000)
                .arg(QString::fromLatin1(kVariableSalir), dijo));
    }
    return a;
}

// Empties the system's file cache, so the next start reads the program, its libraries and the
// database from disk, as the first start of the day does. Needs root; otherwise only the
// database and the program are dropped (the libraries stay cached) and the note says so.
QString vaciarCache(const QStringList& ficheros)
{
    ::sync();
    QFile caches(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (caches.open(QIODevice::WriteOnly) && caches.write("3\n") == 2)
        return QStringLiteral("caché del sistema vaciada entera antes de cada arranque "
                              "(/proc/sys/vm/drop_caches)");
    for (const QString& f : ficheros) {
        const int fd = ::open(QFile::encodeName(f).constData(), O_RDONLY);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
    return QStringLiteral("sin permiso para vaciar la caché entera: solo la base y el programa "
                          "salen de la caché (las bibliotecas quedan en ella)");
}

// Copies the program beside a link to the database, as it is installed.
QString prepararCarpeta(Contexto& c, const QTemporaryDir& carpeta)
{
    const QString original = programaOriginal();
    if (!QFileInfo(original).isExecutable())
        throw Fallo(QStringLiteral("no se encuentra el programa %1").arg(original));
    const QString programa = carpeta.filePath(QStringLiteral("clinora"));
    if (!carpeta.isValid() || !QFile::copy(original, programa)
        || !QFile::link(c.rutaBaseDatos(), carpeta.filePath(QStringLiteral("clinora.mdb"))))
        throw Fallo(QStringLiteral("no se puede preparar la carpeta de arranque en %1")
                        .arg(QDir::tempPath()));
    // On the server, the clinora.ini that names it travels with the program.
    const QString ini = QFileInfo(c.rutaBaseDatos()).dir().filePath(QStringLiteral("clinora.ini"));
    if (QFile::exists(ini))
        QFile::copy(ini, carpeta.filePath(QStringLiteral("clinora.ini")));
    return programa;
}

Resultado arranqueFrio(Contexto& c)
{
    QTemporaryDir carpeta;
    const QString programa = prepararCarpeta(c, carpeta);
    // Reading everything from disk takes long; a few runs tell enough.
    const int veces = std::min(c.repeticiones().veces, 5);
    Resultado r;
    QString como;
    for (int i = 0; i < veces; ++i) {
        como = vaciarCache({programa, c.rutaBaseDatos()});
        r.programa.ms << arrancar(programa).ms;
    }
    r.notas << QStringLiteral("%1 arranques; %2").arg(veces).arg(como);
    return r;
}

Resultado arranque(Contexto& c)
{
    QTemporaryDir carpeta;
    const QString programa = prepararCarpeta(c, carpeta);

    // The clock that counts is the one up to "listo", not the child's way out afterwards, so
    // the runs are timed here rather than by medir().
    const Repeticiones rep = c.repeticiones();
    for (int i = 0; i < rep.calentamiento; ++i)
        arrancar(programa);
    QList<Arranque> vistos;
    Resultado r;
    for (int i = 0; i < rep.veces; ++i) {
        vistos << arrancar(programa);
        r.programa.ms << vistos.last().ms;
    }

    qint64 pico = -1;
    bool delHijo = true;
    int sinDato = 0;
    for (const Arranque& a : vistos) {
        pico = std::max(pico, a.picoKb);
        delHijo = delHijo && a.picoDelHijo;
        sinDato += a.picoKb < 0;
    }
    if (pico < 0) {
        r.notas << QStringLiteral("memoria pico desconocida (el programa no la imprime y ya había "
                                  "salido al leer /proc)");
    } else {
        r.notas << QStringLiteral("memoria pico %1 MB (VmHWM %2, la mayor de %3 arranques%4)")
                       .arg(QString::number(pico / 1024.0, 'f', 1),
                            delHijo ? QStringLiteral("dicha por el programa")
                                    : QStringLiteral("leída de /proc"))
                       .arg(vistos.size())
                       .arg(sinDato ? QStringLiteral("; %1 sin dato").arg(sinDato) : QString());
    }
    return r;
}

}  // namespace

QList<Accion> accionesArranque()
{
    return {{QStringLiteral("arranque"), arranque},
            {QStringLiteral("arranque_frio"), arranqueFrio}};
}

}  // namespace bench
