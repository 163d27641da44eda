#include "tests/support/csv.h"

QList<QStringList> leerCsv(const QString& texto, QChar separador)
{
    QList<QStringList> filas;
    QStringList fila;
    QString campo;
    bool entreComillas = false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (entreComillas) {
            if (c != QLatin1Char('"'))
                campo += c;
            else if (i + 1 < texto.size() && texto.at(i + 1) == QLatin1Char('"'))
                campo += texto.at(++i);
            else
                entreComillas = false;
        } else if (c == QLatin1Char('"')) {
            entreComillas = true;
        } else if (c == separador) {
            fila << campo;
            campo.clear();
        } else if (c == QLatin1Char('\n')) {
            fila << campo;
            filas << fila;
            fila.clear();
            campo.clear();
        } else if (c != QLatin1Char('\r')) {
            campo += c;
        }
    }
    if (!campo.isEmpty() || !fila.isEmpty()) {
        fila << campo;
        filas << fila;
    }
    return filas;
}
