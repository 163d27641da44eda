#pragma once

#include <QString>

// What one invoice prints: handed from a visit's record to the printed invoice.
struct DatosFactura {
    QString nombre, apellido1, apellido2;   // the payer (the visit's patient)
    int cantidad = 0;                       // whole euros
    QString numeroFactura;                  // e.g. "7-01022026"
    QString fecha;                          // the visit's date text dd/mm/yyyy
    // The amount in words as the user wrote it ("Importe en factura:"); when empty the invoice
    // writes out `cantidad` itself.
    QString importeEnLetra;
};
