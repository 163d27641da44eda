#include "db/consulta.h"

#include "db/motor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QSqlDatabase>

QString DatosConsulta::localidad() const
{
    const qsizetype guion = poblacion.indexOf(QLatin1Char('-'));
    if (guion >= 0)
        return poblacion.mid(guion + 1).trimmed();
    static const QRegularExpression codigoPostal(QStringLiteral("^\\s*\\d+\\s*"));
    return QString(poblacion).remove(codigoPostal).trimmed();
}

namespace consulta {

namespace {

// An unquoted value with commas comes back from QSettings as a list; the practice meant the
// commas ("C/ Mayor, 5"), so they are put back.
QString linea(const QSettings& ini, const QString& clave)
{
    const QVariant v = ini.value(kGrupo + QLatin1Char('/') + clave);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", ")).trimmed();
    return v.toString().trimmed();
}

}  // namespace

QString rutaJuntoA(const QString& rutaBaseDatos)
{
    return QFileInfo(rutaBaseDatos).absoluteDir().filePath(kNombreFichero);
}

namespace {
QString rutaServidor;
}

void fijarRutaServidor(const QString& rutaIni)
{
    rutaServidor = rutaIni;
}

QString rutaActual()
{
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection),
                                                   false);
    // On the server the file lives beside the program, as the connection names no folder.
    if (db.isValid() && !db.databaseName().isEmpty() && !motor::esServidor(db))
        return rutaJuntoA(db.databaseName());
    if (db.isValid() && motor::esServidor(db) && !rutaServidor.isEmpty())
        return rutaServidor;
    return QDir(QCoreApplication::applicationDirPath()).filePath(kNombreFichero);
}

DatosConsulta leer(const QString& rutaIni)
{
    DatosConsulta d;
    d.exencion = kExencionPorDefecto;
    // QSettings would quietly make an empty store of a missing file; the check keeps it a
    // plain "no data".
    if (!QFileInfo(rutaIni).isFile())
        return d;
    const QSettings ini(rutaIni, QSettings::IniFormat);
    d.nombre = linea(ini, QStringLiteral("Nombre"));
    d.titulo = linea(ini, QStringLiteral("Titulo"));
    d.colegiado = linea(ini, QStringLiteral("Colegiado"));
    d.nif = linea(ini, QStringLiteral("NIF"));
    d.direccion = linea(ini, QStringLiteral("Direccion"));
    d.poblacion = linea(ini, QStringLiteral("Poblacion"));
    d.telefono = linea(ini, QStringLiteral("Telefono"));
    d.exencion = ini.contains(kGrupo + QStringLiteral("/Exencion"))
                     ? linea(ini, QStringLiteral("Exencion"))
                     : kExencionPorDefecto;
    d.numeracion = ini.value(kGrupoFacturas + QStringLiteral("/Numeracion"))
                               .toString()
                               .trimmed()
                               .compare(kCorrelativa, Qt::CaseInsensitive)
                           == 0
                       ? DatosConsulta::Numeracion::Correlativa
                       : DatosConsulta::Numeracion::PacienteFecha;
    return d;
}

namespace {

// A value as the settings reader takes it back unchanged: between double quotes, with its
// quotes and backslashes escaped, when it holds anything the reader would take apart (a comma
// makes a list, a semicolon a comment) or blanks at its ends; a leading @ doubled.
QString valorIni(QString v)
{
    v.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    static const QRegularExpression especial(QStringLiteral("[,;\"\\\\=#\\t]"));
    const bool comillas = v.contains(especial) || v != v.trimmed();
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    v.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    if (v.startsWith(QLatin1Char('@')))
        v.prepend(QLatin1Char('@'));
    return comillas ? QLatin1Char('"') + v + QLatin1Char('"') : v;
}

// The key a line sets, or empty for a comment, a blank line or a section heading.
QString claveDe(const QString& linea)
{
    const QString t = linea.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'))
        || t.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype igual = t.indexOf(QLatin1Char('='));
    return igual < 0 ? QString() : t.left(igual).trimmed();
}

bool esSeccion(const QString& linea)
{
    return linea.trimmed().startsWith(QLatin1Char('['));
}

// Sets `claves` (name and value, in order) in section `grupo` of `lineas`.
void fijarSeccion(QStringList& lineas, const QString& grupo,
                  const QList<std::pair<QString, QString>>& claves)
{
    const QString cabecera = QLatin1Char('[') + grupo + QLatin1Char(']');
    qsizetype inicio = -1;
    for (qsizetype i = 0; i < lineas.size() && inicio < 0; ++i) {
        if (lineas.at(i).trimmed() == cabecera)
            inicio = i;
    }
    if (inicio < 0) {
        if (!lineas.isEmpty() && !lineas.last().trimmed().isEmpty())
            lineas << QString();
        lineas << cabecera;
        for (const auto& [clave, valor] : claves)
            lineas << clave + QLatin1Char('=') + valorIni(valor);
        return;
    }
    for (const auto& [clave, valor] : claves) {
        qsizetype fin = inicio + 1;
        while (fin < lineas.size() && !esSeccion(lineas.at(fin)))
            ++fin;
        bool puesta = false;
        for (qsizetype i = inicio + 1; i < fin; ++i) {
            if (claveDe(lineas.at(i)) != clave)
                continue;
            if (!puesta) {
                lineas[i] = clave + QLatin1Char('=') + valorIni(valor);
                puesta = true;
            } else {
                // A repeated key would read back as the last one: only one is kept.
                lineas.removeAt(i);
                --i;
                --fin;
            }
        }
        if (!puesta) {
            qsizetype donde = fin;
            while (donde > inicio + 1 && lineas.at(donde - 1).trimmed().isEmpty())
                --donde;
            lineas.insert(donde, clave + QLatin1Char('=') + valorIni(valor));
        }
    }
}

}  // namespace

