#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1  - Listado": caption and heading in place; its work arrives with its own issue.
class TImprimeListaVisitas : public Ventana {
    Q_OBJECT

public:
    explicit TImprimeListaVisitas(QWidget* parent = nullptr);
};
