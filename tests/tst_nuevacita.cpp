// Booking: the day shown, the slot board and its selection, special hours, the one-visit-a-day
// rule, what is stored, the refreshed main window and the day kept between openings.
#include "db/reloj.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "tests/support/entorno.h"
#include "ui/common/controles.h"
#include "ui/common/estilo.h"
#include "ui/common/rejilla.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString kMensajeCitaFijada = QStringLiteral("¡Cita fijada correctamente!");
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

}  // namespace

class TestNuevaCita : public QObject {
    Q_OBJECT

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
            "BitBtn2=&Insertar Cita", "BitBtn1=&Cancelar"};
        QCOMPARE(rotulosComo(FormNuevaCita, textos), textos);
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
                                     "LabeledEdit1", "ComboBox1", "Edit3", "BitBtn2", "BitBtn1",
                                     "DBGrid1", "Image3"}));
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
        QCOMPARE(e.textos, QStringList{kMensajeCitaFijada});
        // One visit a patient and day is the only rule: two patients may share an hour.
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
        const QDate dia = hoy().addDays(2);
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
        QSqlDatabase otra = esquema::abrir(e.rutaBD(), "otra-copia");
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
