#include "db/copiasauto.h"

#include "db/acceso.h"
#include "db/consulta.h"
#include "db/citado.h"
#include "db/error.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/traslado.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>

#include <sqlite3.h>

namespace copiasauto {

namespace {

const QString kGrupo = QStringLiteral("Copias");
const QString kCarpeta = QStringLiteral("Carpeta");
const QString kAutomaticas = QStringLiteral("Automaticas");
// Kept beside the database, not in the backup folder: that may be a disk left at home.
const QString kFicheroEstado = QStringLiteral(".clinora-copias.estado");

QString carpetaDe(const QString& rutaBaseDatos)
{
    return QFileInfo(rutaBaseDatos).absolutePath();
}

QString rutaEstado(const QString& rutaBaseDatos)
{
    return QDir(carpetaDe(rutaBaseDatos)).filePath(kFicheroEstado);
}

void guardarEstado(const QString& rutaBaseDatos, const Estado& e)
{
    const QString ruta = rutaEstado(rutaBaseDatos);
    {
        QSettings s(ruta, QSettings::IniFormat);
        s.clear();
        s.setValue(QStringLiteral("UltimaCorrecta"), e.ultimaCorrecta.toString(Qt::ISODate));
        s.setValue(QStringLiteral("RutaUltima"), e.rutaUltima);
        if (e.momentoFallo.isValid()) {
            s.setValue(QStringLiteral("MomentoFallo"), e.momentoFallo.toString(Qt::ISODate));
            s.setValue(QStringLiteral("Fallo"), e.fallo);
        }
        s.sync();
    }
    QFile::setPermissions(ruta, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// A value as QSettings reads it back unchanged: backslashes and quotes escaped, and quoted
// when a comma or a semicolon would otherwise cut it into a list.
QString valorIni(const QString& valor)
{
    QString v = valor;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'),
                                                                 QStringLiteral("\\\""));
    if (v.startsWith(QLatin1Char('@')))
        v.prepend(QLatin1Char('@'));
    static const QRegularExpression especial(QStringLiteral("[,;\"]|^\\s|\\s$"));
    if (v.contains(especial))
        v = QLatin1Char('"') + v + QLatin1Char('"');
    return v;
}

QString quitarError(const QString& texto)
{
    QString t = texto;
    if (t.startsWith(QStringLiteral("ERROR: ")))
        t.remove(0, 7);
    return t;
}

}  // namespace

QString nombreCopia(const QDateTime& momento)
{
    return QStringLiteral("clinora-copia-%1.mdb")
        .arg(momento.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QDateTime momentoDe(const QString& nombreFichero)
{
    static const QRegularExpression nuestro(
        QStringLiteral("^clinora-copia-(\\d{8})-(\\d{6})\\.mdb$"));
    const QRegularExpressionMatch m = nuestro.match(nombreFichero);
    if (!m.hasMatch())
        return {};
    // Wall-clock time as written in the name, free of the local zone's summer-time gaps.
    const QDate dia = QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd"));
    const QTime hora = QTime::fromString(m.captured(2), QStringLiteral("HHmmss"));
    if (!dia.isValid() || !hora.isValid())
        return {};
    return QDateTime(dia, hora, Qt::UTC);
}

Ajustes leerAjustes(const QString& rutaBaseDatos)
{
    Ajustes a;
    const QDir datos(carpetaDe(rutaBaseDatos));
    a.carpeta = datos.filePath(QStringLiteral("copias"));
    const QString ini = consulta::rutaJuntoA(rutaBaseDatos);
    if (!QFileInfo(ini).isFile())
        return a;
    const QSettings s(ini, QSettings::IniFormat);
    const QVariant carpeta = s.value(kGrupo + QLatin1Char('/') + kCarpeta);
    const QString texto = (carpeta.typeId() == QMetaType::QStringList
                               ? carpeta.toStringList().join(QStringLiteral(", "))
                               : carpeta.toString())
                              .trimmed();
    if (!texto.isEmpty()) {
        a.carpeta = QDir::cleanPath(datos.absoluteFilePath(texto));
        a.porDefecto = false;
    }
    const QString activas =
        s.value(kGrupo + QLatin1Char('/') + kAutomaticas).toString().trimmed().toLower();
    a.automaticas = !(activas == QLatin1String("no") || activas == QLatin1String("0")
                      || activas == QLatin1String("false"));
    return a;
}

QString fijarClaves(const QString& texto, const QString& grupo,
                    const QList<QPair<QString, QString>>& claves)
{
    QStringList lineas = texto.split(QLatin1Char('\n'));
    if (!lineas.isEmpty() && lineas.last().isEmpty())
        lineas.removeLast();   // the final newline comes back when joined
    const QString cabecera = QLatin1Char('[') + grupo + QLatin1Char(']');
    qsizetype inicio = -1;
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        if (lineas.at(i).trimmed() == cabecera) {   // as QSettings reads it: case counts
            inicio = i;
            break;
        }
    }
    if (inicio < 0) {
        if (!lineas.isEmpty() && !lineas.last().trimmed().isEmpty())
            lineas.append(QString());
        lineas.append(cabecera);
        inicio = lineas.size() - 1;
    }
    for (const auto& [clave, valor] : claves) {
        const QString nueva = clave + QLatin1Char('=') + valorIni(valor);
        qsizetype fin = inicio + 1;
        while (fin < lineas.size() && !lineas.at(fin).trimmed().startsWith(QLatin1Char('[')))
            ++fin;
        bool puesta = false;
        qsizetype ultima = inicio;
        for (qsizetype i = inicio + 1; i < fin; ++i) {
            const QString l = lineas.at(i).trimmed();
            if (l.isEmpty())
                continue;
            ultima = i;
            if (l.startsWith(QLatin1Char(';')) || l.startsWith(QLatin1Char('#')))
                continue;
            if (l.section(QLatin1Char('='), 0, 0).trimmed() != clave)
                continue;
            if (puesta) {
                lineas.removeAt(i--);   // a repeated key would keep its old value on reading
                --fin;
                --ultima;
            } else {
                lineas[i] = nueva;
                puesta = true;
            }
        }
        if (!puesta)
            lineas.insert(ultima + 1, nueva);
    }
    return lineas.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void guardarAjustes(const QString& rutaBaseDatos, const QString& carpeta, bool automaticas)
{
    const QString ini = consulta::rutaJuntoA(rutaBaseDatos);
    QString texto;
    if (QFileInfo::exists(ini)) {
        QFile f(ini);
        if (!f.open(QIODevice::ReadOnly))
            throw DbError(QStringLiteral("ERROR: No se puede leer %1.").arg(citadoRuta(ini)));
        texto = QString::fromUtf8(f.readAll());
    }
    // Inside the data's folder the folder is written relative to it, so it moves with the data.
    const QDir datos(carpetaDe(rutaBaseDatos));
    QString guardada = QDir::cleanPath(datos.absoluteFilePath(carpeta));
    const QString relativa = datos.relativeFilePath(guardada);
    if (!relativa.startsWith(QStringLiteral("..")))
        guardada = relativa;
    texto = fijarClaves(texto, kGrupo,
                        {{kCarpeta, guardada},
                         {kAutomaticas,
                          automaticas ? QStringLiteral("si") : QStringLiteral("no")}});
    // Written whole beside it and renamed over it: never half a file of the practice's data.
    QSaveFile f(ini);
    const QByteArray bytes = texto.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw DbError(QStringLiteral("ERROR: No se ha podido guardar %1; sigue como estaba.")
                          .arg(citadoRuta(ini)));
}

Estado leerEstado(const QString& rutaBaseDatos)
{
    Estado e;
    const QString ruta = rutaEstado(rutaBaseDatos);
    if (!QFileInfo(ruta).isFile())
        return e;
    const QSettings s(ruta, QSettings::IniFormat);
    e.ultimaCorrecta =
        QDateTime::fromString(s.value(QStringLiteral("UltimaCorrecta")).toString(), Qt::ISODate);
    e.rutaUltima = s.value(QStringLiteral("RutaUltima")).toString();
    e.momentoFallo =
        QDateTime::fromString(s.value(QStringLiteral("MomentoFallo")).toString(), Qt::ISODate);
    e.fallo = s.value(QStringLiteral("Fallo")).toString();
    return e;
}

QList<CopiaEnCarpeta> copiasEn(const QString& carpeta)
{
    QList<CopiaEnCarpeta> copias;
    const QFileInfoList ficheros = QDir(carpeta).entryInfoList(
        {QStringLiteral("clinora-copia-*.mdb")}, QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo& f : ficheros) {
        const QDateTime momento = momentoDe(f.fileName());
        if (momento.isValid())
            copias.append({f.absoluteFilePath(), momento, f.size()});
    }
    std::sort(copias.begin(), copias.end(), [](const CopiaEnCarpeta& a, const CopiaEnCarpeta& b) {
        return a.momento > b.momento;
    });
    return copias;
}

QList<int> sobrantes(const QList<QDateTime>& momentos, const QDate& hoy)
{
    // Per period (a day, a week, a month: one key each), the newest copy in it.
    QHash<qint64, int> ultima;
    const auto apuntar = [&](qint64 clave, int i) {
        const auto it = ultima.constFind(clave);
        if (it == ultima.cend() || momentos.at(*it) < momentos.at(i))
            ultima.insert(clave, i);
    };
    const auto lunes = [](const QDate& d) { return d.addDays(1 - d.dayOfWeek()); };
    const auto mesNumero = [](const QDate& d) { return qint64(d.year()) * 12 + d.month() - 1; };
    QList<bool> guardar(momentos.size(), false);
    for (int i = 0; i < momentos.size(); ++i) {
        const QDate d = momentos.at(i).date();
        const qint64 dias = d.daysTo(hoy);
        if (dias < 0) {
            guardar[i] = true;   // after today: the clock was set back; not ours to judge
            continue;
        }
        if (dias < 7)
            apuntar(d.toJulianDay(), i);
        const qint64 semanas = lunes(d).daysTo(lunes(hoy)) / 7;
        if (semanas >= 1 && semanas <= 4)
            apuntar((qint64(1) << 40) + lunes(d).toJulianDay(), i);
        const qint64 meses = mesNumero(hoy) - mesNumero(d);
        if (meses >= 1 && meses <= 12)
            apuntar((qint64(2) << 40) + mesNumero(d), i);
    }
    for (int i : std::as_const(ultima))
        guardar[i] = true;
    QList<int> fuera;
    for (int i = 0; i < momentos.size(); ++i) {
        if (!guardar.at(i))
            fuera.append(i);
    }
    return fuera;
}

int rotar(const QString& carpeta, const QDate& hoy)
{
    const QList<CopiaEnCarpeta> copias = copiasEn(carpeta);
    QList<QDateTime> momentos;
    for (const CopiaEnCarpeta& c : copias)
        momentos.append(c.momento);
    int quitadas = 0;
    for (int i : sobrantes(momentos, hoy)) {
        if (QFile::remove(copias.at(i).ruta))
            ++quitadas;
    }
    return quitadas;
}

Recuento contar(const QString& ruta)
{
    Recuento r;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &h, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h,
                               "SELECT (SELECT COUNT(*) FROM Paciente), "
                               "(SELECT COUNT(*) FROM Visita)",
                               -1, &st, nullptr)
                == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW) {
            r.pacientes = sqlite3_column_int(st, 0);
            r.visitas = sqlite3_column_int(st, 1);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return r;
}

QString describirMomento(const QDateTime& momento, const QDateTime& ahora)
{
    if (!momento.isValid())
        return QStringLiteral("nunca");
    const qint64 segundos = momento.secsTo(ahora);
    const auto cuantos = [](qint64 n, const char* uno, const char* varios) {
        return n == 1 ? QString::fromUtf8(uno) : QString::fromUtf8(varios).arg(n);
    };
    QString hace;
    if (segundos < 60)
        hace = QStringLiteral("hace un momento");
    else if (segundos < 3600)
        hace = cuantos(segundos / 60, "hace 1 minuto", "hace %1 minutos");
    else if (segundos < 86400)
        hace = cuantos(segundos / 3600, "hace 1 hora", "hace %1 horas");
    else
        hace = cuantos(segundos / 86400, "hace 1 día", "hace %1 días");
    return QStringLiteral("el %1 a las %2 (%3)")
        .arg(formatos::textoFecha(momento.date()), formatos::textoHora(momento.time()), hace);
}

QString hacer(QSqlDatabase db, const QString& rutaBaseDatos, const copia::Progreso& progreso)
{
    const Ajustes a = leerAjustes(rutaBaseDatos);
    if (!a.automaticas)
        return {};
    const QDateTime ahora = reloj::ahora();
    Estado estado = leerEstado(rutaBaseDatos);
    try {
        if (!QFileInfo(a.carpeta).isDir()) {
            // The folder beside the data is ours to make; a chosen one that is missing is most
            // likely a disk that is not plugged in, and a folder made in its place would hide it.
            if (!a.porDefecto || !QDir().mkpath(a.carpeta))
                throw DbError(QStringLiteral("La carpeta %1 no existe o no está disponible. Si "
                                             "es un disco USB o una carpeta de red, compruebe "
                                             "que está conectado.")
                                  .arg(citadoRuta(a.carpeta)));
            QFile::setPermissions(a.carpeta, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                 | QFileDevice::ExeOwner);
        }
        const QString destino = QDir(a.carpeta).filePath(nombreCopia(ahora));
        traslado::guardarCopia(db, destino, progreso);
        estado.ultimaCorrecta = ahora;
        estado.rutaUltima = destino;
        estado.momentoFallo = QDateTime();
        estado.fallo.clear();
        guardarEstado(rutaBaseDatos, estado);
        // Only once the new copy is whole are old ones let go.
        rotar(a.carpeta, ahora.date());
        return destino;
    } catch (const DbError& e) {
        estado.momentoFallo = ahora;
        estado.fallo = quitarError(e.message());
        guardarEstado(rutaBaseDatos, estado);
        throw DbError(QStringLiteral("ERROR: No se ha podido hacer la copia automática de los "
                                     "datos en la carpeta %1.\n\n%2\n\nÚltima copia correcta: "
                                     "%3.")
                          .arg(citadoRuta(a.carpeta), estado.fallo,
                               describirMomento(estado.ultimaCorrecta, ahora)));
    }
}

QString alArrancar(const QString& rutaBaseDatos)
{
    const Ajustes a = leerAjustes(rutaBaseDatos);
    if (QFileInfo(a.carpeta).isDir())
        acceso::limpiarTemporales(a.carpeta);
    if (!a.automaticas)
        return {};
    const Estado e = leerEstado(rutaBaseDatos);
    const QDateTime ahora = reloj::ahora();
    const QString donde = QStringLiteral("\n\nPuede elegir otra carpeta en \"Backup\" › \"Copias "
                                         "automáticas…\".");
    if (e.momentoFallo.isValid())
        return QStringLiteral("ATENCIÓN: La última copia automática de los datos (%1) no se pudo "
                              "hacer en la carpeta %2:\n\n%3\n\nÚltima copia correcta: %4.")
                   .arg(describirMomento(e.momentoFallo, ahora), citadoRuta(a.carpeta), e.fallo,
                        describirMomento(e.ultimaCorrecta, ahora))
               + donde;
    if (e.ultimaCorrecta.isValid() && e.ultimaCorrecta.secsTo(ahora) > 7 * 86400)
        return QStringLiteral("ATENCIÓN: La última copia automática correcta de los datos es "
                              "de hace más de una semana: %1, en %2.")
                   .arg(describirMomento(e.ultimaCorrecta, ahora), citadoRuta(e.rutaUltima))
               + donde;
    return {};
}

bool Diaria::toca(const QDate& hoy)
{
    const bool nuevoDia = dia_.isValid() && hoy > dia_;
    dia_ = hoy;
    return nuevoDia;
}

}  // namespace copiasauto
