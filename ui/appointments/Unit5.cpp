#include "ui/appointments/Unit5.h"

#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFormNuevaCita::TFormNuevaCita(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormNuevaCita"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Nueva Cita"));
    auto* columna = new QVBoxLayout(this);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("FIJAR NUEVA CITA"), true);
    columna->addWidget(cabecera.panel);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormNuevaCita::Image3Click);
    // The booking day, kept between openings; the main calendar's double-click sets it.
    MonthCalendar1 = new QCalendarWidget(this);
    MonthCalendar1->setObjectName(QStringLiteral("MonthCalendar1"));
    MonthCalendar1->setSelectedDate(QDate::currentDate());
    columna->addWidget(MonthCalendar1);
    columna->addStretch();
    resize(640, 420);
}

void TFormNuevaCita::Image3Click()
{
    ayuda::abrir(QStringLiteral("p06-fijarcita.html"));
}
