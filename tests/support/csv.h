#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A CSV text read back as a spreadsheet reads it: fields parted by `separador`, a field between
// double quotes may hold the separator, line breaks and doubled quotes. Lines end in LF or
// CR LF.
QList<QStringList> leerCsv(const QString& texto, QChar separador = QLatin1Char(';'));
