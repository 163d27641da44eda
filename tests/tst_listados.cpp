// The listings of a month's visits and a year's invoices, their printed form, and the about
// window.
#include "db/dataset.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "tests/support/csv.h"
#include "tests/support/entorno.h"
#include "tests/support/pdf.h"
#include "tests/support/vistaprevia.h"
#include "ui/common/dialogos.h"
#include "ui/common/rejilla.h"
#include "ui/listings/exportar.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

#include <numeric>

Q_DECLARE_METATYPE(TImprimeListaVisitas::Fila)

namespace {

QStringList items(QComboBox* caja)
{
    QStringList r;
    for (int i = 0; i < caja->count(); ++i)
        r << caja->itemText(i);
    return r;
}

void factura(Entorno& e, int codigo, const QString& fecha)
{
    e.exec("UPDATE Visita SET pago = 1, cantidad = 100, factura = 1, num_factura = ? "
           "WHERE codigo = ? AND fecha = ?",
           {formatos::numeroFactura(codigo, fecha), codigo, fecha});
}

// `n` patients with one visit each in December 2026, paid every other one.
void visitasDeDiciembre(Entorno& e, int n)
{
    for (int c = 1; c <= n; ++c) {
        e.paciente(c, QString("APELLIDO%1").arg(c));
        e.visita(c, QString("%1/12/2026").arg((c - 1) % 28 + 1, 2, 10, QChar('0')), "16:00",
                 c % 2 == 0, c == 1 ? QString("PRIMERA VISITA") : QString());
    }
}

// The dates printed on each page.
QList<int> fechasPorPagina(const PdfLeido& leido)
{
    QList<int> r(leido.paginas, 0);
    for (const Palabra& p : leido.palabras)
        r[p.pagina] += p.texto.contains(QRegularExpression("^\\d\\d/\\d\\d/\\d{4}$"));
    return r;
}

}  // namespace

class TestListados : public QObject {
    Q_OBJECT

private slots:
    void anosDesde2008_data()
    {
        QTest::addColumn<QDate>("hoy");
        QTest::addColumn<QStringList>("anos");
        QTest::addColumn<QString>("mes");
        // Up to next year: visits booked in December for January are listed too.
        QTest::addRow("2011") << QDate(2011, 3, 15)
                              << QStringList{"2008", "2009", "2010", "2011", "2012"} << "marzo";
        QTest::addRow("2008") << QDate(2008, 1, 2) << QStringList{"2008", "2009"} << "enero";
        QTest::addRow("antes de 2008") << QDate(2006, 12, 1) << QStringList{"2008"} << "diciembre";
        QTest::addRow("2007") << QDate(2007, 12, 31) << QStringList{"2008"} << "diciembre";
    }
    void anosDesde2008()
    {
        QFETCH(QDate, hoy);
        QFETCH(QStringList, anos);
        QFETCH(QString, mes);
        RelojFijo reloj(hoy);
        Entorno e;
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        for (const char* nombre : {"ComboBox2", "ComboBox3"}) {
            auto* caja = hijo<QComboBox>(FormListados, nombre);
            QCOMPARE(items(caja), anos);
            QCOMPARE(caja->currentText(), QString::number(hoy.year()));
        }
        QCOMPARE(hijo<QComboBox>(FormListados, "ComboBox1")->currentText(), mes);
        QVERIFY(hijo<QRadioButton>(FormListados, "RadioButton1")->isChecked());
    }

