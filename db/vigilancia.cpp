#include "db/vigilancia.h"

#include "db/citado.h"
#include "db/comando.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>

#include <sqlite3.h>
#include <sys/stat.h>

namespace vigilancia {

QString mensajeDanado(const QString& ruta)
{
    return QStringLiteral(
               "ERROR: El fichero de datos %1 está dañado. Para no estropearlo más, Clinora no "
               "escribirá nada más en él: puede seguir consultando, pero no se guardará ningún "
               "cambio. Para recuperar los datos, cargue la última copia de seguridad buena con "
               "\"Backup\" › \"Cargar copia\".")
        .arg(citadoRuta(ruta));
}

void declararDanado(QSqlDatabase db, const QString& ruta)
{
    comando::prohibirEscritura(mensajeDanado(ruta), db.connectionName());
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA query_only = 1"));
}

void levantarDanado(QSqlDatabase db)
{
    if (comando::motivoProhibicion(db.connectionName()).isEmpty())
        return;
    comando::prohibirEscritura(QString());
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA query_only = 0"));
}

namespace {

// Which file a name stands for right now: a load of a backup puts another file in its place.
unsigned long long identidad(const QString& ruta)
{
    struct stat datos = {};
    if (::stat(QFile::encodeName(ruta).constData(), &datos) != 0)
        return 0;
    return (static_cast<unsigned long long>(datos.st_dev) << 40) ^ datos.st_ino;
}

// The engine lists every damaged cell; the first few tell enough.
QString resumen(const QStringList& hallazgos)
{
    QStringList lineas = hallazgos.join(QLatin1Char('\n')).split(QLatin1Char('\n'),
                                                                 Qt::SkipEmptyParts);
    const bool mas = lineas.size() > 3;
    lineas = lineas.mid(0, 3);
    if (mas)
        lineas << QStringLiteral("…");
    return lineas.join(QLatin1Char('\n'));
}

// What the two reads of the whole file found: the engine's code (SQLITE_OK when both ran to
// the end) and its message, the quick check's findings, and the first visit of a missing patient.
struct Examen {
    int codigo = SQLITE_OK;
    QString error;
    QStringList hallazgos;
    QString huerfana;
};

Examen examinar(sqlite3* h)
{
    Examen e;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, "PRAGMA quick_check", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW && e.hallazgos.size() < 5)
            e.hallazgos << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (rc == SQLITE_ROW)
            rc = SQLITE_DONE;
    }
    e.codigo = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(h);
    e.error = QString::fromUtf8(sqlite3_errmsg(h));
    sqlite3_finalize(st);
    if (e.codigo != SQLITE_OK || e.hallazgos != QStringList{QStringLiteral("ok")})
        return e;
    // Visits of patients that do not exist break the file's own rule; only a change made
    // outside the program can leave them. Looked for here, as it means reading every visit.
    st = nullptr;
    rc = sqlite3_prepare_v2(h, "PRAGMA foreign_key_check", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            e.huerfana = QStringLiteral("hay citas de pacientes que no existen (la primera, de la "
                                        "fila %1 de \"%2\")")
                             .arg(sqlite3_column_int64(st, 1))
                             .arg(QString::fromUtf8(
                                 reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
            rc = SQLITE_DONE;
        }
    }
    if (rc != SQLITE_DONE) {
        e.codigo = sqlite3_extended_errcode(h);
        e.error = QString::fromUtf8(sqlite3_errmsg(h));
    }
    sqlite3_finalize(st);
    return e;
}

}  // namespace

Comprobacion::Comprobacion(const QString& ruta, QObject* parent) : QObject(parent), ruta_(ruta)
{
}

Comprobacion::~Comprobacion()
{
    {
        std::lock_guard<std::mutex> cerrado(mutex_);
        parar_ = true;
        if (conexion_)
            sqlite3_interrupt(conexion_);
    }
    if (hilo_.joinable())
        hilo_.join();
}

void Comprobacion::iniciar()
{
    if (hilo_.joinable())
        return;
    fichero_ = identidad(ruta_);
    hilo_ = std::thread([this] { trabajar(); });
}

void Comprobacion::trabajar()
{
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(ruta_).constData(), &h, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        sqlite3_close(h);
        return;
    }
    {
        std::lock_guard<std::mutex> cerrado(mutex_);
        if (parar_) {
            sqlite3_close(h);
            return;
        }
        conexion_ = h;
    }
    sqlite3_busy_timeout(h, 10000);
    // Every page is read once, so a large cache or a map of the whole file buys nothing but
    // memory: mapped, the file's pages counted against the program for as long as it ran (some
    // 160 MB on 100,000 patients). Read through a small cache of its own, the check takes about
    // as long and the program stays at its usual size.
    sqlite3_exec(h, "PRAGMA mmap_size = 0", nullptr, nullptr, nullptr);
    sqlite3_exec(h, "PRAGMA cache_size = -2048", nullptr, nullptr, nullptr);
    const Examen examen = examinar(h);
    {
        std::lock_guard<std::mutex> cerrado(mutex_);
        conexion_ = nullptr;
        sqlite3_close(h);
        if (parar_)
            return;
    }
    bool concluyente = true;
    bool sano = false;
    QString detalle;
    if (examen.codigo == SQLITE_OK) {
        sano = examen.hallazgos == QStringList{QStringLiteral("ok")} && examen.huerfana.isEmpty();
        detalle = examen.huerfana.isEmpty() ? resumen(examen.hallazgos) : examen.huerfana;
    } else if ((examen.codigo & 0xff) == SQLITE_CORRUPT
               || (examen.codigo & 0xff) == SQLITE_NOTADB) {
        detalle = examen.error;
    } else {
        concluyente = false;   // busy or interrupted: no finding either way
    }
    // A finding about a file that has meanwhile been replaced says nothing about the new one.
    if (!concluyente || identidad(ruta_) != fichero_)
        return;
    // Queued to the owner's thread; dropped if the owner is gone by then.
    QMetaObject::invokeMethod(
        this, [this, sano, detalle] { emit terminada(sano, detalle); }, Qt::QueuedConnection);
}

}  // namespace vigilancia
