#pragma once

#include "ui/common/ventana.h"

class DataSet;
class Desplegable;
class QLabel;
class QLineEdit;
class Rejilla;

// Window "Clinora 1.1 - Buscar Datos de Paciente": finds patients by the beginning of a surname,
// the name or the code, lists them in the chosen order, and opens the record of the one picked.
class TFormBuscar : public Ventana {
    Q_OBJECT

public:
    explicit TFormBuscar(QWidget* parent = nullptr);

    // The column the results are ordered by: "codigo", "nombre", "apellido1" or "apellido2".
    QString CampoOrden = QStringLiteral("codigo");

    DataSet* ADODataSetBuscarPaciente;   // the search result, kept open between openings

    void FormActivate() override;

    // Handlers, public so the program and tests reach them as the user would.
    void BitBtn1Click();
    void BitBtn2Click();
    void ComboBox1Change();   // the change handler of both drop-down boxes
    void Edit1KeyPress();     // Enter in the text box
    void DBGrid1DblClick();
    void Image3Click();

private:
    void crearControles();
    QWidget* crearBusqueda();
    // Run by a change of either box's text; not while the window puts a box's text back itself.
    void cambioDeDesplegable();
    // The column the order box's text stands for; the first surname for any other text.
    QString columnaDeOrden() const;
    // Says so under the grid when the last search found nobody, rather than an empty grid.
    void mostrarNinguno();

    Desplegable* ComboBox1 = nullptr;
    Desplegable* ComboBox2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    Rejilla* DBGrid1 = nullptr;
    QLabel* LabelNinguno = nullptr;
    // What the last search looked for ("«GARC» (primer apellido)"); empty before the first.
    QString buscado_;
    bool reponiendo_ = false;
};
