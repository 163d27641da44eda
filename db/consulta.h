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
    // Exencion: the line under the services table that says why the invoice carries no VAT;
    // a missing key gives kExencionPorDefecto, an empty one no line at all.
    QString exencion;
    // [Facturas] Numeracion: how an invoice is numbered.
    enum class Numeracion { PacienteFecha, Correlativa };
    Numeracion numeracion = Numeracion::PacienteFecha;

    // The town alone, for the closing line: what follows the dash of `poblacion`, or the
    // line without its leading postal code.
    QString localidad() const;
};

namespace consulta {

inline const QString kNombreFichero = QStringLiteral("clinora.ini");
inline const QString kGrupo = QStringLiteral("Consulta");
inline const QString kGrupoFacturas = QStringLiteral("Facturas");
// A doctor's services are exempt from VAT (Ley 37/1992, art. 20.Uno.3º), and an exempt invoice
// must say so (RD 1619/2012, art. 6.1.j).
inline const QString kExencionPorDefecto =
    QStringLiteral("Operación exenta de IVA (art. 20.Uno.3º de la Ley 37/1992)");
// The values of [Facturas] Numeracion; anything else reads as the first.
inline const QString kPacienteFecha = QStringLiteral("paciente-fecha");
inline const QString kCorrelativa = QStringLiteral("correlativa");

// clinora.ini in the folder of the database file `rutaBaseDatos`.
QString rutaJuntoA(const QString& rutaBaseDatos);

// The file beside the database the program has open (beside the executable when none is).
QString rutaActual();
// On the server the connection names no folder: the program says which clinora.ini it read the
// server from, and rutaActual gives that one.
void fijarRutaServidor(const QString& rutaIni);

// Reads the file; a missing file or key gives empty lines, never an error.
DatosConsulta leer(const QString& rutaIni);

// Writes `datos` into `rutaIni` as UTF-8: the keys of [Consulta] and [Facturas] Numeracion are
// replaced where they stand (added at the end of their section, or a new section, when
// missing); every other line (other sections, other keys, comments) stays as it was. The file
// is replaced whole or not at all. Returns an empty text, or a Spanish message of what failed.
QString guardar(const QString& rutaIni, const DatosConsulta& datos);

// Writes an example practice into a new file `rutaIni`. An existing file is left untouched
// (false), since it holds the practice's own data.
bool escribirDemo(const QString& rutaIni);

}  // namespace consulta
