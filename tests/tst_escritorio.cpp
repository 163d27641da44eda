// What every window keeps whatever its content: keys as on the desktop the users know, what a
// screen reader hears, Spanish order and capitals, the day across midnight, a 1024 x 768 screen,
// and windows that close even when their refresh fails.
#include "db/dataset.h"
#include "db/formatos.h"
#include "db/orden.h"
#include "db/reloj.h"
#include "tests/support/entorno.h"
#include "ui/common/controles.h"
#include "ui/common/estilo.h"
#include "ui/common/rejilla.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace {

QString texto(const QDate& d)
{
    return formatos::textoFecha(d);
}

// The main window on screen and active, so its keys and Alt+letter shortcuts reach it.
void mostrarPrincipal()
{
    Form1->resize(1366, 768);
    Form1->show();
    Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
}

// Where Tab, pressed `veces` times from `desde`, lands.
QWidget* tabular(QWidget* desde, int veces, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    desde->setFocus();
    for (int i = 0; i < veces; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, mods);
    return QApplication::focusWidget();
}

}  // namespace

class TestEscritorio : public QObject {
    Q_OBJECT

private slots:
    void enterPulsaElBotonConElFoco()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        mostrarPrincipal();
        auto* alta = hijo<QToolButton>(Form1, "BitBtn2");
        alta->setFocus();
        QTest::keyClick(alta, Qt::Key_Return);
        QCOMPARE(e.abiertas, QStringList{"FormAlta"});
        QTest::keyClick(hijo<QToolButton>(Form1, "BitBtn3"), Qt::Key_Enter);
        QCOMPARE(e.abiertas, (QStringList{"FormAlta", "FormBuscar"}));

