#pragma once

#include "reports/Unit7.h"
#include "reports/Unit9.h"
#include "ui/about/Unit10.h"
#include "ui/appointments/Unit5.h"
#include "ui/appointments/Unit6.h"
#include "ui/listings/Unit8.h"
#include "ui/main/Unit1.h"
#include "ui/patients/Unit2.h"
#include "ui/patients/Unit3.h"
#include "ui/patients/Unit4.h"

// The ten windows, created once in this order and alive until the program ends. No window
// includes this header: the hand-offs (app/traspasos) and the refreshes (app/refrescos) reach the
// windows through these instances, and so do the bench and the tests.
extern TForm1* Form1;
extern TFormAlta* FormAlta;
extern TFormBuscar* FormBuscar;
extern TFormDatos* FormDatos;
extern TFormNuevaCita* FormNuevaCita;
extern TFormDatosCita* FormDatosCita;
extern TImprimeFactura* ImprimeFactura;
extern TFormListados* FormListados;
extern TImprimeListaVisitas* ImprimeListaVisitas;
extern TFormAcerca* FormAcerca;

namespace programa {

// clinora.mdb in the executable's directory, whatever the current directory is.
QString rutaBaseDatos();

// Spanish locale and Qt's own Spanish texts (standard buttons, calendar).
void configurarIdioma();

// Creates the ten windows in order. False when the main window's start-up ended the program
// (its message was shown); then no other window exists.
bool crearVentanas(const QString& rutaBaseDatos);

// Destroys them in reverse order; the main window closes the connection last.
void destruirVentanas();

}  // namespace programa
