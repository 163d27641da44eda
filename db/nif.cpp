#include "db/nif.h"

#include <QRegularExpression>

namespace nif {

namespace {

const QString kLetrasDni = QStringLiteral("TRWAGMYFPDXBNJZSQVHLCKE");

QChar letraDni(qint64 numero)
{
    return kLetrasDni.at(int(numero % 23));
}

// The company NIF's control: the digits in even places added, those in odd places doubled
// and their digits added; the control digit makes the total a multiple of ten, and its letter
// is the digit's place in "JABCDEFGHI".
int digitoCif(const QString& siete)
{
    int suma = 0;
    for (int i = 0; i < 7; ++i) {
        const int d = siete.at(i).digitValue();
        if (i % 2 == 1) {
            suma += d;
        } else {
            const int doble = 2 * d;
            suma += doble / 10 + doble % 10;
        }
    }
    return (10 - suma % 10) % 10;
}

}  // namespace

Comprobacion comprobar(const QString& texto)
{
    Comprobacion c;
    static const QRegularExpression separadores(QStringLiteral("[\\s.\\-/]"));
    c.normalizado = texto.toUpper().remove(separadores);
    if (c.normalizado.isEmpty())
        return c;
    const QString& n = c.normalizado;
    c.estado = Estado::FormaDesconocida;

    static const QRegularExpression dni(QStringLiteral("^(\\d{8})([A-Z])$"));
    static const QRegularExpression nie(QStringLiteral("^([XYZ])(\\d{7})([A-Z])$"));
    static const QRegularExpression klm(QStringLiteral("^([KLM])(\\d{7})([A-Z])$"));
    static const QRegularExpression cif(QStringLiteral("^([ABCDEFGHJNPQRSUVW])(\\d{7})([0-9A-J])$"));
    QChar esperado;
    QChar dado;
    if (const auto m = dni.match(n); m.hasMatch()) {
        c.tipo = QStringLiteral("DNI");
        esperado = letraDni(m.captured(1).toLongLong());
        dado = m.captured(2).at(0);
    } else if (const auto m = nie.match(n); m.hasMatch()) {
        c.tipo = QStringLiteral("NIE");
        const QString cifras = QString::number(QStringLiteral("XYZ").indexOf(m.captured(1)))
                               + m.captured(2);
        esperado = letraDni(cifras.toLongLong());
        dado = m.captured(3).at(0);
    } else if (const auto m = klm.match(n); m.hasMatch()) {
        c.tipo = QStringLiteral("NIF");
        esperado = letraDni(m.captured(2).toLongLong());
        dado = m.captured(3).at(0);
    } else if (const auto m = cif.match(n); m.hasMatch()) {
        c.tipo = QStringLiteral("CIF");
        const int digito = digitoCif(m.captured(2));
        const QChar letra = QStringLiteral("JABCDEFGHI").at(digito);
        const QChar cifra = QChar(u'0' + digito);
        const QChar primera = m.captured(1).at(0);
        dado = m.captured(3).at(0);
        // Some kinds of company take only the letter, some only the digit, the rest either.
        if (QStringLiteral("PQRSNW").contains(primera))
            esperado = letra;
        else if (QStringLiteral("ABEH").contains(primera))
            esperado = cifra;
        else
            esperado = dado == letra ? letra : cifra;
    } else {
        return c;
    }
    c.esperado = esperado;
    c.estado = dado == esperado ? Estado::Valido : Estado::ControlIncorrecto;
    return c;
}

QString aviso(const QString& texto)
{
    const Comprobacion c = comprobar(texto);
    switch (c.estado) {
    case Estado::Vacio:
    case Estado::Valido:
        return {};
    case Estado::ControlIncorrecto:
        return QStringLiteral("El %1 «%2» no es válido: su carácter de control debería ser "
                              "«%3». Revíselo; tal como está, Hacienda no lo reconocerá.")
            .arg(c.tipo, texto.trimmed(), c.esperado);
    case Estado::FormaDesconocida:
        break;
    }
    return QStringLiteral("«%1» no tiene la forma de un NIF, NIE o DNI español (por ejemplo "
                          "12345678Z, X1234567L o B12345674). Revíselo.")
        .arg(texto.trimmed());
}

}  // namespace nif
