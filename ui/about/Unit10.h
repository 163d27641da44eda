#pragma once

#include "ui/common/ventana.h"

// Window "Clinora 1.1 - Acerca de ...": caption and heading in place; its work arrives with its own issue.
class TFormAcerca : public Ventana {
    Q_OBJECT

public:
    explicit TFormAcerca(QWidget* parent = nullptr);
};
