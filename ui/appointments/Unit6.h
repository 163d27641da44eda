#pragma once

#include "ui/common/ventana.h"

class DataSet;

// Window "Clinora 1.1 -  Datos de la Cita": caption and heading in place; its work arrives with its own issue.
class TFormDatosCita : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatosCita(QWidget* parent = nullptr);
    int CodigoPaciente = 0;
    QString FechaCita;

    DataSet* ADODataSet1;   // the visit
    DataSet* ADODataSet2;   // its patient

    // The one hand-off every opener uses (day list, quick view, history, listings): sets the
    // patient and the date and opens the window modally.
    int abrirCita(int codigo, const QString& fecha);
    // Open beneath another window: its visit dataset is open.
    bool abierta() const;
    // Re-points the open window to another visit (the patient record's history when this
    // window lies beneath): the visit re-runs, changes not pending.
    void mostrarVisita(int codigo, const QString& fecha);

    void Image3Click();
};
