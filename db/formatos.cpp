#include "db/formatos.h"

#include <QRegularExpression>

namespace formatos {

QString textoFecha(const QDate& fecha)
{
    return fecha.toString(QStringLiteral("dd/MM/yyyy"));
}

QDate fechaDeTexto(const QString& texto)
{
    // Read by hand: the grids colour every row by its date on every paint.
    if (texto.size() != 10 || texto.at(2) != QLatin1Char('/') || texto.at(5) != QLatin1Char('/'))
        return {};
    int partes[3] = {0, 0, 0};
    const int inicio[3] = {0, 3, 6};
    const int largo[3] = {2, 2, 4};
    for (int p = 0; p < 3; ++p) {
        for (int i = inicio[p]; i < inicio[p] + largo[p]; ++i) {
            const QChar c = texto.at(i);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return {};
            partes[p] = partes[p] * 10 + (c.unicode() - '0');
        }
    }
    const QDate fecha(partes[2], partes[1], partes[0]);
    return fecha.isValid() ? fecha : QDate();
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
