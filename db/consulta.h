#pragma once

#include <QString>

// The practice's own data, printed at the head of every invoice. The practice keeps it in a
// plain settings file, clinora.ini, beside the database (group [Consulta], UTF-8), so it can
// be changed with any text editor and travels with the data.
struct DatosConsulta {
    QString nombre;       // Nombre: the practitioner's full name
    QString titulo;       // Titulo: professional title and speciality
    QString colegiado;    // Colegiado: registration number (printed after "Col. Nº")
    QString nif;          // NIF: tax identification number (printed after "N.I.F.")
    QString direccion;    // Direccion: street address, as "C/ Mayor, 5"
    QString poblacion;    // Poblacion: postal code, a dash and the town, as "28013 - Madrid"
    QString telefono;     // Telefono: telephone (printed after "Teléfono:")

    // The town alone, for the closing line: what follows the dash of `poblacion`, or the
    // line without its leading postal code.
    QString localidad() const;
};

namespace consulta {

inline const QString kNombreFichero = QStringLiteral("clinora.ini");
inline const QString kGrupo = QStringLiteral("Consulta");

// clinora.ini in the folder of the database file `rutaBaseDatos`.
QString rutaJuntoA(const QString& rutaBaseDatos);

// The file beside the database the program has open (beside the executable when none is).
QString rutaActual();

// Reads the file; a missing file or key gives empty lines, never an error.
DatosConsulta leer(const QString& rutaIni);

// Writes an example practice into a new file `rutaIni`. An existing file is left untouched
// (false), since it holds the practice's own data.
bool escribirDemo(const QString& rutaIni);

}  // namespace consulta
