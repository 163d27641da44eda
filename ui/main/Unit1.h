#pragma once

#include "db/copiasauto.h"

#include <QDate>
#include <QMainWindow>

class DataSet;
class QCalendarWidget;
class Desplegable;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class Rejilla;
class TablaHoras;

// The main window: today's appointments with their ordering and clock, the tool buttons, and
// the calendar with the quick view of any day. It owns the one database connection.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    TForm1();
    ~TForm1() override;

    // Start-up: connects to the clinic database at `rutaBaseDatos` and fills today's list and
    // the quick view. False when the program must end (the reason was already shown).
    bool FormCreate(const QString& rutaBaseDatos);

    QString OrdenCitas;

    DataSet* ADODataSetCitas;   // today's list; other windows re-run it after a change
    DataSet* ADODataSet1;       // the quick view's day

    // Rebuilds the quick view for the date selected in the calendar; other windows call it
    // after they change appointments.
    void MonthCalendar1Click();

    QString rutaBaseDatos() const { return rutaBaseDatos_; }

    // Handlers, public so the program and tests reach them as the user would.
    void ComboBox1Change();
    void Timer1Timer();
    void DBGrid1DblClick();
    void DBGrid2DblClick();
    void MonthCalendar1DblClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();   // "&Datos de la consulta"
    void Image3Click();

private:
    void crearControles();
    QWidget* crearPanelSuperior();
    QWidget* crearPanelOrdenar();
    QGroupBox* crearHerramientas(QWidget* padre);
    QWidget* crearPanelInferior();
    QGroupBox* crearVistaRapida();
    void construirListaDelDia();

    QString rutaBaseDatos_;
    QString fechaListaDelDia_;
    QLabel* Panel1 = nullptr;
    Desplegable* ComboBox1 = nullptr;
    Rejilla* DBGrid1 = nullptr;
    Rejilla* DBGrid2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCalendarWidget* MonthCalendar1 = nullptr;
    TablaHoras* slots_ = nullptr;
    QLabel* PanelHora = nullptr;
    QTimer* Timer1 = nullptr;
    copiasauto::Diaria copiaDiaria_{QDate()};
};
