#pragma once

#include "ui/common/ventana.h"
#include "ui/patients/cajaspaciente.h"

class DataSet;
class QPushButton;
class Rejilla;

// Window "Clinora 1.1 - Datos del Paciente": one patient's data to change, his visits newest
// first, and from there his deletion, a new booking, or the record of one of his visits.
class TFormDatos : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatos(QWidget* parent = nullptr);
    int CodigoPaciente = 0;   // set by the opener before the window is shown

    DataSet* ADODataSet1;   // the patient; open exactly while the window is open
    DataSet* ADODataSet2;   // his visits, newest first

    // Open beneath another window: its patient dataset is open.
    bool abierta() const;
    // Re-points the open window to another patient (the appointment record's "Ver datos
    // completos" when this window lies beneath): both datasets re-run, changes not pending.
    void mostrarPaciente(int codigo);

    void FormActivate() override;

    // Handlers, public so the program and tests reach them as the user would.
    void DBEdit1Change();   // the change handler of all thirteen boxes
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void DBGrid1DblClick();
    void Image3Click();

protected:
    void FormClose() override;

private:
    void crearControles();
    QWidget* crearDatos();
    QWidget* crearBotones();
    // Both datasets on CodigoPaciente, opened; the boxes take the stored row.
    void abrirDatos();
    void mostrarFila();
    // "Aplicar Cambios" off: nothing is pending. The cursor goes back to the arrow where the
    // design asks for it.
    void sinCambios(bool cursorNormal);
    // The patient vanished under the window (a restore, another copy): say so, show what is
    // stored now.
    void avisarPacienteDesaparecido(const QString& texto);
    // The offer to save: No restores the stored data. False only when a mandatory box is empty
    // (its message shown, the focus in it, the typing kept): the caller stops there.
    bool guardar();

    CajasPaciente cajas_{CajasPaciente::Rotulo::Ficha};   // DBEdit1 ... DBEdit13
    QPushButton* BitBtn3 = nullptr;
    Rejilla* DBGrid1 = nullptr;
};
