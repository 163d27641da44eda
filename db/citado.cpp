#include "db/citado.h"

#include <QDir>

QString citado(const QString& texto)
{
    return QStringLiteral("«") + texto + QStringLiteral("»");
}

QString citadoRuta(const QString& ruta)
{
    return citado(QDir::toNativeSeparators(ruta));
}
