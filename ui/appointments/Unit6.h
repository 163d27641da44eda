#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 -  Datos de la Cita": caption and heading in place; its work arrives with its own issue.
class TFormDatosCita : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatosCita(QWidget* parent = nullptr);
    int CodigoPaciente = 0;
    QString FechaCita;
    void Image3Click();
};
