#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 -  Imprimir Factura": caption and heading in place; its work arrives with its own issue.
class TImprimeFactura : public Ventana {
    Q_OBJECT

public:
    explicit TImprimeFactura(QWidget* parent = nullptr);
};
