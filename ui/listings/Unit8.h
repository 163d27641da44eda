#pragma once

#include "ui/common/ventana.h"

class DataSet;
class Desplegable;
class QDateEdit;
class QRadioButton;
class QWidget;
class Rejilla;

// Window "Clinora 1.1 - Listados": the visits of a month, the invoiced visits of a year and the
// visits of one day with the patients' telephones (to call them), from which a listed visit
// opens in its record, and the list shown prints and exports.
class TFormListados : public Ventana {
    Q_OBJECT

public:
    explicit TFormListados(QWidget* parent = nullptr);

    DataSet* ADODataSetVisitas;   // visits of the chosen month
    DataSet* ADODataSetFactura;   // invoiced visits of the chosen year
    DataSet* ADODataSetDia;       // visits of the chosen day, by hour
    QRadioButton* RadioButton1 = nullptr;   // "Visitas por mes."
    QRadioButton* RadioButton2 = nullptr;   // "Facturas realizadas."
    QRadioButton* RadioButton3 = nullptr;   // "Citas de un día."

    // Two digits of a month name, compared exactly: any text not "enero" ... "noviembre"
    // gives "12".
    static QString digitosMes(const QString& nombre);

    // Before each opening from the main window: both lists re-read with their boxes' current
    // texts, and the window starts on the visits.
    void prepararApertura();

    // Handlers, public so the program and tests reach them as the user would.
    void FormCreate();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void DateTimePicker1Change();   // another day chosen: its list, when it is the one shown
    void ComboBox1Click();
    void ComboBox3Click();
    void DBGrid1DblClick();
    void DBGrid2DblClick();
    void DBGrid3DblClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();   // "&Exportar": the list on screen as a CSV file
    void Image3Click();

private:
    void crearControles();
    QWidget* crearIzquierda();
    QWidget* crearVistaVisitas();
    QWidget* crearVistaFacturas();
    QWidget* crearVistaDia();
    void mostrarVista(QWidget* vista);
    // The row hand-off of both grids: the visit of the current row opens in its record.
    bool abrirCitaDeFila(Rejilla* rejilla);
    // What the boxes name now ("Visitas de enero de 2027", "Facturas de 2026").
    QString tituloVisitas() const;
    QString tituloFacturas() const;
    static QString tituloDia(const QString& fecha);   // "Citas del 09/12/2026"
    QString fechaDia() const;   // the day box's date as stored, dd/mm/yyyy

    // What each list on screen was last read for: its printed title.
    QString leidoVisitas_;
    QString leidoFacturas_;
    QString leidoDia_;   // the day's date

    QWidget* Panel4 = nullptr;
    QWidget* Panel5 = nullptr;
    QWidget* Panel6 = nullptr;
    QDateEdit* DateTimePicker1 = nullptr;
    Desplegable* ComboBox1 = nullptr;
    Desplegable* ComboBox2 = nullptr;
    Desplegable* ComboBox3 = nullptr;
    Rejilla* DBGrid1 = nullptr;
    Rejilla* DBGrid2 = nullptr;
    Rejilla* DBGrid3 = nullptr;
};
