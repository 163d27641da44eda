#include "reports/letras.h"

#include <array>

namespace letras {

namespace {

// 0 to 29 have their own words; before a noun "uno" loses its ending (un euro, veintiún mil).
const std::array<const char*, 30> kUnidades = {
    "cero", "uno", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve",
    "diez", "once", "doce", "trece", "catorce", "quince", "dieciséis", "diecisiete",
    "dieciocho", "diecinueve", "veinte", "veintiuno", "veintidós", "veintitrés",
    "veinticuatro", "veinticinco", "veintiséis", "veintisiete", "veintiocho", "veintinueve"};
const std::array<const char*, 10> kDecenas = {
    "", "", "", "treinta", "cuarenta", "cincuenta", "sesenta", "setenta", "ochenta", "noventa"};
const std::array<const char*, 10> kCentenas = {
    "", "ciento", "doscientos", "trescientos", "cuatrocientos", "quinientos", "seiscientos",
    "setecientos", "ochocientos", "novecientos"};

// 1 to 999; `apocope` when a noun follows (un, veintiún, treinta y un).
QString hastaMil(int n, bool apocope)
{
    QString s;
    const int centenas = n / 100;
    const int resto = n % 100;
    if (centenas > 0)
        s = n == 100 ? QStringLiteral("cien") : QString::fromUtf8(kCentenas[centenas]);
    if (resto == 0)
        return s;
    if (!s.isEmpty())
        s += QLatin1Char(' ');
    QString final;
    if (resto < 30) {
        final = QString::fromUtf8(kUnidades[resto]);
    } else {
        final = QString::fromUtf8(kDecenas[resto / 10]);
        if (resto % 10)
            final += QStringLiteral(" y ") + QString::fromUtf8(kUnidades[resto % 10]);
    }
    if (apocope && resto % 10 == 1 && resto != 11) {
        if (final.endsWith(QStringLiteral("veintiuno")))
            final = final.chopped(9) + QStringLiteral("veintiún");
        else if (final.endsWith(QStringLiteral("uno")))
            final.chop(1);
    }
    return s + final;
}

// 0 to 999,999,999 with a noun after it.
QString numero(int n)
{
    if (n == 0)
        return QString::fromUtf8(kUnidades[0]);
    QStringList partes;
    const int millones = n / 1000000;
    const int miles = n / 1000 % 1000;
    const int unidades = n % 1000;
    if (millones == 1)
        partes << QStringLiteral("un millón");
    else if (millones > 1)
        partes << hastaMil(millones, true) + QStringLiteral(" millones");
    if (miles == 1)
        partes << QStringLiteral("mil");
    else if (miles > 1)
        partes << hastaMil(miles, true) + QStringLiteral(" mil");
    if (unidades > 0)
        partes << hastaMil(unidades, true);
    return partes.join(QLatin1Char(' '));
}

}  // namespace

QString importe(int euros)
{
    if (euros < 0)
        return {};
    QString s = numero(euros);
    if (euros == 1)
        s += QStringLiteral(" euro");
    else if (euros > 0 && euros % 1000000 == 0)
        s += QStringLiteral(" de euros");   // un millón de euros
    else
        s += QStringLiteral(" euros");
    return s.toUpper();
}

QString fecha(const QDate& f)
{
    static const std::array<const char*, 12> kMeses = {
        "enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
        "septiembre", "octubre", "noviembre", "diciembre"};
    if (!f.isValid())
        return {};
    return QStringLiteral("%1 de %2 de %3")
        .arg(f.day())
        .arg(QString::fromUtf8(kMeses[size_t(f.month() - 1)]))
        .arg(f.year());
}

}  // namespace letras
