#include "db/convertidores.h"

#include "db/citado.h"
#include "db/formatos.h"

#include <QDate>
#include <QList>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <cstdint>

namespace importacion {

namespace {

// d/m/yyyy or yyyy-m-d, each optionally followed by a time of day.
const QRegularExpression& patronDiaMes()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    return re;
}

const QRegularExpression& patronIso()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T]\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    return re;
}

const QRegularExpression& patronHora()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(?:\d{1,2}/\d{1,2}/\d{4}\s+|\d{4}-\d{1,2}-\d{1,2}[ T])?(\d{1,2}):(\d{2})(?::(\d{2}))?\s*$)"));
    return re;
}

// SQLite counts characters, not UTF-16 units.
qsizetype caracteres(const QString& s)
{
    return s.size() <= 50 ? s.size() : s.toUcs4().size();
}

QString primerosCaracteres(const QString& s, qsizetype n)
{
    const QList<uint> puntos = s.toUcs4();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(puntos.constData()),
                             std::min(n, puntos.size()));
}

QString restoCaracteres(const QString& s, qsizetype n)
{
    const QList<uint> puntos = s.toUcs4();
    return n >= puntos.size()
               ? QString()
               : QString::fromUcs4(reinterpret_cast<const char32_t*>(puntos.constData()) + n,
                                   puntos.size() - n);
}

// 1 when yes, 0 when no, -1 when it is neither.
int siNo(const QString& texto)
{
    static const QStringList si{QStringLiteral("1"),  QStringLiteral("-1"),
                                QStringLiteral("true"), QStringLiteral("sí"),
                                QStringLiteral("si"), QStringLiteral("yes"),
                                QStringLiteral("verdadero")};
    static const QStringList no{QString(), QStringLiteral("0"), QStringLiteral("false"),
                                QStringLiteral("no"), QStringLiteral("falso")};
    const QString t = texto.trimmed().toLower();
    return si.contains(t) ? 1 : no.contains(t) ? 0 : -1;
}

}  // namespace

QString fechaImportada(const QString& texto)
{
    int dia = 0, mes = 0, ano = 0;
    QRegularExpressionMatch m = patronDiaMes().match(texto);
    if (m.hasMatch()) {
        dia = m.captured(1).toInt();
        mes = m.captured(2).toInt();
        ano = m.captured(3).toInt();
    } else {
        m = patronIso().match(texto);
        if (!m.hasMatch())
            return {};
        ano = m.captured(1).toInt();
        mes = m.captured(2).toInt();
        dia = m.captured(3).toInt();
    }
    const QDate fecha(ano, mes, dia);
    return fecha.isValid() ? formatos::textoFecha(fecha) : QString();
}

QString horaImportada(const QString& texto)
{
    const QRegularExpressionMatch m = patronHora().match(texto);
    if (!m.hasMatch())
        return {};
    const QTime hora(m.captured(1).toInt(), m.captured(2).toInt(),
                     m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    return hora.isValid() ? formatos::textoHora(hora) : QString();
}

Convertido<QString> fechaDeAlta(const QString& texto)
{
    const QString fecha = texto.isEmpty() ? texto : fechaImportada(texto);
    if (fecha.isEmpty() && !texto.isEmpty())
        return {texto, QStringLiteral("la fecha de alta %1 no es una fecha reconocible; se "
                                      "guarda tal como estaba")
                           .arg(citado(texto))};
    if (fecha != texto)
        return {fecha, QStringLiteral("fecha de alta %1 pasa a %2").arg(citado(texto),
                                                                         citado(fecha))};
    return {fecha, {}};
}

Convertido<QString> fechaDeVisita(const QString& texto)
{
    const QString fecha = fechaImportada(texto);
    if (fecha.isEmpty() || fecha == texto)
        return {fecha, {}};
    return {fecha, QStringLiteral("fecha %1 pasa a %2").arg(citado(texto), citado(fecha))};
}

Convertido<QString> horaDeVisita(const QString& texto)
{
    if (texto.isEmpty())
        return {};
    const QString hora = horaImportada(texto);
    if (hora.isEmpty())
        return {hora, QStringLiteral("la hora %1 no es una hora reconocible; queda vacía")
                          .arg(citado(texto))};
    if (hora != texto)
        return {hora, QStringLiteral("hora %1 pasa a %2").arg(citado(texto), citado(hora))};
    return {hora, {}};
}

Convertido<bool> siNoDeVisita(const QString& texto, const QString& campo)
{
    const int s = siNo(texto);
    if (s < 0)
        return {false,
                QStringLiteral("%1 %2 no es sí ni no; queda «no»").arg(campo, citado(texto))};
    return {s == 1, {}};
}

Convertido<int> importeDeVisita(const QString& texto)
{
    const QString t = texto.trimmed();
    if (t.isEmpty())
        return {0, QStringLiteral("sin importe (vacío o nulo); queda 0")};
    bool entero = false;
    const qint64 c = t.toLongLong(&entero);
    if (entero && c >= INT32_MIN && c <= INT32_MAX)
        return {int(c), c < 0 ? QStringLiteral("importe negativo (%1); se conserva tal cual")
                                    .arg(c)
                              : QString()};
    QString decimal = t;
    decimal.replace(QLatin1Char(','), QLatin1Char('.'));
    bool real = false;
    const double d = entero ? 0.0 : decimal.toDouble(&real);
    if (real && d >= INT32_MIN && d <= INT32_MAX) {
        const int euros = int(qRound64(d));
        return {euros, QStringLiteral("importe %1 con decimales; queda %2 euros")
                           .arg(citado(t))
                           .arg(euros)};
    }
    return {0, QStringLiteral("importe %1 no es un número entero; queda 0").arg(citado(t))};
}

Convertido<QString> observacionDeVisita(const QString& texto)
{
    const qsizetype n = caracteres(texto);
    if (n <= 50)
        return {texto, {}};
    return {primerosCaracteres(texto, 50),
            QStringLiteral("la observación tenía %1 caracteres y caben 50; lo que no cabe era %2")
                .arg(n)
                .arg(citado(restoCaracteres(texto, 50)))};
}

}  // namespace importacion
