#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The practice's week and its board of nine afternoon slots: which days it works (clinora.ini
// [Agenda] Dias=L,M,X,J,V) and where the first free slot is from a given day on.
namespace agenda {

// The nine slots of every day, "15:00" to "21:00", 45 minutes apart, in board order.
const QStringList& horasDelTablero();

inline const QString kGrupo = QStringLiteral("Agenda");
// How far the first free slot is looked for.
inline constexpr int kDiasBuscados = 365;

// The days of the week the practice works, by Qt's numbers (1 Monday ... 7 Sunday).
class Semana {
public:
    Semana();   // Monday to Friday
    // "L,M,X,J,V,S,D" in any order and case, separated by commas or blanks. Empty, or with
    // anything that is no day letter, gives Monday to Friday: a slip in the file must not
    // leave the practice with no working day, nor book on one it did not mean.
    static Semana deTexto(const QString& texto);
    // [Agenda] Dias of the file; a missing file or key gives Monday to Friday.
    static Semana deFichero(const QString& rutaIni);

    bool trabaja(const QDate& dia) const;

private:
    QList<int> dias_;
};

struct Hueco {
    QDate dia;
    QString hora;
};

// The first working day from `desde` on, within kDiasBuscados days, on which one of the nine
// slots holds no visit, and that slot. On `ahora`'s own day the slots whose time has come are
// past and not offered. Nothing when every slot of that stretch is taken. Reads the days whose
// nine slots are all taken in one statement over the date index, then the hours of the day
// found.
std::optional<Hueco> primerHuecoLibre(const QDate& desde, const Semana& semana,
                                      const QDateTime& ahora);

// Spanish name of the weekday ("sábado"), whatever the machine's language.
QString nombreDelDia(const QDate& dia);

}  // namespace agenda
