// A working afternoon in miniature, to see what memory the program holds after real use and
// not only at its first paint: a hundred quick views of different days and twenty bookings.
#include "bench/medir.h"

#include "app/ventanas.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/formatos.h"
#include "db/sql.h"
#include "ui/common/controles.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

namespace bench {

namespace {

// "VmHWM" (peak) or "VmRSS" (now) of this process, in MB; -1 when unknown.
double memoria(const char* campo)
{
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression re(QString::fromLatin1(campo) + QStringLiteral(":\\s*(\\d+)\\s*kB"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(estado.readAll()));
    return m.hasMatch() ? m.captured(1).toDouble() / 1024.0 : -1;
}

Resultado sesion(Contexto& c)
{
    c.asegurarVentanas();
    const double antesPico = memoria("VmHWM");
    auto* calendario = Form1->findChild<QCalendarWidget*>(QStringLiteral("MonthCalendar1"));
    const QDate inicio = calendario->selectedDate();
    Resultado r;
    r.programa = medir(Repeticiones{100, 0}, [](int) {}, [&] {
        calendario->setSelectedDate(calendario->selectedDate().addDays(1));
        Form1->MonthCalendar1Click();
        pintarVentana(Form1);
    });

    // Twenty bookings on twenty days ahead, each deleted again afterwards.
    const int codigo = 1;
    QStringList fechas;
    for (int i = 0; i < 20; ++i) {
        const QDate dia = inicio.addYears(3).addDays(i);
        const QString fecha = formatos::textoFecha(dia);
        fechas << fecha;
        FormNuevaCita->CodigoPaciente = codigo;
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        FormNuevaCita->FormActivate();
        FormNuevaCita->show();
        pintarVentana(FormNuevaCita);
        FormNuevaCita->findChild<Casilla*>(QStringLiteral("Panel7"))->click();
        FormNuevaCita->BitBtn2Click();
        FormNuevaCita->hide();
        pintarVentana(Form1);
    }
    for (const QString& fecha : fechas)
        comando::ejecutar(Sql{QStringLiteral("DELETE FROM Visita WHERE codigo = ? AND fecha = ?"),
                              {codigo, fecha}});
    calendario->setSelectedDate(inicio);
    Form1->MonthCalendar1Click();
    Form1->ADODataSetCitas->reopen();

    r.notas << QStringLiteral("tiempos = las 100 vistas rápidas pintadas; memoria de este proceso "
                              "(el mismo código más el del banco): pico %1 MB antes de la sesión, "
                              "pico %2 MB y residente %3 MB tras 100 vistas rápidas y 20 citas")
                   .arg(QString::number(antesPico, 'f', 1),
                        QString::number(memoria("VmHWM"), 'f', 1),
                        QString::number(memoria("VmRSS"), 'f', 1));
    return r;
}

}  // namespace

QList<Accion> accionesSesion()
{
    return {{QStringLiteral("sesion_memoria"), sesion}};
}

}  // namespace bench
