#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 - Buscar Datos de Paciente": caption and heading in place; its work arrives with its own issue.
class TFormBuscar : public Ventana {
    Q_OBJECT

public:
    explicit TFormBuscar(QWidget* parent = nullptr);
    void Image3Click();
};