    void tablaDeMeses_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("digitos");
        QTest::addRow("enero") << "enero" << "01";
        QTest::addRow("septiembre") << "septiembre" << "09";
        QTest::addRow("noviembre") << "noviembre" << "11";
        QTest::addRow("diciembre") << "diciembre" << "12";
        QTest::addRow("Enero con mayúscula") << "Enero" << "12";
        QTest::addRow("inglés") << "january" << "12";
        QTest::addRow("con blanco") << "enero " << "12";
        QTest::addRow("vacío") << "" << "12";
    }
    void tablaDeMeses()
    {
        QFETCH(QString, texto);
        QFETCH(QString, digitos);
        QCOMPARE(TFormListados::digitosMes(texto), digitos);
    }

    void visitasDelMes()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        e.paciente(1, "UNO");
        e.paciente(2, "DOS");
        e.visita(1, "09/12/2009", "17:00");
        e.visita(2, "09/12/2009", "15:00");
        e.visita(1, "01/12/2009", "16:00", true);
        e.visita(2, "1/12/2009", "16:00");        // a day of one character: never listed
        e.visita(1, "09/11/2009", "16:00");
        e.visita(1, "09/12/2010", "16:00");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        auto* rejilla = hijo<Rejilla>(FormListados, "DBGrid1");
        elegir(hijo<QComboBox>(FormListados, "ComboBox2"), "2009");
        // "diciembre" is the month at creation; days in order, the hour between equal days.
        QCOMPARE(columna(rejilla, 0), (QStringList{"01/12/2009", "09/12/2009", "09/12/2009"}));
        QCOMPARE(columna(rejilla, 4), (QStringList{"1", "2", "1"}));
        QCOMPARE(columna(rejilla, 7), (QStringList{"Sí", "No", "No"}));
        // Typing waits for the next refresh; a pick refreshes.
        auto* mes = hijo<QComboBox>(FormListados, "ComboBox1");
        mes->setEditText("noviembre");
        QCOMPARE(rejilla->model()->rowCount(), 3);
        FormListados->RadioButton1Click();
        QCOMPARE(columna(rejilla, 0), QStringList{"09/11/2009"});
        // A year that is no year, a quote included, lists nothing and raises no error.
        for (const QString& ano : {QStringLiteral("20\"09"), QStringLiteral("dos mil"),
                                   QStringLiteral("2009' OR '1'='1"), QStringLiteral("%")}) {
            hijo<QComboBox>(FormListados, "ComboBox2")->setEditText(ano);
            FormListados->RadioButton1Click();
            QCOMPARE(rejilla->model()->rowCount(), 0);
        }
        QVERIFY(e.textos.isEmpty());
    }

    void facturasDelAnoEnOrdenDeFecha()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        e.paciente(1, "UNO");
        e.paciente(2, "DOS");
        for (const char* f : {"01/03/2026", "02/01/2026", "15/01/2026", "01/01/2026"})
            e.visita(1, f, "16:00");
        e.visita(2, "02/01/2026", "15:00");
        e.visita(2, "05/05/2026", "15:00");   // not invoiced
        e.visita(2, "03/03/2025", "15:00");   // another year
        for (const char* f : {"01/03/2026", "02/01/2026", "15/01/2026", "01/01/2026"})
            factura(e, 1, f);
        factura(e, 2, "02/01/2026");
        factura(e, 2, "03/03/2025");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        FormListados->RadioButton2Click();
        auto* rejilla = hijo<Rejilla>(FormListados, "DBGrid2");
        // Text order would put 01/03 before 02/01.
        QCOMPARE(columna(rejilla, 0), (QStringList{"01/01/2026", "02/01/2026", "02/01/2026",
                                                   "15/01/2026", "01/03/2026"}));
        QCOMPARE(columna(rejilla, 4), (QStringList{"1", "2", "1", "1", "1"}));
        QCOMPARE(columna(rejilla, 6).at(1), QString("2-02012026"));
        QVERIFY(hijo<QWidget>(FormListados, "Panel4")->isHidden());
        QVERIFY(!hijo<QWidget>(FormListados, "Panel5")->isHidden());
    }

    void filaAbreLaCitaYAlVolverRefresca_data()
    {
        QTest::addColumn<int>("vista");   // 0 visits of a month, 1 invoices, 2 one day's visits
        QTest::addRow("DBGrid1") << 0;
        QTest::addRow("DBGrid2") << 1;
        QTest::addRow("DBGrid3") << 2;
    }
    void filaAbreLaCitaYAlVolverRefresca()
    {
        QFETCH(int, vista);
        const bool facturas = vista == 1;
        const bool dia = vista == 2;
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        e.paciente(7);
        e.paciente(9);
        const QString primera = dia ? "05/12/2026" : "03/12/2026";
        e.visita(7, primera, "15:00");
        e.visita(9, "05/12/2026", "16:00");
        factura(e, 7, primera);
        factura(e, 9, "05/12/2026");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        hijo<QDateEdit>(FormListados, "DateTimePicker1")->setDate(QDate(2026, 12, 5));
        const std::function<void()> refrescar[] = {
            [] { FormListados->RadioButton1Click(); }, [] { FormListados->RadioButton2Click(); },
            [] { FormListados->RadioButton3Click(); }};
        const std::function<void()> dobleClic[] = {
            [] { FormListados->DBGrid1DblClick(); }, [] { FormListados->DBGrid2DblClick(); },
            [] { FormListados->DBGrid3DblClick(); }};
        refrescar[vista]();
        auto* rejilla = hijo<Rejilla>(FormListados, qPrintable(QString("DBGrid%1").arg(vista + 1)));
        QCOMPARE(rejilla->model()->rowCount(), 2);
        // In the record the invoice is withdrawn, or the visit deleted; back in the list the
        // row is gone.
        e.guiones["FormDatosCita"] = [&](Ventana*) {
            e.exec(facturas ? "UPDATE Visita SET factura = 0, num_factura = '' WHERE codigo = 9"
                            : "DELETE FROM Visita WHERE codigo = 9");
            return 0;
        };
        // The second row: its own date and code, not the first row's.
        rejilla->setCurrentIndex(rejilla->model()->index(1, 0));
        dobleClic[vista]();
        QCOMPARE(e.abiertas, QStringList{"FormDatosCita"});
        QCOMPARE(FormDatosCita->CodigoPaciente, 9);
        QCOMPARE(FormDatosCita->FechaCita, QString("05/12/2026"));
        QCOMPARE(columna(rejilla, 0), QStringList{dia ? "15:00" : primera});
        // An empty grid opens nothing.
        e.exec("DELETE FROM Visita");
        refrescar[vista]();
        dobleClic[vista]();
        QCOMPARE(e.abiertas.size(), 1);
    }

    // A click, a space or an arrow key on a list's choice reads that list once.
    void eleccionRefrescaUnaVez_data()
    {
        QTest::addColumn<int>("tecla");   // 0: the mouse
        QTest::addRow("ratón") << 0;
        QTest::addRow("espacio") << int(Qt::Key_Space);
        QTest::addRow("flecha") << int(Qt::Key_Down);
    }
    void eleccionRefrescaUnaVez()
    {
        QFETCH(int, tecla);
        Entorno e;
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        int lecturas = 0;
        connect(FormListados->ADODataSetFactura, &DataSet::opened, this, [&] { ++lecturas; });
        e.abrir(FormListados, [&] {
            FormListados->show();
            FormListados->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(FormListados));
            auto* visitas = hijo<QRadioButton>(FormListados, "RadioButton1");
            auto* facturas = hijo<QRadioButton>(FormListados, "RadioButton2");
            if (tecla == Qt::Key_Space) {
                facturas->setFocus();
                QTest::keyClick(facturas, Qt::Key_Space);
            } else if (tecla) {
                visitas->setFocus();
                QTest::keyClick(visitas, Qt::Key(tecla));
            } else {
                QTest::mouseClick(facturas, Qt::LeftButton);
            }
            QVERIFY(facturas->isChecked());
            QVERIFY(facturas->hasFocus());
        });
        QCOMPARE(lecturas, 1);
    }

    void aperturaDesdeLaPrincipal()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        FormListados->RadioButton2Click();
        hijo<QRadioButton>(FormListados, "RadioButton2")->setChecked(true);
        QList<bool> visto;
        e.guiones["FormListados"] = [&](Ventana*) {
            // Back on the visits, both lists read again.
            visto = {hijo<QRadioButton>(FormListados, "RadioButton1")->isChecked(),
                     !hijo<QWidget>(FormListados, "Panel4")->isHidden(),
                     FormListados->ADODataSetVisitas->isActive(),
                     FormListados->ADODataSetFactura->isActive()};
            return 0;
        };
        Form1->BitBtn4Click();
        QCOMPARE(e.abiertas, QStringList{"FormListados"});
        QCOMPARE(visto, (QList<bool>{true, true, true, true}));
    }

    void listadoImpreso()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        visitasDeDiciembre(e, 60);
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        const QString pdf = e.carpeta() + "/lista.pdf";
        QVERIFY(ImprimeListaVisitas->guardarPdf(FormListados->ADODataSetVisitas->command(),
                                                "Visitas de diciembre de 2026",
                                                TImprimeListaVisitas::Variante::Visitas, pdf));
        const PdfLeido leido = leerPdf(pdf);
        QCOMPARE(leido.tamanoPt.toSize(), QSize(842, 595));
        QCOMPARE(leido.paginas, 4);   // 15 lines under the title, then 16 a page
        QCOMPARE(leido.paginas, TImprimeListaVisitas::paginas(60));
        // The title on the first page only, the headings on every page.
        QCOMPARE(leido.linea(12.1, 0.6, 0), QString("Clinora 1.1 - Listado de pacientes Visitas de "
                                                    "diciembre de 2026"));
        for (int p = 0; p < 4; ++p) {
            const double arriba = p == 0 ? 10 + 9.3 + 2.1 : 10 + 2.1;
            QCOMPARE(leido.linea(arriba, 0.6, p),
                     QString("FECHA CÓDIGO 1erAPELLIDO 2oAPELLIDO NOMBRE TLF.1 TLF.2 P IMPORTE "
                             "OBSERVACIONES"));
        }
        QVERIFY(!leido.dePagina(1).isEmpty());
        for (const Palabra& p : leido.dePagina(1))
            QVERIFY(p.texto != "Clinora");
        // The first line: values at their places, the paid-state rule.
        const double primera = 10 + 9.3 + 8.5 + 4.2;
        QCOMPARE(leido.linea(primera, 0.6, 0),
                 QString("01/12/2026 1 APELLIDO1 LÓPEZ ANA 600000000 No 0 PRIMERA VISITA"));
        QVERIFY(qAbs(leido.caja("APELLIDO1", primera, 0.6).left() - (10 + 44.5)) < 0.5);
        QVERIFY(qAbs(leido.caja("PRIMERA", primera, 0.6).left() - (10 + 226.5)) < 0.5);
        int si = 0, no = 0, fechas = 0;
        for (const Palabra& p : leido.palabras) {
            si += p.texto == "Si";
            no += p.texto == "No";
            fechas += p.texto.endsWith("/12/2026");
        }
        QCOMPARE(fechas, 60);
        QCOMPARE(si, 30);
        QCOMPARE(no, 30);
        // No payment value at all (the column allows none, but a value read may be empty).
        QCOMPARE(TImprimeListaVisitas::QRDBText8Print(QVariant()), QString("No"));
        QCOMPARE(TImprimeListaVisitas::QRDBText8Print(1), QString("Si"));
        QCOMPARE(leido.solapes(), QString());
        // What the accountant looks for: the page on every page, the totals after the last line.
        for (int p = 0; p < 4; ++p)
            QCOMPARE(leido.linea(10 + 190 - 4.5 + 0.6, 0.6, p),
                     QString("Página %1 de 4").arg(p + 1));
        const double totales = 10 + 8.5 + 13 * 10.6 + 2.1;
        QCOMPARE(leido.linea(totales, 0.6, 3),
                 QString("Total: 60 visitas. Pagadas: 30, 0 €. Sin pagar: 30, 0 €."));
    }

    // Tomorrow's calls: the day box starts on tomorrow by the program's clock; the day's visits
    // by hour, then names in Spanish order (accents beside their letter, Ñ after N), with both
    // telephones; printed under "Citas del ..." with the hour first.
    void citasDeUnDia()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        const QList<QPair<QString, QString>> citas = {{"OLIVA", "16:00"}, {"BÁEZ", "17:00"},
                                                      {"NÚÑEZ", "16:00"}, {"ZAPATA", "15:00"},
                                                      {"ÁLVAREZ", "16:00"}, {"NUNEZ", "16:00"}};
        for (int c = 1; c <= citas.size(); ++c) {
            e.paciente(c, citas.at(c - 1).first);
            e.visita(c, "08/12/2026", citas.at(c - 1).second);
        }
        e.exec("UPDATE Paciente SET tlf2 = '911222333' WHERE codigo = 4");
        e.visita(1, "09/12/2026", "15:00");
        e.visita(2, "07/12/2026", "15:00");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        auto* rejilla = hijo<Rejilla>(FormListados, "DBGrid3");
        // Alt+T picks the view, Alt+D goes to its day box, which says what it holds.
        FormListados->show();
        FormListados->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FormListados));
        QTest::keyClick(FormListados, Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(rejilla->isVisible());   // a radio button's letter clicks it a moment later
        QTest::keyClick(FormListados, Qt::Key_D, Qt::AltModifier);
        auto* dia = hijo<QDateEdit>(FormListados, "DateTimePicker1");
        QCOMPARE(FormListados->focusWidget(), dia);
        QCOMPARE(dia->text(), QString("08/12/2026"));
        QCOMPARE(dia->accessibleName(), QString("Día"));
        FormListados->hide();
        const QStringList orden = {"ZAPATA", "ÁLVAREZ", "NUNEZ", "NÚÑEZ", "OLIVA", "BÁEZ"};
        QCOMPARE(columna(rejilla, 1), orden);
        QCOMPARE(columna(rejilla, 0),
                 (QStringList{"15:00", "16:00", "16:00", "16:00", "16:00", "17:00"}));
        QCOMPARE(columna(rejilla, 6).first(), QString("911222333"));

        const QString pdf = e.carpeta() + "/citas.pdf";
        QVERIFY(enVistaPrevia([] { FormListados->BitBtn2Click(); },
                              [&](QPrintPreviewDialog* vista) { imprimirEnPdf(vista, pdf); }));
        const PdfLeido leido = leerPdf(pdf);
        QCOMPARE(leido.tamanoPt.toSize(), QSize(842, 595));
        QCOMPARE(leido.linea(12.1, 0.6, 0),
                 QString("Clinora 1.1 - Listado de pacientes Citas del 08/12/2026"));
        QVERIFY(leido.linea(10 + 9.3 + 2.1, 0.6, 0).startsWith("HORA CÓDIGO 1erAPELLIDO"));
        QCOMPARE(leido.linea(10 + 9.3 + 8.5 + 4.2, 0.6, 0),
                 QString("15:00 4 ZAPATA LÓPEZ ANA 600000000 911222333 No 0"));
        QStringList apellidos;
        for (int i = 0; i < orden.size(); ++i)
            apellidos << leido.linea(10 + 9.3 + 8.5 + 4.2 + i * 10.6, 0.6, 0).section(' ', 2, 2);
        QCOMPARE(apellidos, orden);

        // Another day picked shows that day's list at once.
        dia->setDate(QDate(2026, 12, 9));
        QCOMPARE(columna(rejilla, 1), QStringList{"OLIVA"});
        QVERIFY(e.textos.isEmpty());
    }

    // The totals line: visits paid and unpaid apart; invoices summed, annulled numbers counted.
    void resumenDeTotales_data()
    {
        using Fila = TImprimeListaVisitas::Fila;
        QTest::addColumn<QList<Fila>>("filas");
        QTest::addColumn<bool>("facturas");
        QTest::addColumn<QString>("resumen");
        const Fila pagada{"01/12/2026", "1", "", "", "", "", "", "Si", "100", ""};
        const Fila otra{"02/12/2026", "2", "", "", "", "", "", "Si", "80", "2026-0002"};
        const Fila sinPagar{"03/12/2026", "3", "", "", "", "", "", "No", "0", ""};
        const Fila anulada{"04/12/2026", "4", "", "", "", "", "", "No", "", "2026-0003 (anulada)"};
        QTest::addRow("vacía") << QList<Fila>{} << false
                               << "Total: 0 visitas. Pagadas: 0, 0 €. Sin pagar: 0, 0 €.";
        QTest::addRow("visitas") << QList<Fila>{pagada, otra, sinPagar} << false
                                 << "Total: 3 visitas. Pagadas: 2, 180 €. Sin pagar: 1, 0 €.";
        QTest::addRow("una factura") << QList<Fila>{pagada} << true
                                     << "Total: 1 factura, facturado 100 €.";
        QTest::addRow("facturas con anulada")
            << QList<Fila>{pagada, anulada, otra} << true
            << "Total: 2 facturas, facturado 180 €. Números anulados: 1.";
    }
    void resumenDeTotales()
    {
        QFETCH(QList<TImprimeListaVisitas::Fila>, filas);
        QFETCH(bool, facturas);
        QFETCH(QString, resumen);
        QCOMPARE(TImprimeListaVisitas::resumen(filas, facturas
                                                          ? TImprimeListaVisitas::Variante::Facturas
                                                          : TImprimeListaVisitas::Variante::Visitas),
                 resumen);
    }

    void listaVaciaYFacturas()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        e.paciente(7);
        e.visita(7, "03/12/2026", "16:00");
        factura(e, 7, "03/12/2026");
        // A number of the correlative series that no visit carries any more.
        e.exec("INSERT INTO Factura (ano, numero, codigo, fecha) VALUES (2026, 1, 7, '01/12/2026')");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        const QString vacia = e.carpeta() + "/vacia.pdf";
        QVERIFY(ImprimeListaVisitas->guardarPdf(sql::visitasDelMes("01", "1999"), "Visitas",
                                                TImprimeListaVisitas::Variante::Visitas, vacia));
        const PdfLeido v = leerPdf(vacia);
        QCOMPARE(v.paginas, 1);
        QVERIFY(v.contiene("FECHA"));
        QVERIFY(v.contiene("Clinora"));

        const QString facturas = e.carpeta() + "/facturas.pdf";
        QVERIFY(ImprimeListaVisitas->guardarPdf(sql::facturasDelAno("2026"), "Facturas de 2026",
                                                TImprimeListaVisitas::Variante::Facturas,
                                                facturas));
        const PdfLeido f = leerPdf(facturas);
        QVERIFY(f.contiene("FACTURA"));
        QVERIFY(!f.contiene("OBSERVACIONES"));
        QVERIFY(f.contiene("7-03122026"));
        QVERIFY(f.contiene("Si"));
        QVERIFY(f.contiene("2026-0001"));
        QVERIFY(f.contiene("(anulada)"));
        QVERIFY(f.texto(0, 210).contains(
            "Total: 1 factura, facturado 100 €. Números anulados: 1."));
        // An annulled number has no amount: shown empty, not as nought.
        FormListados->RadioButton2Click();
        QCOMPARE(columna(hijo<Rejilla>(FormListados, "DBGrid2"), 5), (QStringList{"100", ""}));
        QVERIFY(!f.contiene("0"));
    }

    // 15 lines under the title on the first page, 16 on every other (the page number takes the
    // foot of each); the totals follow the last line, on a page of their own when they do not
    // fit under it.
    void filasPorPagina_data()
    {
        QTest::addColumn<int>("filas");
        QTest::addColumn<QList<int>>("porPagina");
        QTest::addRow("15") << 15 << QList<int>{15};
        QTest::addRow("16") << 16 << QList<int>{15, 1};
        QTest::addRow("31, totales aparte") << 31 << QList<int>{15, 16, 0};
        QTest::addRow("32") << 32 << QList<int>{15, 16, 1};
    }
    void filasPorPagina()
    {
        QFETCH(int, filas);
        QFETCH(QList<int>, porPagina);
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        visitasDeDiciembre(e, filas);
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        const QString pdf = e.carpeta() + "/lista.pdf";
        QVERIFY(ImprimeListaVisitas->guardarPdf(FormListados->ADODataSetVisitas->command(),
                                                "Visitas de diciembre de 2026",
                                                TImprimeListaVisitas::Variante::Visitas, pdf));
        const PdfLeido leido = leerPdf(pdf);
        QCOMPARE(fechasPorPagina(leido), porPagina);
        QCOMPARE(TImprimeListaVisitas::paginas(filas), int(porPagina.size()));
        // Nothing printed below the bottom margin.
        for (const Palabra& p : leido.palabras)
            QVERIFY2(p.caja.bottom() <= 210 - 10 + 0.1, qPrintable(p.texto));
    }

    // "Imprimir" prints the rows its title names: a box changed by typing and not yet applied
    // is applied first, so the list on screen, the paper and the title agree.
    void imprimeLoQueNombraElTitulo_data()
    {
        QTest::addColumn<bool>("facturas");
        QTest::addColumn<QString>("mes");
        QTest::addColumn<QString>("ano");
        QTest::addColumn<bool>("elegido");   // picked from the list, or only typed
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QStringList>("fechas");
        QTest::addRow("año tecleado") << false << "diciembre" << "2027" << false
                                      << "Visitas de diciembre de 2027"
                                      << QStringList{"20/12/2027"};
        QTest::addRow("mes tecleado") << false << "noviembre" << "2026" << false
                                      << "Visitas de noviembre de 2026"
                                      << QStringList{"10/11/2026"};
        QTest::addRow("enero del año que viene") << false << "enero" << "2027" << true
                                                 << "Visitas de enero de 2027"
                                                 << QStringList{"08/01/2027", "15/01/2027"};
        QTest::addRow("facturas, año tecleado") << true << "" << "2027" << false
                                                << "Facturas de 2027"
                                                << QStringList{"08/01/2027", "20/12/2027"};
    }
    void imprimeLoQueNombraElTitulo()
    {
        QFETCH(bool, facturas);
        QFETCH(QString, mes);
        QFETCH(QString, ano);
        QFETCH(bool, elegido);
        QFETCH(QString, titulo);
        QFETCH(QStringList, fechas);
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        e.paciente(1);
        for (const char* f : {"01/12/2026", "10/11/2026", "08/01/2027", "15/01/2027",
                              "20/12/2027"})
            e.visita(1, f, "16:00");
        for (const char* f : {"01/12/2026", "08/01/2027", "20/12/2027"})
            factura(e, 1, f);
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        if (facturas)
            FormListados->RadioButton2Click();
        auto* cajaAno = hijo<QComboBox>(FormListados, facturas ? "ComboBox3" : "ComboBox2");
        auto* cajaMes = hijo<QComboBox>(FormListados, "ComboBox1");
        if (elegido) {
            elegir(cajaMes, mes);
            elegir(cajaAno, ano);
        } else {
            if (!facturas)
                cajaMes->setEditText(mes);
            cajaAno->setEditText(ano);
        }
        const QString pdf = e.carpeta() + "/lista.pdf";
        QVERIFY(enVistaPrevia([] { FormListados->BitBtn2Click(); },
                              [&](QPrintPreviewDialog* vista) { imprimirEnPdf(vista, pdf); }));
        const PdfLeido leido = leerPdf(pdf);
        QVERIFY(leido.linea(12.1, 0.6, 0).endsWith(titulo));
        QStringList impresas;
        for (const Palabra& p : leido.palabras) {
            if (p.texto.count('/') == 2)
                impresas << p.texto;
        }
        QCOMPARE(impresas, fechas);
        // The list on screen is the one printed.
        QCOMPARE(columna(hijo<Rejilla>(FormListados, facturas ? "DBGrid2" : "DBGrid1"), 0),
                 fechas);
        QVERIFY(e.textos.isEmpty());
    }

    // Another paper or orientation chosen in the preview: the form shrinks to the page and the
    // list takes the room below, so no column is cut and every row is printed once.
    void paginaElegidaEnLaVistaPrevia_data()
    {
        QTest::addColumn<QPageLayout>("formato");
        const auto pagina = [](QPageSize::PageSizeId papel, QPageLayout::Orientation o) {
            return QPageLayout(QPageSize(papel), o, QMarginsF(10, 10, 10, 10),
                               QPageLayout::Millimeter);
        };
        QTest::addRow("A4 vertical") << pagina(QPageSize::A4, QPageLayout::Portrait);
        QTest::addRow("Carta apaisada") << pagina(QPageSize::Letter, QPageLayout::Landscape);
        QTest::addRow("A5 apaisada") << pagina(QPageSize::A5, QPageLayout::Landscape);
    }
    void paginaElegidaEnLaVistaPrevia()
    {
        QFETCH(QPageLayout, formato);
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        visitasDeDiciembre(e, 60);
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        const QString pdf = e.carpeta() + "/lista.pdf";
        QVERIFY(enVistaPrevia([] { FormListados->BitBtn2Click(); },
                              [&](QPrintPreviewDialog* vista) {
                                  cambiarPagina(vista, formato);
                                  imprimirEnPdf(vista, pdf);
                              }));
        const PdfLeido leido = leerPdf(pdf);
        const QRectF papel(QPointF(0, 0), formato.fullRect(QPageLayout::Millimeter).size());
        QCOMPARE((leido.tamanoPt / kPtPorMm).toSize(), papel.size().toSize());
        const QRectF dentro = papel.marginsRemoved(formato.margins(QPageLayout::Millimeter))
                                  .adjusted(-0.2, -0.2, 0.2, 0.2);
        for (const Palabra& p : leido.palabras)
            QVERIFY2(dentro.contains(p.caja), qPrintable(p.texto));
        for (const char* columna : {"P", "IMPORTE", "OBSERVACIONES"})
            QVERIFY2(leido.contiene(columna), columna);
        QVERIFY(leido.contiene("PRIMERA"));
        const QList<int> porPagina = fechasPorPagina(leido);
        QCOMPARE(std::accumulate(porPagina.begin(), porPagina.end(), 0), 60);
        QCOMPARE(leido.solapes(), QString());
    }

    // Stopping a long preview stops only the preview: printing from it prints every page.
    void cancelarLaVistaPreviaNoCortaLaImpresion()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        // Ninety patients seen every day of the month: 2520 lines, 149 pages.
        const int filas = 90 * 28;
        for (int c = 1; c <= 90; ++c)
            e.paciente(c);
        e.exec("WITH RECURSIVE d(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM d WHERE n < 28) "
               "INSERT INTO Visita (codigo, fecha, hora) "
               "SELECT codigo, CASE WHEN n < 10 THEN '0' ELSE '' END || CAST(n AS TEXT) || '/12/2026', "
               "'16:00' FROM Paciente, d");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        // Cancel pressed as soon as the progress of the first rendering shows.
        TImprimeListaVisitas::msAntesDelAvance = 0;
        const auto restaurar = qScopeGuard([] { TImprimeListaVisitas::msAntesDelAvance = 300; });
        bool cancelado = false;
        QTimer cancelar;
        cancelar.setInterval(0);
        connect(&cancelar, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* avance = qobject_cast<QProgressDialog*>(w);
                if (avance && avance->isVisible()) {
                    avance->findChild<QPushButton*>()->click();
                    cancelado = true;
                    cancelar.stop();
                }
            }
        });
        cancelar.start();
        int enVista = 0;
        const QString pdf = e.carpeta() + "/lista.pdf";
        QVERIFY(enVistaPrevia([] { FormListados->BitBtn2Click(); },
                              [&](QPrintPreviewDialog* vista) {
                                  enVista = vista->findChild<QPrintPreviewWidget*>()->pageCount();
                                  imprimirEnPdf(vista, pdf);
                              }));
        QVERIFY2(cancelado, "the rendering ended before its progress showed");
        const int total = TImprimeListaVisitas::paginas(filas);
        QVERIFY(enVista < total);
        QCOMPARE(leerPdf(pdf).paginas, total);
    }

    // "Exportar": the list on screen as the spreadsheet reads it back, field by field, hostile
    // texts included.
    void exportarCsv()
    {
        RelojFijo reloj(QDate(2026, 12, 7));
        Entorno e;
        const QString apellido = "O;BRIEN \"EL\"\nDE LA";
        const QString observacion = " ;\"\"; a\r\nb ";
        e.paciente(7, apellido, "ANA", "  ");
        e.visita(7, "03/12/2026", "16:00", false, observacion);
        factura(e, 7, "03/12/2026");
        e.paciente(8, "ZAPATA");
        e.visita(8, "01/12/2026", "15:00");
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        QString propuesto;
        const QString ruta = e.carpeta() + "/lista.csv";
        dialogos::setSelector([&](dialogos::Modo, const QString& sugerido) {
            propuesto = QFileInfo(sugerido).fileName();
            return ruta;
        });
        const auto restaurar = qScopeGuard([] { dialogos::setSelector({}); });
        const auto leer = [&] {
            QFile f(ruta);
            f.open(QIODevice::ReadOnly);
            const QByteArray bytes = f.readAll();
            // The byte-order mark that tells a spreadsheet the text is UTF-8.
            [&] { QVERIFY(bytes.startsWith("\xEF\xBB\xBF")); }();
            return leerCsv(QString::fromUtf8(bytes.mid(3)));
        };

        FormListados->BitBtn3Click();
        QCOMPARE(propuesto, QString("visitas-2026-12.csv"));
        QCOMPARE(e.textos.last(), QString("¡Listado guardado en «%1»!").arg(ruta));
        const QList<QStringList> visitas = leer();
        QCOMPARE(visitas.size(), 3);
        QCOMPARE(visitas.at(0), (QStringList{"Fecha", "Primer apellido", "Segundo apellido",
                                             "Nombre", "Código", "Teléfono 1", "Teléfono 2",
                                             "Pago", "Sociedad", "Importe", "Observaciones"}));
        QCOMPARE(visitas.at(1).first(), QString("01/12/2026"));
        QCOMPARE(visitas.at(2), (QStringList{"03/12/2026", apellido, "  ", "ANA", "7", "600000000", "",
                                             "Sí", "", "100", observacion}));

        hijo<QRadioButton>(FormListados, "RadioButton2")->click();
        FormListados->BitBtn3Click();
        QCOMPARE(propuesto, QString("facturas-2026.csv"));
        const QList<QStringList> facturas = leer();
        QCOMPARE(facturas.size(), 2);
        QCOMPARE(facturas.at(1), (QStringList{"03/12/2026", apellido, "  ", "ANA", "7", "100",
                                              "7-03122026"}));

        hijo<QRadioButton>(FormListados, "RadioButton3")->click();
        hijo<QDateEdit>(FormListados, "DateTimePicker1")->setDate(QDate(2026, 12, 3));
        FormListados->BitBtn3Click();
        QCOMPARE(propuesto, QString("citas-2026-12-03.csv"));
        const QList<QStringList> citas = leer();
        QCOMPARE(citas, (QList<QStringList>{
                            {"Hora", "Primer apellido", "Segundo apellido", "Nombre", "Código",
                             "Teléfono 1", "Teléfono 2", "Observaciones"},
                            {"16:00", apellido, "  ", "ANA", "7", "600000000", "", observacion}}));

        // Cancelled in the dialog: nothing written, nothing said.
        QFile::remove(ruta);
        const int dichos = e.textos.size();
        dialogos::setSelector([](dialogos::Modo, const QString&) { return QString(); });
        FormListados->BitBtn3Click();
        QVERIFY(!QFile::exists(ruta));
        QCOMPARE(e.textos.size(), dichos);
    }

    void acercaDe()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        FormListados->prepararApertura();
        const QStringList lineas =
            hijo<QPlainTextEdit>(FormAcerca, "Memo2")->toPlainText().split('\n');
        QCOMPARE(lineas.size(), 10);
        QCOMPARE(lineas.at(0), QString("# Clinora 1.1 (Rev. 12-01-2008)"));
        QCOMPARE(lineas.at(1), QString(80, '-'));
        QCOMPARE(lineas.at(2), QString("- Arreglado fallo en la detección de la fecha al "));
        QCOMPARE(lineas.at(4), QString());
        QCOMPARE(lineas.at(5), QString("- Posibilidad de imprimir los listados de facturas "));
        QCOMPARE(lineas.at(8), QString("- Cambio de puntero del ratón al pasar por zonas "));
        QCOMPARE(lineas.at(9), QString("editables para facilitar el trabajo del usuario."));
        QVERIFY(hijo<QPlainTextEdit>(FormAcerca, "Memo2")->isReadOnly());
        QVERIFY(FormAcerca->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(FormAcerca->size(), QSize(628, 236));
        // "Cerrar" and Escape close it.
        for (int tecla : {int(Qt::Key_Escape), 0}) {
            bool cerrada = false;
            const auto c = QObject::connect(FormAcerca, &QDialog::finished, [&] { cerrada = true; });
            e.abrir(FormAcerca, [&] {
                if (tecla)
                    QTest::keyClick(FormAcerca, Qt::Key_Escape);
                else
                    hijo<QPushButton>(FormAcerca, "BitBtn1")->click();
                QVERIFY(cerrada);
            });
            QObject::disconnect(c);
        }
    }
};

CLINORA_TEST_MAIN(TestListados)
#include "tst_listados.moc"
