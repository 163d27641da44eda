#include "ui/listings/exportar.h"

#include "ui/common/dialogos.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace exportar {

namespace {

const QString kFinDeLinea = QStringLiteral("\r\n");

}  // namespace

QString campo(const QString& texto)
{
    const bool comillas = texto.contains(QLatin1Char(';')) || texto.contains(QLatin1Char('"'))
                          || texto.contains(QLatin1Char('\n')) || texto.contains(QLatin1Char('\r'))
                          || texto != texto.trimmed();
    if (!comillas)
        return texto;
    QString t = texto;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString textoCsv(QAbstractItemModel& modelo)
{
    while (modelo.canFetchMore(QModelIndex()))
        modelo.fetchMore(QModelIndex());
    QStringList lineas;
    QStringList titulos;
    for (int c = 0; c < modelo.columnCount(); ++c)
        titulos << campo(modelo.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    lineas << titulos.join(QLatin1Char(';'));
    for (int f = 0; f < modelo.rowCount(); ++f) {
        QStringList celdas;
        for (int c = 0; c < modelo.columnCount(); ++c)
            celdas << campo(modelo.index(f, c).data(Qt::DisplayRole).toString());
        lineas << celdas.join(QLatin1Char(';'));
    }
    return lineas.join(kFinDeLinea) + kFinDeLinea;
}

QString escribir(const QString& ruta, const QString& texto)
{
    QSaveFile f(ruta);
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + texto.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return QStringLiteral("No se ha podido escribir el fichero «%1»: %2.")
            .arg(QDir::toNativeSeparators(ruta), f.errorString());
    return {};
}

QString elegirFichero(QWidget* padre, const QString& nombrePropuesto)
{
    QString carpeta = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (carpeta.isEmpty() || !QDir(carpeta).exists())
        carpeta = QDir::homePath();
    QString ruta = dialogos::elegirFichero(padre, dialogos::Modo::Guardar,
                                           QStringLiteral("Exportar listado"),
                                           QDir(carpeta).filePath(nombrePropuesto),
                                           QStringLiteral("Hoja de cálculo CSV (*.csv)"));
    // A name typed without its extension still opens in a spreadsheet.
    if (!ruta.isEmpty() && QFileInfo(ruta).suffix().isEmpty())
        ruta += QStringLiteral(".csv");
    return ruta;
}

}  // namespace exportar
