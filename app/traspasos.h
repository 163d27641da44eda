#pragma once

#include <QString>

class QDate;
struct DatosFactura;
struct Sql;

// The hand-offs between windows, one named call per row of the table of who opens whom with
// what, so that table reads here. Each sets the design's members on its target (CodigoPaciente,
// FechaCita) and opens it modally through showModal. Windows call these; no window reaches
// another window's members or controls.
namespace abrir {

// The main window's tool buttons.
void altaPaciente();
void buscarPaciente();
// Both lists re-read with their boxes' current texts; the window starts on the visits.
void listados();
void acerca();
// The practice's data printed on invoices, and how they are numbered; also offered from a visit's
// record when an invoice would print without the practice's name or NIF.
void datosConsulta();

// The main calendar's double-click: its day becomes the booking day, and the search opens, from
// which the user reaches the patient and books.
void buscarParaCita(const QDate& dia);

// A visit's record, from the day list, the quick view and the listings' grids.
void datosCita(int codigo, const QString& fecha);
// A patient's record, from the search's result.
void datosPaciente(int codigo);
// Booking for a patient: from the new patient, his record, or one of his visits.
void nuevaCita(int codigo);

// From a patient's history, one of his visits. When the visit's record lies open beneath (the
// patient's record was opened from it), that record is re-pointed to the visit instead of
// opening a second copy, and the answer is true: the caller closes itself to go back to it.
bool citaDesdeHistorial(int codigo, const QString& fecha);
// From a visit's record, the patient's whole record; the same when it lies open beneath.
bool pacienteDesdeCita(int codigo);

// The print previews.
void factura(const DatosFactura& datos);
void listaVisitas(const Sql& consulta, const QString& titulo);
void listaFacturas(const Sql& consulta, const QString& titulo);
void listaCitas(const Sql& consulta, const QString& titulo);   // one day's, by hour

}  // namespace abrir
