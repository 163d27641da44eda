// Booking: the day shown, the slot board and its selection, special hours, the one-visit-a-day
// rule, what is stored, the refreshed main window and the day kept between openings.
#include "db/reloj.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/esquema.h"
#include "db/consulta.h"
#include "db/formatos.h"
#include "tests/support/entorno.h"
#include "ui/common/controles.h"
#include "ui/common/estilo.h"
#include "ui/common/rejilla.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString kMensajeCitaFijada = QStringLiteral("¡Cita fijada correctamente!");
const QString kHoraConCita =
    QStringLiteral("La hora %1 ya tiene una cita. ¿Fijar otra a la misma hora?");
const QString kMensajeYaTieneCita = QStringLiteral(
    "ALERTA: ¡El paciente ya tiene cita para este día!, selecciona otra fecha para fijar la "
    "nueva cita.");

QString texto(const QDate& d)
{
    return formatos::textoFecha(d);
}

QDate hoy()
{
    return reloj::hoy();
}

// A control of this window by its name.
template <typename T>
T* control(const QString& nombre)
{
    return hijo<T>(FormNuevaCita, nombre);
}

Casilla* casilla(int panel)
{
    return control<Casilla>(QStringLiteral("Panel%1").arg(panel));
}

QComboBox* horaBox()
{
    return control<QComboBox>("ComboBox1");
}

QLabel* especial()
{
    return control<QLabel>("LabelEspecial");
}

// The board as one line: "." free, "R" taken, "N" chosen; and the cursor rule with it.
QString tablero()
{
    QString s;
    for (int p = 3; p <= 11; ++p) {
        const QColor c = casilla(p)->color();
        const bool mano = casilla(p)->cursor().shape() == Qt::PointingHandCursor;
        if (c == estilo::kLima)
            s += mano ? "." : "?";
        else if (c == estilo::kRojo)
            s += mano ? "?" : "R";
        else if (c == estilo::kNaranja)
            s += mano ? "?" : "N";
        else
            s += "?";
    }
    return s;
}

int abrirCita(Entorno& e, int codigo, std::function<void()> guion)
{
    FormNuevaCita->CodigoPaciente = codigo;
    return e.abrir(FormNuevaCita, std::move(guion));
}

int visitas(Entorno& e)
{
    return e.valor("SELECT COUNT(*) FROM Visita").toInt();
}

// Fills every slot of each day of `dias` in one statement: patients 101 to 109 hold one slot
// each. The patients must exist.
void llenarDias(Entorno& e, const QList<QDate>& dias)
{
    if (dias.isEmpty())
        return;
    QStringList filas;
    QVariantList valores;
    for (const QDate& d : dias) {
        for (int i = 0; i < TablaHoras::horas().size(); ++i) {
            filas << "(?, ?, ?)";
            valores << 101 + i << texto(d) << TablaHoras::horas().at(i);
        }
    }
    e.exec("INSERT INTO Visita (codigo, fecha, hora) VALUES " + filas.join(", "), valores);
}

// The practice's working days, added to the clinora.ini the program reads.
void diasDeConsulta(const QString& dias)
{
    QFile ini(consulta::rutaActual());
    QVERIFY(ini.open(QIODevice::Append));
    ini.write("\n[Agenda]\nDias=" + dias.toUtf8() + "\n");
}

}  // namespace

class TestNuevaCita : public QObject {
    Q_OBJECT

