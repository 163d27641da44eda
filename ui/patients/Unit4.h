#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 - Datos del Paciente": caption and heading in place; its work arrives with its own issue.
class TFormDatos : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatos(QWidget* parent = nullptr);
    int CodigoPaciente = 0;
    void Image3Click();
};
