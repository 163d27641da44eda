#pragma once

#include "ui/common/ventana.h"

class DataSet;

// Window "Clinora 1.1 - Buscar Datos de Paciente": caption and heading in place; its work arrives with its own issue.
class TFormBuscar : public Ventana {
    Q_OBJECT

public:
    explicit TFormBuscar(QWidget* parent = nullptr);

    DataSet* ADODataSetBuscarPaciente;   // the search result, kept open between openings

    void Image3Click();
};
