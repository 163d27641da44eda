#pragma once

#include "ui/common/ventana.h"

class DataSet;
class PanelPaciente;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;

// Window "Clinora 1.1 -  Datos de la Cita": one visit of one patient. Its hour and remark, the
// payment with its amount, the invoice request with its number; saving, deleting, booking
// another visit, the patient's whole record and the printed invoice start here.
class TFormDatosCita : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatosCita(QWidget* parent = nullptr);

    int CodigoPaciente = 0;    // with FechaCita, the visit shown; set by the opener
    QString FechaCita;         // the visit's date text, dd/mm/yyyy
    QString NumeroFactura;     // the invoice number as it will be saved; empty without invoice
    bool RecienAbierta = true; // from every closing until the next activation

    DataSet* ADODataSet1;   // the visit
    DataSet* ADODataSet2;   // its patient

    // Open beneath another window: its visit dataset is open.
    bool abierta() const;
    // Re-points the open window to another visit (the patient record's history when this
    // window lies beneath): the visit re-runs, changes not pending.
    void mostrarVisita(int codigo, const QString& fecha);

    void FormActivate() override;

    // Handlers, public so the program and tests reach them as the user would.
    void DBEdit1Change();      // any text of the visit changed
    void DBComboBox1Click();   // an hour picked from the list
    void DBCheckBox1Click();   // "Pago:"
    void DBCheckBox2Click();   // "Solicita factura:"
    void BitBtn3Click();       // "Aplicar Cambios"
    void BitBtn4Click();       // "&Borrar Cita"
    void BitBtn1Click();       // "&Cancelar"
    void BitBtn2Click();       // "&Nueva Cita"
    void BitBtn6Click();       // "&Ver datos completos del paciente "
    void BitBtn5Click();       // "Imprimir Factura"
    void Image3Click();

protected:
    void FormClose() override;

private:
    // How a save ended: only a refused value keeps the user in the window.
    enum class Guardado { Hecho, Descartado, ValorNoValido, CitaDesaparecida };

    void crearControles();
    QWidget* crearCita();
    QWidget* crearPago(QWidget* padre);   // the amount and the amount in words
    QLayout* crearFactura();              // the invoice request and its print
    QWidget* crearBotones();
    void mostrarPaciente();
    void cargarVisita();
    Guardado guardar();
    bool importeValido();
    // "Importe en factura:" follows "Importe:" while the visit is paid and the user has not
    // written the words himself since the amount was loaded or proposed.
    void proponerLetras();
    void activarCambios(bool activo);

    // The number an invoice gets when "Solicita factura:" is ticked: the one the visit already
    // carries, else the design's (code and date), or none yet for the correlative series,
    // which gives it when the visit is saved.
    QString numeroAlPedirFactura() const;
    // Before a save takes away a number given from the correlative series: asks, as it is
    // annulled. False to stay in the window.
    bool anulacionAceptada();

    bool cargando_ = false;
    bool letrasEscritas_ = false;
    QString numeroGuardado_;   // the visit's stored invoice number, as loaded or last saved
    PanelPaciente* GroupBox1 = nullptr;   // the patient's name and telephones
    QLineEdit* DBEdit1 = nullptr;
    QComboBox* DBComboBox1 = nullptr;
    QCheckBox* DBCheckBox1 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* LabelImporte = nullptr;
    QLineEdit* DBEdit2 = nullptr;
    QLabel* LabelEuro = nullptr;
    QCheckBox* DBCheckBox2 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QLabel* LabelImporteFactura = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* DBEdit3 = nullptr;
    QPushButton* BitBtn3 = nullptr;
};
