#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 - Alta de Nuevo Paciente": caption and heading in place; its work arrives with its own issue.
class TFormAlta : public Ventana {
    Q_OBJECT

public:
    explicit TFormAlta(QWidget* parent = nullptr);
    void Image3Click();
};
