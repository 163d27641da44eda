#include "db/formatos.h"

#include <QRegularExpression>

namespace formatos {

QString textoFecha(const QDate& fecha)
{
    return fecha.toString(QStringLiteral("dd/MM/yyyy"));
}

QDate fechaDeTexto(const QString& texto)
{
    static const QRegularExpression forma(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}$"));
    if (!forma.match(texto).hasMatch())
        return {};
    return QDate::fromString(texto, QStringLiteral("dd/MM/yyyy"));
}

QString textoHora(const QTime& hora)
{
    return hora.toString(QStringLiteral("HH:mm"));
}

bool esHoraValida(const QString& texto)
{
    static const QRegularExpression forma(QStringLiteral("^([01]\\d|2[0-3]):[0-5]\\d$"));
    return forma.match(texto).hasMatch();
}

QString textoHoraLarga(const QTime& hora)
{
    return hora.toString(QStringLiteral("HH:mm:ss"));
}

QString numeroFactura(int codigo, const QString& fechaTexto)
{
    QString digitos = fechaTexto;
    digitos.remove(QLatin1Char('/'));
    return QString::number(codigo) + QLatin1Char('-') + digitos;
}

}  // namespace formatos
