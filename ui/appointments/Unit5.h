#pragma once

#include "ui/common/ventana.h"

class QCalendarWidget;

// Window "Clinora 1.1 - Nueva Cita": caption and heading in place; its work arrives with its own issue.
class TFormNuevaCita : public Ventana {
    Q_OBJECT

public:
    explicit TFormNuevaCita(QWidget* parent = nullptr);
    int CodigoPaciente = 0;
    QCalendarWidget* MonthCalendar1;
    void Image3Click();
};
