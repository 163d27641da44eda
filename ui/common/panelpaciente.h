#pragma once

#include <QGroupBox>
#include <QList>

class DataSet;
class QLabel;

// "Datos del Paciente" as the booking window and the appointment record show it: name,
// surnames and telephones of the dataset's patient, DBText1 to DBText5, each read by a screen
// reader together with its label ("Nombre: JOSÉ").
class PanelPaciente : public QGroupBox {
    Q_OBJECT

public:
    PanelPaciente(int anchoValores, QWidget* parent = nullptr);

    // Shows the current row of `datos`, or empty values when it is closed or has no row.
    void mostrar(const DataSet& datos);

private:
    QList<QLabel*> valores_;
};

// A label in front of its box, which it names for a screen reader.
QLabel* etiquetaDe(const QString& texto, QWidget* caja, QWidget* padre);
