#include "db/agenda.h"

#include "db/comando.h"
#include "db/formatos.h"
#include "db/sql.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTime>

#include <algorithm>

namespace agenda {

namespace {

// The Spanish initials of the days, Monday first; X for miércoles, as Spanish calendars write.
const QString kLetras = QStringLiteral("LMXJVSD");
const QList<int> kLunesAViernes = {1, 2, 3, 4, 5};

}  // namespace

const QStringList& horasDelTablero()
{
    static const QStringList h = {"15:00", "15:45", "16:30", "17:15", "18:00",
                                  "18:45", "19:30", "20:15", "21:00"};
    return h;
}

Semana::Semana() : dias_(kLunesAViernes) {}

Semana Semana::deTexto(const QString& texto)
{
    static const QRegularExpression separadores(QStringLiteral("[,\\s]+"));
    const QStringList partes = texto.trimmed().split(separadores, Qt::SkipEmptyParts);
    QList<int> dias;
    for (const QString& p : partes) {
        const qsizetype i = p.size() == 1 ? kLetras.indexOf(p.at(0).toUpper()) : -1;
        if (i < 0)
            return {};
        if (!dias.contains(int(i) + 1))
            dias << int(i) + 1;
    }
    Semana s;
    if (!dias.isEmpty()) {
        std::sort(dias.begin(), dias.end());
        s.dias_ = dias;
    }
    return s;
}

Semana Semana::deFichero(const QString& rutaIni)
{
    // QSettings would quietly make an empty store of a missing file.
    if (!QFileInfo(rutaIni).isFile())
        return {};
    const QSettings ini(rutaIni, QSettings::IniFormat);
    const QVariant v = ini.value(kGrupo + QStringLiteral("/Dias"));
    // Unquoted, the commas make a list of it.
    return deTexto(v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(','))
                                                        : v.toString());
}

bool Semana::trabaja(const QDate& dia) const
{
    return dias_.contains(dia.dayOfWeek());
}

std::optional<Hueco> primerHuecoLibre(const QDate& desde, const Semana& semana,
                                      const QDateTime& ahora)
{
    QStringList laborables;
    for (int n = 0; n < kDiasBuscados; ++n) {
        const QDate dia = desde.addDays(n);
        if (semana.trabaja(dia))
            laborables << formatos::textoFecha(dia);
    }
    if (laborables.isEmpty())
        return std::nullopt;
    const QStringList completos = comando::columna(sql::diasCompletos(laborables,
                                                                      horasDelTablero()));
    const QSet<QString> llenos(completos.begin(), completos.end());
    for (const QString& fecha : std::as_const(laborables)) {
        if (llenos.contains(fecha))
            continue;
        const QDate dia = formatos::fechaDeTexto(fecha);
        const QStringList ocupadas = comando::columna(sql::horasOcupadas(fecha));
        for (const QString& hora : horasDelTablero()) {
            const bool pasada = dia == ahora.date()
                                && QTime::fromString(hora, QStringLiteral("HH:mm"))
                                       <= ahora.time();
            if (!pasada && !ocupadas.contains(hora))
                return Hueco{dia, hora};
        }
    }
    return std::nullopt;
}

QString nombreDelDia(const QDate& dia)
{
    return QLocale(QLocale::Spanish, QLocale::Spain).dayName(dia.dayOfWeek());
}

}  // namespace agenda