        // In a dialog too: Enter on "Limpiar Todo" empties the boxes.
        e.abrir(FormAlta, [&] {
            auto* nombre = hijo<QLineEdit>(FormAlta, "LabeledEdit2");
            QTest::keyClicks(nombre, "ana");
            auto* limpiar = hijo<QPushButton>(FormAlta, "BitBtn2");
            limpiar->setFocus();
            QTest::keyClick(limpiar, Qt::Key_Return);
            QCOMPARE(nombre->text(), QString());
        });
    }

    void altLetraCompartidaPulsaLaPrimeraEnOrden()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        mostrarPrincipal();
        // "&Alta Paciente" / "&Acerca de ..." and "&Buscar " / "&Backup" share their letters.
        QTest::keyClick(Form1, Qt::Key_A, Qt::AltModifier);
        QTest::keyClick(Form1, Qt::Key_B, Qt::AltModifier);
        QTest::keyClick(Form1, Qt::Key_A, Qt::AltModifier);
        QCOMPARE(e.abiertas, (QStringList{"FormAlta", "FormBuscar", "FormAlta"}));
        QVERIFY(e.textos.isEmpty());   // the backup's question never came up
        // A letter of its own still works as usual.
        QTest::keyClick(Form1, Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(e.abiertas.last(), QString("FormListados"));
        QTest::keyClick(Form1, Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(e.abiertas.last(), QString("FormDatosConsulta"));
    }

    void tabSaleDeLasRejillas()
    {
        Entorno e;
        e.paciente(1);
        e.paciente(2, "PÉREZ");
        e.visita(1, texto(reloj::hoy()), "15:00");
        e.visita(2, texto(reloj::hoy()), "16:30");
        QVERIFY(e.crearVentanas());
        mostrarPrincipal();
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        auto* vista = hijo<Rejilla>(Form1, "DBGrid2");
        QCOMPARE(QApplication::focusWidget(), lista);   // the first focus is today's list

        // The day list walks the six columns of its row, then leaves.
        lista->setCurrentIndex(lista->model()->index(1, 0));
        QCOMPARE(tabular(lista, 5), lista);
        QCOMPARE(lista->currentIndex(), lista->model()->index(1, 5));
        // The cell Tab reached wears a frame, the rest of its row none, until the grid lets go.
        const auto enmarcada = [&](int col) {
            const QImage imagen = lista->viewport()->grab().toImage();
            const QRect celda = lista->visualRect(lista->model()->index(1, col));
            return imagen.pixelColor(celda.left(), celda.center().y())
                   == lista->palette().color(QPalette::Text);
        };
        QVERIFY(enmarcada(5) && !enmarcada(4));
        QVERIFY(tabular(lista, 1) != lista);
        QVERIFY(!enmarcada(5));
        // Coming back, Tab starts the walk at the first column, Shift+Tab at the last.
        QCOMPARE(tabular(hijo(Form1, "ComboBox1"), 1), lista);
        QCOMPARE(lista->currentIndex(), lista->model()->index(1, 0));
        QCOMPARE(tabular(hijo(Form1, "BitBtn2"), 1, Qt::ShiftModifier), lista);
        QCOMPARE(lista->currentIndex(), lista->model()->index(1, 5));
        lista->setCurrentIndex(lista->model()->index(1, 0));
        QVERIFY(tabular(lista, 1, Qt::ShiftModifier) != lista);
        lista->setCurrentIndex(lista->model()->index(1, 2));
        QVERIFY(tabular(lista, 1, Qt::ControlModifier) != lista);

        // The quick view is one stop; the calendar and the tools are reached from it.
        QVERIFY(tabular(vista, 1) != vista);
        QVERIFY(tabular(vista, 1, Qt::ShiftModifier) != vista);
        QWidget* w = lista;
        lista->setCurrentIndex(lista->model()->index(0, 5));
        QStringList visitados;
        for (int i = 0; i < 20; ++i) {
            w = tabular(w, 1);
            visitados << w->objectName();
        }
        QVERIFY(visitados.contains("BitBtn2"));
        QVERIFY(visitados.contains("BitBtn1"));
        QVERIFY(visitados.contains("Image3"));

        // The booking grid lets go as well.
        e.abrir(FormNuevaCita, [&] {
            auto* citas = hijo<Rejilla>(FormNuevaCita, "DBGrid1");
            QVERIFY(tabular(citas, 1) != citas);
        });
    }

    void escapeNoTiraLoEscrito()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        for (Ventana* v : {static_cast<Ventana*>(FormAlta), static_cast<Ventana*>(FormNuevaCita)}) {
            bool cerrada = false;
            const auto c = QObject::connect(v, &QDialog::finished, [&] { cerrada = true; });
            FormNuevaCita->CodigoPaciente = 1;
            e.abrir(v, [&] {
                auto* caja = v->findChildren<QLineEdit*>().constLast();
                caja->setFocus();
                QTest::keyClicks(caja, "a medias");
                QTest::keyClick(caja, Qt::Key_Escape);
                QVERIFY2(!cerrada, qPrintable(v->objectName()));
                QCOMPARE(caja->text(), QString("A MEDIAS"));
            });
            QObject::disconnect(c);
        }
    }

    void ordenarPorTextoTecleadoEsExacto()
    {
        Entorno e;
        e.paciente(1, "ZAPATA", "ANA");
        e.paciente(2, "ABAD", "ZOE");
        e.visita(1, texto(reloj::hoy()), "15:00");
        e.visita(2, texto(reloj::hoy()), "16:00");
        QVERIFY(e.crearVentanas());
        mostrarPrincipal();
        auto* orden = hijo<QComboBox>(Form1, "ComboBox1");
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        // "nombre" is not "Nombre": the box goes back to "Hora", no completion steps in.
        orden->lineEdit()->selectAll();
        QTest::keyClicks(orden->lineEdit(), "nombre");
        QTest::keyClick(orden->lineEdit(), Qt::Key_Return);
        QCOMPARE(orden->currentText(), QString("Hora"));
        QCOMPARE(Form1->OrdenCitas, QString("ORDER BY hora"));
        QCOMPARE(columna(lista, 1), (QStringList{"1", "2"}));
        orden->lineEdit()->selectAll();
        QTest::keyClicks(orden->lineEdit(), "Nombre");
        QTest::keyClick(orden->lineEdit(), Qt::Key_Return);
        QCOMPARE(Form1->OrdenCitas, QString("ORDER BY nombre"));
        QCOMPARE(columna(lista, 1), (QStringList{"1", "2"}));
        QVERIFY(!hijo<QLabel>(Form1, "Label2")->text().contains('&'));
    }

    void horaTecleadaConEnterNoEligeCasilla()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        FormNuevaCita->CodigoPaciente = 1;
        e.abrir(FormNuevaCita, [&] {
            auto* hora = hijo<QComboBox>(FormNuevaCita, "ComboBox1");
            hora->lineEdit()->selectAll();
            QTest::keyClicks(hora->lineEdit(), "18:00");
            QTest::keyClick(hora->lineEdit(), Qt::Key_Return);
            QCOMPARE(hijo<Casilla>(FormNuevaCita, "Panel7")->color(), estilo::kLima);
            QVERIFY(hijo<QLabel>(FormNuevaCita, "LabelEspecial")->isHidden());
            QCOMPARE(hora->currentText(), QString("18:00"));
        });
    }

    void lectorDePantalla()
    {
        Entorno e;
        e.paciente(1, "GARCÍA", "JOSÉ");
        e.visita(1, texto(reloj::hoy()), "16:30");
        e.visita(1, texto(reloj::hoy().addDays(-1)), "15:00");
        QVERIFY(e.crearVentanas());
        // The quick view's slots say their state and are no buttons.
        auto* ocupada = hijo<Casilla>(Form1, "Panel5");
        QCOMPARE(ocupada->accessibleName(), QString("16:30 ocupada"));
        QCOMPARE(hijo<Casilla>(Form1, "Panel3")->accessibleName(), QString("15:00 libre"));
        QCOMPARE(QAccessible::queryAccessibleInterface(ocupada)->role(), QAccessible::StaticText);
        // An unpaid visit of today says so in words as well as in maroon.
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        QCOMPARE(columna(lista, 2, Qt::AccessibleTextRole), QStringList{"GARCÍA, sin pagar"});
        // The clock and the calendar's own buttons.
        Form1->Timer1Timer();
        QVERIFY(!hijo<QLabel>(Form1, "PanelHora")->accessibleDescription().isEmpty());
        QCOMPARE(hijo(Form1, "qt_calendar_prevmonth")->accessibleName(), QString("Mes anterior"));
        QCOMPARE(hijo(Form1, "qt_calendar_nextmonth")->accessibleName(), QString("Mes siguiente"));
        // Every calendar's month and year buttons say the page shown, as it changes.
        for (auto* calendario : {hijo<QCalendarWidget>(Form1, "MonthCalendar1"),
                                 FormNuevaCita->MonthCalendar1}) {
            const auto oido = [&] {
                QStringList nombres;
                for (const char* boton : {"qt_calendar_monthbutton", "qt_calendar_yearbutton"})
                    nombres << QAccessible::queryAccessibleInterface(hijo(calendario, boton))
                                   ->text(QAccessible::Name);
                return nombres;
            };
            calendario->setCurrentPage(2026, 12);
            QCOMPARE(oido(), (QStringList{"Mes: diciembre", "Año: 2026"}));
            calendario->showNextMonth();
            QCOMPARE(oido(), (QStringList{"Mes: enero", "Año: 2027"}));
        }

        FormNuevaCita->CodigoPaciente = 1;
        FormNuevaCita->MonthCalendar1->setSelectedDate(reloj::hoy());
        e.abrir(FormNuevaCita, [&] {
            QCOMPARE(hijo<QLabel>(FormNuevaCita, "DBText1")->accessibleName(),
                     QString("Nombre: JOSÉ"));
            auto* libre = hijo<Casilla>(FormNuevaCita, "Panel6");
            QCOMPARE(QAccessible::queryAccessibleInterface(libre)->role(), QAccessible::Button);
            libre->click();
            QCOMPARE(libre->accessibleName(), QString("17:15 seleccionada"));
            QCOMPARE(hijo<Casilla>(FormNuevaCita, "Panel5")->accessibleName(),
                     QString("16:30 ocupada"));
        });
        e.abrir(FormAlta, [&] {
            QCOMPARE(hijo<QLabel>(FormAlta, "Label2")->accessibleName(),
                     "Fecha de Alta: " + texto(reloj::hoy()));
        });
    }

    void titulosSinAnadidos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        // Qt appends the display name to every caption when one is set.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
        QCOMPARE(FormDatosCita->windowTitle(), QString("Clinora 1.1 -  Datos de la Cita"));
    }

    void casillasConUnaSolaLetra()
    {
        Entorno e;
        e.paciente(1);
        e.visita(1, texto(reloj::hoy().addDays(2)), "15:45");
        QVERIFY(e.crearVentanas());
        auto* calendario = hijo<QCalendarWidget>(Form1, "MonthCalendar1");
        calendario->setSelectedDate(reloj::hoy().addDays(2));
        emit calendario->clicked(calendario->selectedDate());
        QCOMPARE(hijo<Casilla>(Form1, "Panel4")->color(), estilo::kRojo);
        QCOMPARE(hijo<Casilla>(Form1, "Panel4")->font(), hijo<Casilla>(Form1, "Panel3")->font());
    }

    void todasLasVentanasCabenEn1024x768()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        // A title bar and a task bar take some 60 pixels of the 768.
        const QSize pantalla(1024, 708);
        const QList<QWidget*> ventanas{Form1,         FormAlta,      FormBuscar,
                                       FormDatos,     FormNuevaCita, FormDatosCita,
                                       FormListados,  FormAcerca};
        for (QWidget* v : ventanas) {
            const QSize minimo = v->minimumSizeHint().expandedTo(v->minimumSize());
            QVERIFY2(minimo.width() <= pantalla.width() && minimo.height() <= pantalla.height(),
                     qPrintable(QStringLiteral("%1: %2 x %3")
                                    .arg(v->objectName())
                                    .arg(minimo.width())
                                    .arg(minimo.height())));
        }
        // The main window at that size shows the last slot and the whole ordering box.
        Form1->resize(1024, 708);
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        for (const char* nombre : {"Panel11", "ComboBox1", "PanelHora", "Image3"}) {
            QWidget* w = hijo(Form1, nombre);
            const QRect r(w->mapTo(Form1, QPoint(0, 0)), w->size());
            QVERIFY2(Form1->rect().contains(r), nombre);
        }
    }

    void ordenEspanolDeLosNombres()
    {
        QStringList nombres{"MARTÍNEZ", "MARÍN", "MARTIN", "ÁNGEL", "ÑÚÑEZ", "NÚÑEZ", "OCHOA",
                            "NAVARRO", "ALBA", "peña", "PENA", "PEÑA ALTA"};
        std::sort(nombres.begin(), nombres.end(), [](const QString& a, const QString& b) {
            return orden::clave(a) < orden::clave(b);
        });
        QCOMPARE(nombres, (QStringList{"ALBA", "ÁNGEL", "MARÍN", "MARTIN", "MARTÍNEZ", "NAVARRO",
                                       "NÚÑEZ", "ÑÚÑEZ", "OCHOA", "PENA", "peña", "PEÑA ALTA"}));

        // The day list, ordered by first surname, follows the same order.
        Entorno e;
        const QStringList apellidos{"MARTÍNEZ", "MARÍN", "ÑÚÑEZ", "NÚÑEZ", "ÁNGEL", "OCHOA"};
        for (int i = 0; i < apellidos.size(); ++i) {
            e.paciente(i + 1, apellidos.at(i));
            e.visita(i + 1, texto(reloj::hoy()), "15:00");
        }
        QVERIFY(e.crearVentanas());
        auto* orden = hijo<QComboBox>(Form1, "ComboBox1");
        orden->setCurrentText("Primer Apellido");
        Form1->ComboBox1Change();
        QCOMPARE(columna(hijo<Rejilla>(Form1, "DBGrid1"), 2),
                 (QStringList{"ÁNGEL", "MARÍN", "MARTÍNEZ", "NÚÑEZ", "ÑÚÑEZ", "OCHOA"}));
    }

    void mayusculasSinCambiarLaLongitud()
    {
        QCOMPARE(mayusculas("straße mayor"), QString("STRAßE MAYOR"));
        QCOMPARE(mayusculas("peña ﬁn"), QString("PEÑA ﬁN"));   // the ligature has no capital
        QCOMPARE(mayusculas(QString(30, QChar(0x00DF))).size(), 30);

        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        FormNuevaCita->CodigoPaciente = 1;
        FormNuevaCita->MonthCalendar1->setSelectedDate(reloj::hoy());
        e.abrir(FormNuevaCita, [&] {
            auto* observacion = hijo<QLineEdit>(FormNuevaCita, "Edit3");
            QTest::keyClicks(observacion, QString(30, QChar(0x00DF)));
            QCOMPARE(observacion->text(), QString(30, QChar(0x00DF)));
            hijo<Casilla>(FormNuevaCita, "Panel3")->click();
            FormNuevaCita->BitBtn2Click();
        });
        QCOMPARE(e.valor("SELECT observacion FROM Visita").toString(), QString(30, QChar(0x00DF)));
    }

    void medianoche()
    {
        const QDate nochevieja(2026, 12, 31);
        const QDate anoNuevo(2027, 1, 1);
        RelojFijo reloj(QDateTime(nochevieja, QTime(23, 59, 50)));
        Entorno e;
        e.paciente(1, "VIEJO");
        e.paciente(2, "NUEVO", "ZOE");
        e.paciente(3, "OTRO", "ANA");
        e.visita(1, texto(nochevieja), "15:00");
        e.visita(2, texto(anoNuevo), "15:00");
        e.visita(3, texto(anoNuevo), "16:00");
        QVERIFY(e.crearVentanas());
        auto* orden = hijo<QComboBox>(Form1, "ComboBox1");
        orden->setCurrentText("Nombre");
        Form1->ComboBox1Change();
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        QCOMPARE(columna(lista, 2), QStringList{"VIEJO"});
        QCOMPARE(lista->model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>(),
                 estilo::kGranate);

        // Midnight, before the clock's next tick: yesterday's unpaid visit turns red (the year
        // decides first), and the double-click opens that visit, of that day.
        reloj.mover(QDateTime(anoNuevo, QTime(0, 0, 0)));
        QCOMPARE(lista->model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>(),
                 estilo::kRojo);
        lista->setCurrentIndex(lista->model()->index(0, 0));
        QTest::keyClick(lista, Qt::Key_Return);
        QCOMPARE(e.abiertas, QStringList{"FormDatosCita"});
        QCOMPARE(FormDatosCita->CodigoPaciente, 1);
        QCOMPARE(FormDatosCita->FechaCita, texto(nochevieja));

        // The first tick of the new day moves the heading and the list to it, in their order.
        reloj.mover(QDateTime(anoNuevo, QTime(0, 0, 1)));
        Form1->Timer1Timer();
        QCOMPARE(hijo<QLabel>(Form1, "PanelHora")->text(), QString("00:00:01"));
        QCOMPARE(hijo<QLabel>(Form1, "Panel1")->text(), "CITAS PARA HOY:   " + texto(anoNuevo));
        QCOMPARE(columna(lista, 2), (QStringList{"OTRO", "NUEVO"}));
        QCOMPARE(orden->currentText(), QString("Nombre"));
        // A registration after midnight is dated on the new day.
        e.abrir(FormAlta, [&] {
            QCOMPARE(hijo<QLabel>(FormAlta, "Label2")->text(), texto(anoNuevo));
        });
    }

    void dobleClicBajoLasFilasNoAbreNada()
    {
        Entorno e;
        e.paciente(1);
        e.paciente(2);
        e.visita(1, texto(reloj::hoy()), "15:00");
        e.visita(2, texto(reloj::hoy()), "18:00");
        QVERIFY(e.crearVentanas());
        mostrarPrincipal();
        auto* vista = hijo<Rejilla>(Form1, "DBGrid2");
        vista->setCurrentIndex(vista->model()->index(0, 0));
        const QPoint debajo(20, vista->viewport()->height() - 5);
        QVERIFY(!vista->indexAt(debajo).isValid());
        QTest::mouseDClick(vista->viewport(), Qt::LeftButton, {}, debajo);
        QVERIFY(e.abiertas.isEmpty());
        // On a row it opens that row's visit.
        QTest::mouseDClick(vista->viewport(), Qt::LeftButton, {},
                           vista->visualRect(vista->model()->index(0, 1)).center());
        QCOMPARE(e.abiertas, QStringList{"FormDatosCita"});
        QCOMPARE(FormDatosCita->CodigoPaciente, 1);
    }

    void errorAlCerrarNoRetieneLaVentana()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        // The day list's refresh on closing will fail.
        Form1->ADODataSetCitas->close();
        Form1->ADODataSetCitas->setCommand({"SELECT * FROM NoExiste", {}});
        bool cerrada = false;
        const auto c = QObject::connect(FormAlta, &QDialog::finished, [&] { cerrada = true; });
        e.abrir(FormAlta, [&] { FormAlta->BitBtn1Click(); });
        QObject::disconnect(c);
        QVERIFY(cerrada);
        QCOMPARE(e.tipos, QList<mensajes::Tipo>{mensajes::Tipo::Error});
        QVERIFY(e.textos.constFirst().contains("NoExiste"));
    }
};

CLINORA_TEST_MAIN(TestEscritorio)
#include "tst_escritorio.moc"
