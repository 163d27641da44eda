#pragma once

#include "ui/common/ventana.h"

class DataSet;

// Window "Clinora 1.1 - Datos del Paciente": caption and heading in place; its work arrives with its own issue.
class TFormDatos : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatos(QWidget* parent = nullptr);
    int CodigoPaciente = 0;

    DataSet* ADODataSet1;   // the patient
    DataSet* ADODataSet2;   // his visits, newest first

    // Open beneath another window: its patient dataset is open.
    bool abierta() const;
    // Re-points the open window to another patient (the appointment record's "Ver datos
    // completos" when this window lies beneath): both datasets re-run, changes not pending.
    void mostrarPaciente(int codigo);

    void Image3Click();
};
