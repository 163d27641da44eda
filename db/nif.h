#pragma once

#include <QString>

// Spanish tax and identity numbers and their control character: the DNI (8 digits and a
// letter), the NIE (X, Y or Z, 7 digits and a letter), the NIF of K, L and M (a letter, 7 digits
// and a letter) and the company's NIF, formerly CIF (a letter, 7 digits and a digit or a
// letter). Used for the practice's NIF on the invoice and for patients' DNI.
namespace nif {

enum class Estado {
    Vacio,            // nothing written
    Valido,           // a known form whose control character agrees
    FormaDesconocida, // none of the forms above
    ControlIncorrecto // a known form whose control character does not agree
};

struct Comprobacion {
    Estado estado = Estado::Vacio;
    QString normalizado;   // capitals, without blanks, dots or dashes ("12345678Z")
    QString tipo;          // "DNI", "NIE", "NIF", "CIF"; empty for an unknown form
    QString esperado;      // the control character the number asks for, when known
};

Comprobacion comprobar(const QString& texto);

// A Spanish warning for a number that is written but not valid; empty when valid or empty.
QString aviso(const QString& texto);

}  // namespace nif
