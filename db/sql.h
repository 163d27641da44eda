#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// One statement: its text and the values bound to its placeholders, in order. Values are never
// spliced into the text, so nothing typed can change a statement.
struct Sql {
    QString text;
    QVariantList values;
};

// One builder per statement the windows run. Windows hold no SQL text of their own.
namespace sql {

// ORDER BY clauses the day list accepts; anything else falls back to the first one.
inline const QString kOrdenHora = QStringLiteral("ORDER BY hora");

// Today's appointments (main window), ordered by an ORDER BY clause built from a fixed choice.
Sql citasDelDia(const QString& fecha, const QString& ordenCitas);
// Appointments of one day for the calendar's quick view, by hour.
Sql vistaRapida(const QString& fecha);
// The hours of a day that hold at least one visit, once each: what the slot boards mark.
Sql horasOcupadas(const QString& fecha);
// One patient by code.
Sql pacientePorCodigo(int codigo);
// Which of the days `fechas` (date texts) hold a visit at every one of the hours `horas`: one
// pass over the date index, the days found by their own dates, not walked one by one. Field
// "fecha".
Sql diasCompletos(const QStringList& fechas, const QStringList& horas);

// The text of a register entry's number, `AAAA-NNNN`, from the columns `ano` and `numero` of
// `tabla`, written the same way on both engines (neither printf nor lpad is common to them).
QString numeroDeSerie(const QString& tabla);

// --- Listings ---
// Visits of a month ("01" ... "12") of a year, as typed: the dates dd/{mes}/{ano}, by date and
// hour. A text that is no year simply finds nothing. Field "pago_texto" says "Sí" or "No".
Sql visitasDelMes(const QString& mes, const QString& ano);
// Invoiced visits of a year, in date order (month, day), then hour; then the numbers the
// correlative series gave that year, in number order, those no visit carries any more
// (annulled) with "(anulada)" after the number and no amount. Field "numero_serie".
Sql facturasDelAno(const QString& ano);

// --- Patient registration ---
// Patient codes run from 1 to the largest 32-bit value; the code box takes nothing else.
inline constexpr qint64 kCodigoMinimo = 1;
inline constexpr qint64 kCodigoMaximo = 2147483647;

Sql leerTablaCodigo();                   // field "codigo"; no row when the table is empty
Sql guardarTablaCodigo(qint64 codigo);   // sets the one row (none changed when it is missing)
Sql reponerTablaCodigo(qint64 codigo);   // puts the row back when it is missing
Sql contarPacientesConCodigo(qint64 codigo);   // field "cuantos"
// First code at or above `desde` that no patient holds: one statement whose cost grows with the
// distance to that code, not three statements per taken code. Above kCodigoMaximo when every
// code from `desde` up is taken. Field "libre".
Sql primerCodigoLibreDesde(qint64 desde);
struct DatosPaciente {
    int codigo = 0;
    QString nombre, apellido1, apellido2, dni, tlf1, tlf2, direccion, poblacion, provincia,
        fechaAlta, sociedad, comentario;
};
Sql insertarPaciente(const DatosPaciente& p);

// --- Booking ---
Sql citasDeFecha(const QString& fecha);   // the booking window's day list
Sql contarVisitasDelDia(int codigo, const QString& fecha);   // field "cuantos"
struct NuevaVisita {
    int codigo = 0;
    QString fecha;
    bool pago = false;
    int cantidad = 0;
    QString observacion;
    QString hora;
};
Sql insertarVisita(const NuevaVisita& v);

// --- Appointment record ---
// One visit by patient and date: its own columns, with the names the record's controls read.
Sql visitaPorCodigoYFecha(int codigo, const QString& fecha);
// What the appointment record writes back; the row is found by the code and date it was opened
// with, and these two never change.
struct DatosVisita : NuevaVisita {
    bool factura = false;
    QString numFactura;
};
Sql actualizarVisita(const DatosVisita& v);
// The same, changing the row only while it still holds what the window loaded (`cargada`): a
// visit another desk changed since is left alone (no row changed), never overwritten unseen.
Sql actualizarVisita(const DatosVisita& v, const DatosVisita& cargada);
// A visit brought across from an old file whole, invoice data included.
Sql importarVisita(const DatosVisita& v);
Sql borrarVisita(int codigo, const QString& fecha);
// Deletes the visit only while it still holds what the window loaded.
Sql borrarVisita(const DatosVisita& cargada);

// --- Patient search ---
// The search grid's columns, and no row: the result list before the first search.
Sql busquedaVacia();
// Patients whose `columna` ("apellido1", "apellido2", "nombre" or "codigo"; anything else
// counts as "apellido1") begins with `texto`, exactly as typed; a code is matched as its decimal
// text, so "12" finds 12, 120 to 129, 1200 and so on. An empty text finds every patient. Ordered
// by `campoOrden` ("codigo", "nombre", "apellido1", "apellido2"; anything else counts as
// "codigo"), names in Spanish order, ties by code. Fields codigo, apellido1, apellido2, nombre,
// tlf1.
Sql buscarPacientes(const QString& columna, const QString& texto, const QString& campoOrden);

// --- Patient record ---
// The longest text each patient box takes. The table sets no limit of its own; these are
// generous for Spanish names, addresses and telephone numbers with their extensions.
inline constexpr int kLargoNombre = 40;        // nombre, apellido1, apellido2
inline constexpr int kLargoDni = 15;
inline constexpr int kLargoTelefono = 20;      // tlf1, tlf2
inline constexpr int kLargoDireccion = 80;
inline constexpr int kLargoPoblacion = 40;     // poblacion, provincia
inline constexpr int kLargoSociedad = 40;
inline constexpr int kLargoComentario = 200;
inline constexpr int kLargoFecha = 10;         // fecha_alta, dd/mm/yyyy

// The visits of one patient, newest first by their real date (the stored text is dd/mm/yyyy),
// then by hour.
Sql historialPaciente(int codigo);
// Writes the eleven columns the record changes (code and registration date never change) and
// the three sort keys; p.fechaAlta is not used. Changes no row when the patient is gone.
Sql modificarPaciente(const DatosPaciente& p);
// The same, changing the row only while it still holds what the window loaded (`cargado`'s
// eleven columns): a patient another desk changed since is left alone.
Sql modificarPaciente(const DatosPaciente& p, const DatosPaciente& cargado);
Sql borrarVisitasDePaciente(int codigo);
Sql borrarPaciente(int codigo);
// Deletes the patient only while he still holds what the window loaded.
Sql borrarPaciente(const DatosPaciente& cargado);

}  // namespace sql
