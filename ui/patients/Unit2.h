#pragma once

#include "ui/common/ventana.h"
#include "ui/patients/cajaspaciente.h"

class DataSet;
class QCheckBox;
class QLabel;
class QLineEdit;

// Window "Clinora 1.1 - Alta de Nuevo Paciente": registers one patient with a free code that the
// window proposes, and can hand the new patient straight to the booking window.
class TFormAlta : public Ventana {
    Q_OBJECT

public:
    explicit TFormAlta(QWidget* parent = nullptr);

    DataSet* ADODataSetCodigoValido;   // reads tabla_codigo
    DataSet* ADODataSetLibre;          // looks up free and taken codes
    DataSet* ADODataSetParecidos;      // patients who may be the one being registered

    void FormActivate() override;

    // Handlers, public so the program and tests reach them as the user would.
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void Image3Click();

protected:
    void FormClose() override;

private:
    void crearControles();
    QWidget* crearDatos();
    QWidget* crearBotones();
    // Puts in the code box the first free code from the stored next code (or from 1) upwards,
    // and leaves tabla_codigo on it.
    void proponerCodigo(bool desdeUno);
    void avisarCodigoAsignado();
    // Lists the patients who may be `p` already registered and asks whether to register him
    // all the same; true to go on (none found, or OK).
    bool altaAunqueHayaParecidos(const sql::DatosPaciente& p);

    CajasPaciente cajas_{CajasPaciente::Rotulo::Alta};   // LabeledEdit1 (the code) ... 12
    QLineEdit* LabeledEdit1 = nullptr;
    QLineEdit* LabeledEdit2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Panel3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
};