QString guardar(const QString& rutaIni, const DatosConsulta& d)
{
    QString texto;
    if (QFileInfo::exists(rutaIni)) {
        QFile f(rutaIni);
        if (!f.open(QIODevice::ReadOnly))
            return QStringLiteral("No se puede leer el fichero «%1»: %2.")
                .arg(QDir::toNativeSeparators(rutaIni), f.errorString());
        texto = QString::fromUtf8(f.readAll());
    }
    const bool bom = texto.startsWith(QChar(0xFEFF));
    if (bom)
        texto.remove(0, 1);
    const QString fin = texto.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n")
                                                                 : QStringLiteral("\n");
    QStringList lineas = texto.split(fin);
    if (!lineas.isEmpty() && lineas.last().isEmpty())
        lineas.removeLast();
    fijarSeccion(lineas, kGrupo,
                 {{QStringLiteral("Nombre"), d.nombre},
                  {QStringLiteral("Titulo"), d.titulo},
                  {QStringLiteral("Colegiado"), d.colegiado},
                  {QStringLiteral("NIF"), d.nif},
                  {QStringLiteral("Direccion"), d.direccion},
                  {QStringLiteral("Poblacion"), d.poblacion},
                  {QStringLiteral("Telefono"), d.telefono},
                  {QStringLiteral("Exencion"), d.exencion}});
    fijarSeccion(lineas, kGrupoFacturas,
                 {{QStringLiteral("Numeracion"),
                   d.numeracion == DatosConsulta::Numeracion::Correlativa ? kCorrelativa
                                                                          : kPacienteFecha}});
    QByteArray bytes = (lineas.join(fin) + fin).toUtf8();
    if (bom)
        bytes.prepend("\xEF\xBB\xBF");
    // Written beside and moved into place: a failure half-way leaves the old file whole.
    QSaveFile f(rutaIni);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return QStringLiteral("No se puede escribir el fichero «%1»: %2.")
            .arg(QDir::toNativeSeparators(rutaIni), f.errorString());
    return {};
}

bool escribirDemo(const QString& rutaIni)
{
    QFile f(rutaIni);
    // NewOnly fails on an existing file instead of truncating it, with no window for a race.
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text))
        return false;
    const QByteArray texto = QStringLiteral(
        "; Datos de la consulta que encabezan las facturas de Clinora.\n"
        "; Una clave por línea del encabezado; una clave vacía o ausente deja su línea\n"
        "; en blanco.\n"
        "; Los valores con coma o punto y coma van entre comillas dobles.\n"
        "; Colegiado, NIF y Telefono se imprimen tras \"Col. Nº\", \"N.I.F.\" y \"Teléfono:\".\n"
        "[Consulta]\n"
        "Nombre=Dra. Elena Martín Castaño\n"
        "Titulo=Médico especialista en Medicina Familiar\n"
        "Colegiado=28/2812345\n"
        "NIF=12345678Z\n"
        "Direccion=\"C/ Alcalá, 123, 2º B\"\n"
        "Poblacion=28009 - Madrid\n"
        "Telefono=91 555 12 34\n").toUtf8();
    return f.write(texto) == texto.size();
}

}  // namespace consulta
