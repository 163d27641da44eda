#pragma once

#include "ui/common/ventana.h"

#include <QString>

// What the appointment record hands to the printed invoice.
struct DatosFactura { QString nombre, apellido1, apellido2; int cantidad = 0; QString numeroFactura; QString fecha; };

// Window "Clinora 1.1 -  Imprimir Factura": caption and heading in place; its work arrives with its own issue.
class TImprimeFactura : public Ventana {
    Q_OBJECT

public:
    explicit TImprimeFactura(QWidget* parent = nullptr);

    void mostrar(const DatosFactura& datos);   // print preview
};
