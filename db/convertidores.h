#pragma once

#include <QString>

// The columns of an old Access row made into what the clinic database keeps. Each converter
// gives the value to store and, when the value did not come across as it stood, the note the
// conversion's report gives for it (without the row's name, nor a closing full stop); an empty
// note means nothing changed. Nothing is guessed: a text that is not recognised is said so.
namespace importacion {

template <typename T>
struct Convertido {
    T valor{};
    QString nota;
};

// The text forms the clinic database keeps. Both return the empty text for a text they do not
// recognise.
// Dates: d/m/yyyy and yyyy-m-d, each optionally followed by a time of day (as Jet writes a date
// and time), to dd/mm/yyyy.
QString fechaImportada(const QString& texto);
// Hours: h:mm or h:mm:ss with zero seconds, optionally after a date (a Jet date and time whose
// date part is unused), to hh:mm.
QString horaImportada(const QString& texto);

// A patient's registration date: kept as it stood when it is no date (it is only shown).
Convertido<QString> fechaDeAlta(const QString& texto);
// A visit's date. An empty value: no date, and the row is left out (the caller says why).
Convertido<QString> fechaDeVisita(const QString& texto);
// A visit's hour; empty when missing or not an hour.
Convertido<QString> horaDeVisita(const QString& texto);
// A yes/no column (`campo` names it in the note): yes as libmdb prints it (1, -1) or as a text
// column may hold it (sí, true, …); anything else is no.
Convertido<bool> siNoDeVisita(const QString& texto, const QString& campo);
// The amount, in whole euros: decimals rounded, anything else 0.
Convertido<int> importeDeVisita(const QString& texto);
// The remark, cut at the 50 characters the clinic database holds.
Convertido<QString> observacionDeVisita(const QString& texto);

}  // namespace importacion