    // Every test books on "today", and that must be a working day whatever day CI runs.
    const RelojFijo reloj_{kDiaDeConsulta};

private slots:
    void ventanaConSusTextos()
    {
        Entorno e;
        e.paciente(3, "RUIZ", "MARTA", "GIL");
        QVERIFY(e.crearVentanas());
        const QStringList textos = {
            "FormNuevaCita=Clinora 1.1 - Nueva Cita", "Panel15=CITAS",
            "ComboBox2=NO", "Edit2=0", "LabelEspecial=<- HORA ESPECIAL",
            "Label1=Horas diponibles:", "GroupBox1=Datos del Paciente",
            "GroupBox2=Datos de la Cita", "GroupBox3=Día", "Panel2=FIJAR NUEVA CITA",
            "BitBtn3=&Primer hueco libre", "BitBtn2=&Insertar Cita", "BitBtn1=&Cancelar"};
        QCOMPARE(rotulosComo(FormNuevaCita, textos), textos);
        QCOMPARE(control<QPushButton>("BitBtn3")->toolTip(),
                 QString("Buscar el primer día con una hora libre a partir del día elegido."));
        QCOMPARE(FormNuevaCita->ColorSeleccion, QColor(255, 153, 0));
        QCOMPARE(horaBox()->currentText(), QString("15:00"));
        QStringList cuartos;
        for (int i = 0; i < horaBox()->count(); ++i)
            cuartos << horaBox()->itemText(i);
        QCOMPARE(cuartos,
                 (QStringList{"15:00", "15:15", "15:30", "15:45", "16:00", "16:15", "16:30",
                              "16:45", "17:00", "17:15", "17:30", "17:45", "18:00", "18:15",
                              "18:30", "18:45", "19:00", "19:15", "19:30", "19:45", "20:00",
                              "20:15", "20:30", "20:45", "21:00"}));
        QVERIFY(!control<QComboBox>("ComboBox2")->isEnabled());
        QVERIFY(!control<QLineEdit>("Edit2")->isEnabled());
        QCOMPARE(control<QLineEdit>("Edit3")->maxLength(), 50);
        QVERIFY(control<QLineEdit>("LabeledEdit1")->isReadOnly());
        QCOMPARE(especial()->palette().color(QPalette::Window), QColor(0, 255, 255));
        QVERIFY(especial()->font().bold());
        QStringList etiquetas;
        for (const QLabel* l : FormNuevaCita->findChildren<QLabel*>()) {
            if (l->buddy())
                etiquetas << l->text() + "=" + l->buddy()->objectName();
        }
        etiquetas.sort();
        QCOMPARE(etiquetas, (QStringList{"Fecha:=LabeledEdit1", "Hora:=ComboBox1",
                                         "Importe:=Edit2", "Observacines:=Edit3",
                                         "Pago:=ComboBox2"}));

        auto* rejilla = control<Rejilla>("DBGrid1");
        QStringList titulos;
        QList<int> anchos;
        for (int c = 0; c < rejilla->model()->columnCount(); ++c) {
            titulos << rejilla->model()->headerData(c, Qt::Horizontal).toString();
            anchos << rejilla->columnWidth(c);
        }
        QCOMPARE(titulos, (QStringList{"Hora", "1er Apellido", "2o Apellido", "Nombre"}));
        QCOMPARE(anchos, (QList<int>{65, 80, 80, 80}));
        QVERIFY(!rejilla->verticalHeader()->isVisible());

        abrirCita(e, 3, [&] {
            QCOMPARE(control<QLabel>("Panel15")->text(),
                     "CITAS DEL DÍA: " + texto(hoy()) + QString(29, ' '));
            QCOMPARE(control<QLineEdit>("LabeledEdit1")->text(), texto(hoy()));
            QStringList paciente;
            for (int i = 1; i <= 5; ++i)
                paciente << control<QLabel>(qPrintable(QString("DBText%1").arg(i)))->text();
            QCOMPARE(paciente, (QStringList{"MARTA", "RUIZ", "GIL", "600000000", ""}));
            // The header keeps its widths once the day's list is open.
            QCOMPARE(rejilla->columnWidth(0), 65);
        });
    }

