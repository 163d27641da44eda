#pragma once

#include "db/sql.h"

#include <QList>
#include <QString>

class DataSet;
class QGridLayout;
class QLineEdit;
class QWidget;

// One box of a patient's data, the same in the new-patient window and the patient record:
// the column it shows, its label in each, the most it keeps, its place in the group box grid.
struct CajaPaciente {
    QString campo;                 // the column, as the patient's row names it
    QString rotuloAlta, rotuloFicha;
    int largo = 0;
    int fila = 0, columna = 0, columnas = 1;   // of its label; the box goes below it
    QString sql::DatosPaciente::*dato = nullptr;   // where a save puts it; null: never saved
    QString avisoVacio;            // a mandatory box's message when left empty
};

// The patient's own data, name to comment, in the order of the boxes' numbers.
const QList<CajaPaciente>& cajasPaciente();

// The boxes one window made, found by their column.
class CajasPaciente {
public:
    enum class Rotulo { Alta, Ficha };
    explicit CajasPaciente(Rotulo rotulo) : rotulo_(rotulo) {}

    // One capitals box with its label, named `nombre`, in `rejilla`.
    QLineEdit* crear(const CajaPaciente& def, const QString& nombre, QGridLayout* rejilla,
                     QWidget* padre);
    // The patient's own data as `prefijo`2 ... `prefijo`12.
    void crearDatos(const QString& prefijo, QGridLayout* rejilla, QWidget* padre);

    QLineEdit* caja(const QString& campo) const;
    const QList<QLineEdit*>& todas() const { return cajas_; }

    // Each box takes its column of the current row (empty without one). A text stored longer
    // than the box takes (by another program) is shown whole, never cut: a save would
    // otherwise lose its end.
    void mostrar(const DataSet& fila);
    // What a save stores of the boxes.
    void escribir(sql::DatosPaciente& paciente) const;
    // The mandatory boxes, in order: the first one left empty gets its message and the focus,
    // and the answer is false. Blanks are a value the user typed, not empty. Both windows keep
    // a patient whole by this one rule.
    bool obligatoriosRellenos() const;
    // A DNI, NIE or NIF whose control letter does not agree with its number: the user is told
    // which letter it asks for and may keep it as typed (OK), or go back to the box (No, the
    // default), and the answer is false. Both windows check it by this one rule.
    bool dniAceptado() const;

private:
    Rotulo rotulo_;
    QList<CajaPaciente> defs_;
    QList<QLineEdit*> cajas_;
};
