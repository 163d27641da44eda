#include "db/consulta.h"

#include "db/motor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

QString rutaActual()
{
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection),
                                                   false);
    // On the server the file lives beside the program, as the connection names no folder.
    if (db.isValid() && !db.databaseName().isEmpty() && !motor::esServidor(db))
        return rutaJuntoA(db.databaseName());
    return QDir(QCoreApplication::applicationDirPath()).filePath(kNombreFichero);
}

DatosConsulta leer(const QString& rutaIni)
{
    DatosConsulta d;
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
    return d;
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