    void ordenDeTabulacionYNombres()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QStringList sinNombre;
        const QStringList orden = ordenDeTabulacion(FormNuevaCita->MonthCalendar1, &sinNombre);
        QCOMPARE(sinNombre, QStringList());
        QCOMPARE(orden, (QStringList{"MonthCalendar1", "Panel3", "Panel4", "Panel5", "Panel6",
                                     "Panel7", "Panel8", "Panel9", "Panel10", "Panel11",
                                     "LabeledEdit1", "ComboBox1", "Edit3", "BitBtn3", "BitBtn2",
                                     "BitBtn1", "DBGrid1", "Image3"}));
    }

    void tableroDelDia()
    {
        Entorno e;
        e.paciente(1);
        e.paciente(2, "PÉREZ");
        e.paciente(3, "DÍAZ");
        const QDate dia = hoy().addDays(3);
        e.visita(1, texto(dia), "16:30");
        e.visita(2, texto(dia), "16:45");   // a special hour marks no slot
        e.visita(3, texto(dia.addDays(1)), "15:00");
        QVERIFY(e.crearVentanas());
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        abrirCita(e, 3, [&] {
            QCOMPARE(tablero(), QString("..R......"));
            QCOMPARE(control<Rejilla>("DBGrid1")->model()->rowCount(), 2);
            QCOMPARE(horaBox()->currentText(), QString("15:00"));

            casilla(5)->click();   // taken: nothing happens
            QCOMPARE(tablero(), QString("..R......"));
            QCOMPARE(horaBox()->currentText(), QString("15:00"));

            casilla(4)->click();
            QCOMPARE(tablero(), QString(".NR......"));
            QCOMPARE(horaBox()->currentText(), QString("15:45"));
            casilla(11)->click();
            QCOMPARE(tablero(), QString("..R.....N"));
            QCOMPARE(horaBox()->currentText(), QString("21:00"));
            horaBox()->setEditText("19:00");
            casilla(11)->click();   // already chosen: nothing happens
            QCOMPARE(horaBox()->currentText(), QString("19:00"));

            // Another day: the selection goes, the box and remark stay.
            QTest::keyClicks(control<QLineEdit>("Edit3"), "revision");
            FormNuevaCita->MonthCalendar1->setSelectedDate(dia.addDays(1));
            QCOMPARE(tablero(), QString("R........"));
            QCOMPARE(control<QLineEdit>("LabeledEdit1")->text(), texto(dia.addDays(1)));
            QCOMPARE(control<QLabel>("Panel15")->text(),
                     "CITAS DEL DÍA: " + texto(dia.addDays(1)) + QString(29, ' '));
            QCOMPARE(horaBox()->currentText(), QString("19:00"));
            QCOMPARE(control<QLineEdit>("Edit3")->text(), QString("REVISION"));
            emit FormNuevaCita->MonthCalendar1->clicked(dia.addDays(1));
            QCOMPARE(tablero(), QString("R........"));
        });
        QVERIFY(!FormNuevaCita->ADODataSet1->isActive());
        QVERIFY(!FormNuevaCita->ADODataSet2->isActive());
        QCOMPARE(visitas(e), 3);
    }

    void rejillaDelDiaPorHoraYCodigo()
    {
        Entorno e;
        for (int c : {9, 2, 5})
            e.paciente(c, QString("P%1").arg(c));
        const QDate dia = hoy().addDays(3);
        e.visita(5, texto(dia), "17:15");
        e.visita(9, texto(dia), "15:00");
        e.visita(2, texto(dia), "15:00");
        e.visita(9, texto(dia.addDays(1)), "15:45");
        QVERIFY(e.crearVentanas());
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        abrirCita(e, 2, [&] {
            auto* rejilla = control<Rejilla>("DBGrid1");
            QStringList filas;
            for (int f = 0; f < rejilla->model()->rowCount(); ++f)
                filas << rejilla->model()->index(f, 0).data().toString() + " "
                             + rejilla->model()->index(f, 1).data().toString();
            QCOMPARE(filas, (QStringList{"15:00 P2", "15:00 P9", "17:15 P5"}));
        });
    }

    void horasDeLaLista()
    {
        Entorno e;
        e.paciente(1);
        e.paciente(2);
        const QDate dia = hoy().addDays(1);
        e.visita(1, texto(dia), "18:45");
        QVERIFY(e.crearVentanas());
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        abrirCita(e, 2, [&] {
            casilla(3)->click();
            QCOMPARE(tablero(), QString("N....R..."));
            elegir(horaBox(), "16:45");
            QVERIFY(!especial()->isHidden());
            QCOMPARE(tablero(), QString(".....R..."));
            QCOMPARE(horaBox()->currentText(), QString("16:45"));
            elegir(horaBox(), "18:00");
            QVERIFY(especial()->isHidden());
            QCOMPARE(tablero(), QString("....NR..."));
            // A taken hour stays in the box, unmarked and without a word.
            elegir(horaBox(), "18:45");
            QVERIFY(especial()->isHidden());
            QCOMPARE(tablero(), QString("....NR..."));
            QCOMPARE(horaBox()->currentText(), QString("18:45"));
            QVERIFY(e.textos.isEmpty());
            // Typing runs none of it.
            horaBox()->setEditText("");
            QTest::keyClicks(horaBox(), "17:30");
            QVERIFY(especial()->isHidden());
            QCOMPARE(tablero(), QString("....NR..."));
            elegir(horaBox(), "18:45");
            FormNuevaCita->BitBtn2Click();
        });
        // Two patients may share an hour, once the user says so.
        QCOMPARE(e.textos, (QStringList{kHoraConCita.arg("18:45"), kMensajeCitaFijada}));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita WHERE fecha = ? AND hora = '18:45'",
                         {texto(dia)})
                     .toInt(),
                 2);
    }

    void reservaGuardaYRefrescaLaVentanaPrincipal()
    {
        Entorno e;
        e.paciente(5, "LÓPEZ", "ÁNGEL", "NÚÑEZ");
        e.paciente(6, "RUIZ");
        e.visita(6, texto(hoy()), "15:00");
        QVERIFY(e.crearVentanas());
        auto* listaHoy = Form1->ADODataSetCitas;
        auto* vistaRapida = Form1->ADODataSet1;
        QCOMPARE(listaHoy->model()->rowCount(), 1);
        FormNuevaCita->MonthCalendar1->setSelectedDate(hoy());
        const int resultado = abrirCita(e, 5, [&] {
            casilla(5)->click();
            QTest::keyClicks(control<QLineEdit>("Edit3"), "revisi");
            QTest::sendKeyEvent(QTest::Click, control<QLineEdit>("Edit3"), Qt::Key_unknown,
                                QStringLiteral("ó"), Qt::NoModifier);
            QTest::keyClicks(control<QLineEdit>("Edit3"), "n 50% \"a_b\" 'c'");
            FormNuevaCita->BitBtn2Click();
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.textos, QStringList{kMensajeCitaFijada});
        QCOMPARE(e.tipos, QList<mensajes::Tipo>{mensajes::Tipo::Informacion});
        const QVariantList fila = {
            e.valor("SELECT hora FROM Visita WHERE codigo = 5"),
            e.valor("SELECT fecha FROM Visita WHERE codigo = 5"),
            e.valor("SELECT pago FROM Visita WHERE codigo = 5"),
            e.valor("SELECT cantidad FROM Visita WHERE codigo = 5"),
            e.valor("SELECT factura FROM Visita WHERE codigo = 5"),
            e.valor("SELECT observacion FROM Visita WHERE codigo = 5"),
        };
        QCOMPARE(fila, (QVariantList{"16:30", texto(hoy()), 0, 0, 0,
                                     "REVISIÓN 50% \"A_B\" 'C'"}));
        // The main window shows the new visit without anything more being done.
        QCOMPARE(listaHoy->model()->rowCount(), 2);
        QCOMPARE(listaHoy->fieldAt(1, "nombre").toString(), QString("ÁNGEL"));
        QCOMPARE(vistaRapida->model()->rowCount(), 2);
        QCOMPARE(vistaRapida->fieldAt(1, "hora").toString(), QString("16:30"));
        const auto rojas = hijo<QGroupBox>(Form1, "GroupBox2")->findChildren<Casilla*>();
        QStringList marcadas;
        for (const Casilla* c : rojas) {
            if (c->color() == estilo::kRojo)
                marcadas << c->objectName();
        }
        QCOMPARE(marcadas, (QStringList{"Panel3", "Panel5"}));
        QVERIFY(!FormNuevaCita->ADODataSet1->isActive());
        QVERIFY(!FormNuevaCita->ADODataSetLibre->isActive());
    }

    void observacionNoPasaDeCincuenta()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        abrirCita(e, 1, [&] {
            QTest::keyClicks(control<QLineEdit>("Edit3"), QString(60, 'x'));
            QCOMPARE(control<QLineEdit>("Edit3")->text(), QString(50, 'X'));
            FormNuevaCita->BitBtn2Click();
        });
        QCOMPARE(e.textos, QStringList{kMensajeCitaFijada});
        QCOMPARE(e.valor("SELECT observacion FROM Visita").toString(), QString(50, 'X'));
    }

    void segundaCitaDelDiaSeRechaza()
    {
        Entorno e;
        e.paciente(1);
        const QDate dia = hoy().addDays(1);
        e.visita(1, texto(dia), "20:15", false, "PRIMERA");
        QVERIFY(e.crearVentanas());
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        const int resultado = abrirCita(e, 1, [&] {
            casilla(3)->click();
            FormNuevaCita->BitBtn2Click();
            // Still open: the user may choose another day and try again.
            QVERIFY(FormNuevaCita->ADODataSet1->isActive());
            QVERIFY(!FormNuevaCita->ADODataSetLibre->isActive());
            QCOMPARE(e.textos, QStringList{kMensajeYaTieneCita});
            FormNuevaCita->MonthCalendar1->setSelectedDate(dia.addDays(1));
            casilla(3)->click();
            FormNuevaCita->BitBtn2Click();
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.textos, (QStringList{kMensajeYaTieneCita, kMensajeCitaFijada}));
        QCOMPARE(e.valor("SELECT hora || ' ' || observacion FROM Visita WHERE fecha = ?",
                         {texto(dia)})
                     .toString(),
                 QString("20:15 PRIMERA"));
        QCOMPARE(e.valor("SELECT hora FROM Visita WHERE fecha = ?", {texto(dia.addDays(1))})
                     .toString(),
                 QString("15:00"));
    }

    // Another copy of the program books the patient on the same day between the check and
    // the insert: the unique pair refuses ours and the user sees the day's alert.
    void otraCopiaReservaAntes()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        QSqlDatabase otra = e.otroPuesto("otra-copia");
        const int resultado = abrirCita(e, 1, [&] {
            QObject::connect(
                FormNuevaCita->ADODataSetLibre, &DataSet::opened, FormNuevaCita,
                [&] {
                    comando::ejecutar({"INSERT INTO Visita (codigo, fecha, hora, observacion) "
                                       "VALUES (1, ?, '19:30', 'OTRA COPIA')",
                                       {texto(hoy())}},
                                      otra);
                },
                Qt::SingleShotConnection);
            casilla(3)->click();
            FormNuevaCita->BitBtn2Click();
            QVERIFY(FormNuevaCita->ADODataSet1->isActive());
        });
        QCOMPARE(resultado, int(QDialog::Rejected));
        QCOMPARE(e.textos, QStringList{kMensajeYaTieneCita});
        QCOMPARE(visitas(e), 1);
        QCOMPARE(e.valor("SELECT observacion FROM Visita").toString(), QString("OTRA COPIA"));
        otra = QSqlDatabase();
        esquema::cerrar("otra-copia");
    }

    // Another desk books the hour chosen, for another patient, while the board is open: the
    // user is asked before the hour is doubled; No stores nothing and shows the hour taken.
    void horaOcupadaDesdeOtroPuesto_data()
    {
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<int>("citas");
        QTest::addRow("no") << 0 << 1;
        QTest::addRow("sí") << 1 << 2;
    }
    void horaOcupadaDesdeOtroPuesto()
    {
        QFETCH(int, respuesta);
        QFETCH(int, citas);
        Entorno e;
        e.paciente(1);
        e.paciente(2, "OTRO");
        QVERIFY(e.crearVentanas());
        QSqlDatabase otro = e.otroPuesto("otro-puesto");
        QString hora;
        abrirCita(e, 1, [&] {
            casilla(3)->click();
            hora = horaBox()->currentText();
            QCOMPARE(tablero().at(0), QChar('N'));
            comando::ejecutar({"INSERT INTO Visita (codigo, fecha, hora) VALUES (2, ?, ?)",
                               {texto(hoy()), hora}},
                              otro);
            e.respuestas = {respuesta};
            FormNuevaCita->BitBtn2Click();
            if (respuesta == 0)
                QCOMPARE(tablero().at(0), QChar('R'));
        });
        QVERIFY(!hora.isEmpty());
        QVERIFY2(e.textos.value(0).startsWith(
                     QStringLiteral("La hora %1 se acaba de ocupar desde otro puesto").arg(hora)),
                 qPrintable(e.textos.value(0)));
        QCOMPARE(e.tipos.value(0), mensajes::Tipo::Aviso);
        QCOMPARE(visitas(e), citas);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita WHERE codigo = 1").toInt(), citas - 1);
        otro = QSqlDatabase();
        esquema::cerrar("otro-puesto");
    }

    // "Primer hueco libre" from the day chosen, on the clock of each row.
    void primerHuecoLibre_data()
    {
        QTest::addColumn<QDateTime>("ahora");
        QTest::addColumn<QDate>("elegido");
        QTest::addColumn<QString>("dias");         // [Agenda] Dias; empty: no such line
        QTest::addColumn<QList<QDate>>("llenos");   // every slot taken
        QTest::addColumn<QStringList>("sueltas");  // "dd/mm/yyyy hh:mm", one visit each
        QTest::addColumn<QString>("esperado");     // "dd/mm/yyyy hh:mm", or the message
        const QDateTime miercoles(QDate(2026, 12, 9), QTime(10, 0));
        const QDate viernes(2026, 12, 11);
        QTest::addRow("el fin de semana no cuenta")
            << miercoles << viernes << QString() << QList<QDate>{viernes} << QStringList()
            << "14/12/2026 15:00";
        QList<QDate> semana;
        for (int i = 0; i < 5; ++i)
            semana << QDate(2026, 12, 14).addDays(i);
        QTest::addRow("una semana llena")
            << miercoles << QDate(2026, 12, 14) << QString() << semana
            << QStringList{"21/12/2026 15:00", "21/12/2026 16:30"} << "21/12/2026 15:45";
        QTest::addRow("fin de año")
            << QDateTime(QDate(2026, 12, 30), QTime(9, 0)) << QDate(2026, 12, 31) << QString()
            << QList<QDate>{QDate(2026, 12, 31), QDate(2027, 1, 1)} << QStringList()
            << "04/01/2027 15:00";
        QTest::addRow("días de clinora.ini")
            << miercoles << QDate(2026, 12, 14) << "L,X,V" << QList<QDate>{QDate(2026, 12, 14)}
            << QStringList() << "16/12/2026 15:00";
        QTest::addRow("sábado en clinora.ini")
            << miercoles << viernes << "\"l m x j v s\"" << QList<QDate>{viernes}
            << QStringList() << "12/12/2026 15:00";
        QTest::addRow("día desconocido en clinora.ini: de lunes a viernes")
            << miercoles << viernes << "L,M,Q,S" << QList<QDate>{viernes} << QStringList()
            << "14/12/2026 15:00";
        QTest::addRow("hoy, sin las horas pasadas")
            << QDateTime(QDate(2026, 12, 9), QTime(17, 0)) << QDate(2026, 12, 9) << QString()
            << QList<QDate>() << QStringList{"09/12/2026 17:15"} << "09/12/2026 18:00";
        QTest::addRow("un día pasado busca desde hoy")
            << miercoles << QDate(2026, 12, 1) << QString() << QList<QDate>()
            << QStringList() << "09/12/2026 15:00";
        QList<QDate> domingos;
        for (QDate d(2026, 12, 13); d < QDate(2027, 12, 13); d = d.addDays(7))
            domingos << d;
        QTest::addRow("nada libre en un año")
            << miercoles << QDate(2026, 12, 9) << "D" << domingos << QStringList()
            << "No hay ninguna hora libre en los 365 días a partir del 09/12/2026.";
    }
    void primerHuecoLibre()
    {
        QFETCH(QDateTime, ahora);
        QFETCH(QDate, elegido);
        QFETCH(QString, dias);
        QFETCH(QList<QDate>, llenos);
        QFETCH(QStringList, sueltas);
        QFETCH(QString, esperado);
        RelojFijo reloj(ahora);
        Entorno e;
        e.paciente(1);
        for (int c = 101; c <= 109; ++c)
            e.paciente(c, "LLENO");
        QVERIFY(e.crearVentanas());
        llenarDias(e, llenos);
        for (int i = 0; i < sueltas.size(); ++i)
            e.visita(101 + i, sueltas.at(i).left(10), sueltas.at(i).mid(11));
        if (!dias.isEmpty())
            diasDeConsulta(dias);
        FormNuevaCita->MonthCalendar1->setSelectedDate(elegido);
        abrirCita(e, 1, [&] {
            control<QPushButton>("BitBtn3")->click();
            if (esperado.size() != 16) {
                QCOMPARE(e.textos, QStringList{esperado});
                QCOMPARE(FormNuevaCita->MonthCalendar1->selectedDate(), elegido);
                return;
            }
            QCOMPARE(e.textos, QStringList());
            const QDate dia = formatos::fechaDeTexto(esperado.left(10));
            auto* calendario = FormNuevaCita->MonthCalendar1;
            QCOMPARE(calendario->selectedDate(), dia);
            QCOMPARE(QDate(calendario->yearShown(), calendario->monthShown(), 1),
                     QDate(dia.year(), dia.month(), 1));
            QCOMPARE(control<QLineEdit>("LabeledEdit1")->text(), esperado.left(10));
            QCOMPARE(FormNuevaCita->ADODataSet1->command().values,
                     QVariantList{esperado.left(10)});
            QCOMPARE(horaBox()->currentText(), esperado.mid(11));
            QCOMPARE(tablero().indexOf('N'), TablaHoras::horas().indexOf(esperado.mid(11)));
        });
    }

    // Questions before a booking the user may not mean, their default No, and a No keeping
    // everything chosen.
    void preguntasAlFijar_data()
    {
        QTest::addColumn<QDate>("dia");
        QTest::addColumn<bool>("ocupada");     // another patient holds 15:00 that day
        QTest::addColumn<QList<int>>("respuestas");   // empty: Enter on the real boxes
        QTest::addColumn<QStringList>("preguntas");
        QTest::addColumn<bool>("fijada");
        const QDate miercoles(2026, 12, 9);
        const QDate sabado(2026, 12, 12);
        const QString hora = kHoraConCita.arg("15:00");
        const QString cerrado = QStringLiteral(
            "El 12/12/2026 es sábado y no es día de consulta. ¿Fijar la cita de todas formas?");
        QTest::addRow("hora libre") << miercoles << false << QList<int>{} << QStringList() << true;
        QTest::addRow("hora con cita, sí") << miercoles << true << QList<int>{1}
                                           << QStringList{hora} << true;
        QTest::addRow("hora con cita, no") << miercoles << true << QList<int>{0}
                                           << QStringList{hora} << false;
        QTest::addRow("hora con cita, Enter") << miercoles << true << QList<int>{}
                                              << QStringList{hora} << false;
        QTest::addRow("sábado, sí") << sabado << false << QList<int>{1} << QStringList{cerrado}
                                    << true;
        QTest::addRow("sábado, Enter") << sabado << false << QList<int>{} << QStringList{cerrado}
                                       << false;
        QTest::addRow("sábado con la hora ocupada, sí y no")
            << sabado << true << QList<int>{1, 0} << QStringList{cerrado, hora} << false;
    }
    void preguntasAlFijar()
    {
        QFETCH(QDate, dia);
        QFETCH(bool, ocupada);
        QFETCH(QList<int>, respuestas);
        QFETCH(QStringList, preguntas);
        QFETCH(bool, fijada);
        Entorno e;
        e.paciente(1);
        e.paciente(2, "OTRO");
        if (ocupada)
            e.visita(2, texto(dia), "15:00");
        QVERIFY(e.crearVentanas());
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        const int resultado = abrirCita(e, 1, [&] {
            elegir(horaBox(), "15:00");
            teclear(control<QLineEdit>("Edit3"), "REVISIÓN");
            e.respuestas = respuestas;
            if (respuestas.isEmpty())
                e.responderConEnter([] { FormNuevaCita->BitBtn2Click(); });
            else
                FormNuevaCita->BitBtn2Click();
            if (!fijada) {
                QCOMPARE(e.textos, preguntas);
                QCOMPARE(horaBox()->currentText(), QString("15:00"));
                QCOMPARE(control<QLineEdit>("Edit3")->text(), QString("REVISIÓN"));
                QCOMPARE(FormNuevaCita->MonthCalendar1->selectedDate(), dia);
            }
        });
        QCOMPARE(resultado, int(fijada ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(e.textos, fijada ? preguntas + QStringList{kMensajeCitaFijada} : preguntas);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita WHERE codigo = 1").toInt(), fijada ? 1 : 0);
    }

    void horaEscrita_data()
    {
        QTest::addColumn<QString>("hora");
        QTest::addColumn<QString>("mensaje");   // empty: booked as typed
        const QString vacia = QStringLiteral(
            "¡El campo \"Hora\" está vacío, debes elegir una hora para la cita!");
        const auto mala = [](const QString& h) {
            return QStringLiteral("¡La hora \"%1\" no es válida, debes escribirla como hh:mm "
                                  "(de 00:00 a 23:59)!")
                .arg(h);
        };
        QTest::addRow("fuera de la lista pero válida") << "09:05" << QString();
        QTest::addRow("vacía") << "" << vacia;
        QTest::addRow("sin cero delante") << "9:00" << mala("9:00");
        QTest::addRow("hora 24") << "24:00" << mala("24:00");
        QTest::addRow("minuto 60") << "15:60" << mala("15:60");
        QTest::addRow("letras") << "TARDE" << mala("TARDE");
        QTest::addRow("blanco detrás") << "15:00 " << mala("15:00 ");
        QTest::addRow("punto") << "15.00" << mala("15.00");
    }
    void horaEscrita()
    {
        QFETCH(QString, hora);
        QFETCH(QString, mensaje);
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        const int resultado = abrirCita(e, 1, [&] {
            horaBox()->setEditText("");
            QTest::keyClicks(horaBox(), hora.toLower());
            FormNuevaCita->BitBtn2Click();
            if (!mensaje.isEmpty())
                QCOMPARE(FormNuevaCita->focusWidget(), horaBox());
        });
        if (mensaje.isEmpty()) {
            QCOMPARE(resultado, int(QDialog::Accepted));
            QCOMPARE(e.textos, QStringList{kMensajeCitaFijada});
            QCOMPARE(e.valor("SELECT hora FROM Visita").toString(), hora);
            return;
        }
        QCOMPARE(resultado, int(QDialog::Rejected));
        QCOMPARE(e.textos, QStringList{mensaje});
        QCOMPARE(visitas(e), 0);
    }

    void pacienteInexistenteNoSeReserva()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        abrirCita(e, 44, [&] { FormNuevaCita->BitBtn2Click(); });
        QCOMPARE(e.textos, QStringList{"ERROR: No existe ningún paciente con el código 44; no "
                                       "se puede fijar la cita."});
        QCOMPARE(visitas(e), 0);
    }

    void cancelarNoGuarda()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        const int resultado = abrirCita(e, 1, [&] {
            casilla(7)->click();
            QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
        });
        QCOMPARE(resultado, int(QDialog::Rejected));
        QVERIFY(e.textos.isEmpty());
        QCOMPARE(visitas(e), 0);
        QVERIFY(!FormNuevaCita->ADODataSet1->isActive());
    }

    void diaSeConservaEntreAperturas()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        const QDate otro = hoy().addDays(9);
        abrirCita(e, 1, [&] {
            QCOMPARE(control<QLineEdit>("LabeledEdit1")->text(), texto(hoy()));
            FormNuevaCita->MonthCalendar1->setSelectedDate(otro);
            elegir(horaBox(), "20:30");
            QVERIFY(!especial()->isHidden());
            QTest::keyClicks(control<QLineEdit>("Edit3"), "algo");
        });
        // The day and the hour box stay; the special-hour note and the remark do not.
        abrirCita(e, 1, [&] {
            QCOMPARE(control<QLineEdit>("LabeledEdit1")->text(), texto(otro));
            QVERIFY(especial()->isHidden());
            QCOMPARE(control<QLineEdit>("Edit3")->text(), QString());
            QCOMPARE(horaBox()->currentText(), QString("20:30"));
        });

        // The main calendar's double-click sets the day without opening the window.
        const QDate elegido = hoy().addDays(-4);
        auto* principal = hijo<QCalendarWidget>(Form1, "MonthCalendar1");
        principal->setSelectedDate(elegido);
        e.abiertas.clear();
        Form1->MonthCalendar1DblClick();
        QCOMPARE(e.abiertas, QStringList{"FormBuscar"});
        QCOMPARE(FormNuevaCita->MonthCalendar1->selectedDate(), elegido);
        QVERIFY(!FormNuevaCita->ADODataSet1->isActive());
        abrirCita(e, 1, [&] {
            QCOMPARE(control<QLineEdit>("LabeledEdit1")->text(), texto(elegido));
        });
    }

    void coloresDeLasFilas_data()
    {
        QTest::addColumn<int>("dias");
        QTest::addColumn<bool>("pagada");
        QTest::addColumn<QColor>("color");
        QTest::addRow("ayer sin pagar: rojo") << -1 << false << QColor(255, 0, 0);
        QTest::addRow("hoy sin pagar: granate") << 0 << false << QColor(128, 0, 0);
        QTest::addRow("mañana sin pagar: normal") << 1 << false << QColor();
        QTest::addRow("ayer pagada: normal") << -1 << true << QColor();
    }
    void coloresDeLasFilas()
    {
        QFETCH(int, dias);
        QFETCH(bool, pagada);
        QFETCH(QColor, color);
        Entorno e;
        e.paciente(1);
        e.paciente(2);
        const QDate dia = hoy().addDays(dias);
        e.visita(1, texto(dia), "15:00", pagada);
        QVERIFY(e.crearVentanas());
        FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
        abrirCita(e, 2, [&] {
            auto* modelo = control<Rejilla>("DBGrid1")->model();
            QCOMPARE(modelo->rowCount(), 1);
            for (int c = 0; c < modelo->columnCount(); ++c)
                QCOMPARE(modelo->index(0, c).data(Qt::ForegroundRole).value<QColor>(), color);
        });
    }
};

CLINORA_TEST_MAIN(TestNuevaCita)
#include "tst_nuevacita.moc"
