#pragma once

// The refreshes one window owes the others after it changed data, one named call per target,
// so the whole table of who refreshes what reads here. Each re-runs its target only when that
// target is open (the main window's lists always are).
namespace refrescar {

// The main window's day list, with the text it was last built with (its day and ordering).
void listaDelDia();
// The main window's quick view and slot board, for the day selected in its calendar.
void vistaRapida();
// The patient search's result.
void busqueda();
// The patient record's visit history.
void historial();
// The appointment record's patient.
void pacienteDeCita();
// The appointment record, closed when open beneath: the visit it shows is gone with its patient.
void cerrarCita();

// What another desk changed: today's list, the quick view and slot board, the open search and
// history re-run, each grid keeping its selected row (found again by its contents) and its
// scroll position.
void deOtroPuesto();

}  // namespace refrescar
