#pragma once

#include "ui/common/ventana.h"

#include <QColor>
#include <QDate>

class Casilla;
class DataSet;
class PanelPaciente;
class QCalendarWidget;
class Desplegable;
class QComboBox;
class QLabel;
class QLineEdit;
class Rejilla;
class TablaHoras;

// Window "Clinora 1.1 - Nueva Cita": books one visit of one patient on the chosen day, on the
// board of nine afternoon slots or at a special hour, at most one visit a patient and day.
class TFormNuevaCita : public Ventana {
    Q_OBJECT

public:
    explicit TFormNuevaCita(QWidget* parent = nullptr);

    int CodigoPaciente = 0;   // set by the opener before the window is shown
    QColor ColorSeleccion;    // the slot chosen for this booking
    // The booking day, kept between openings; the main calendar's double-click sets it.
    QCalendarWidget* MonthCalendar1 = nullptr;

    DataSet* ADODataSet1;       // the visits of the chosen day, with their patients
    DataSet* ADODataSet2;       // the patient being booked
    DataSet* ADODataSetLibre;   // visits of the patient on the chosen day

    // The booking day, set before the window opens (the main calendar's double-click).
    void elegirDia(const QDate& dia);

    void FormActivate() override;

    // Handlers, public so the program and tests reach them as the user would.
    void MonthCalendar1Click();
    void PanelClick(Casilla* Sender);   // the one click handler of Panel3 ... Panel11
    void ComboBox1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();   // "Primer hueco libre"
    void Image3Click();

protected:
    void FormClose() override;

private:
    void crearControles();
    QWidget* crearDia();
    QWidget* crearCita();
    QWidget* crearBotones();
    void mostrarPaciente();
    void LimpiarHoras();
    void MarcarHorasOcupadas();
    void avisarCitaEseDia();
    // The questions before a booking the user may not mean; false when he answers No.
    bool preguntarAntesDeFijar(const QString& fecha, const QString& hora);

    QDate diaMostrado_;
    QLabel* Panel15 = nullptr;
    PanelPaciente* GroupBox1 = nullptr;   // the patient's name and telephones
    TablaHoras* horas_ = nullptr;
    QLineEdit* LabeledEdit1 = nullptr;
    Desplegable* ComboBox1 = nullptr;
    QLabel* LabelEspecial = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    Rejilla* DBGrid1 = nullptr;
};
