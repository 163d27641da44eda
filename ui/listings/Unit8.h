#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 - Listados": caption and heading in place; its work arrives with its own issue.
class TFormListados : public Ventana {
    Q_OBJECT

public:
    explicit TFormListados(QWidget* parent = nullptr);
    void Image3Click();
};
