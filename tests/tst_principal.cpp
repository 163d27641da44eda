// The main window: start-up, today's list and its ordering, row colours, the quick view and
// its slot board, hand-offs, help, backup, and the one error box.
#include "db/avisos.h"
#include "db/reloj.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/copiasauto.h"
#include "db/esquema.h"
#include "db/servidor.h"
#include "db/sql.h"
#include "db/formatos.h"
#include "tests/support/entorno.h"
#include "ui/common/ayuda.h"
#include "ui/common/colorvisita.h"
#include "ui/common/controles.h"
#include "ui/common/dialogos.h"
#include "ui/common/estilo.h"
#include "ui/common/rejilla.h"
#include "ui/main/copiasauto.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTableWidget>
#include <QThread>
#include <QToolButton>

namespace {

QString hoy()
{
    return formatos::textoFecha(reloj::hoy());
}

QStringList casillasRojas()
{
    QStringList rojas;
    const auto casillas = hijo<QGroupBox>(Form1, "GroupBox2")->findChildren<Casilla*>();
    for (const Casilla* c : casillas) {
        if (c->color() == estilo::kRojo)
            rojas << c->objectName();
        else if (c->color() != estilo::kLima)
            rojas << c->objectName() + "?";
    }
    rojas.sort();
    return rojas;
}

// scripts/servidor_pruebas.sh on a folder of the test's own: a server only this test stops.
QString servidorPropio(const QString& orden, const QString& carpeta)
{
    QProcess p;
    p.start(QStringLiteral(CLINORA_SCRIPTS "/servidor_pruebas.sh"), {orden, carpeta});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("fallo: ") + QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// A window that counts its activations, to watch the modal opener.
class Contador : public Ventana {
public:
    explicit Contador(const QString& nombre) { setObjectName(nombre); }
    void FormActivate() override { ++activaciones; }
    int activaciones = 0;
};

}  // namespace

class TestPrincipal : public QObject {
    Q_OBJECT

private slots:
    // What another desk stores shows here within 2 s without a click: today's list and the
    // quick view, the selected row and the scroll position kept.
    void otroPuestoSeVeSinTocarNada()
    {
        VARIOS_PUESTOS();
        Entorno e;
        for (int c = 1; c <= 60; ++c) {
            e.paciente(c, QStringLiteral("PACIENTE %1").arg(c));
            e.visita(c, hoy(), QStringLiteral("%1:00").arg(15 + c % 6));
        }
        QVERIFY(e.crearVentanas());
        Form1->resize(1024, 768);
        Form1->show();
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        QCOMPARE(lista->model()->rowCount(), 60);
        lista->setCurrentIndex(lista->model()->index(45, 2));
        lista->scrollTo(lista->currentIndex(), QAbstractItemView::PositionAtCenter);
        const int desplazamiento = lista->verticalScrollBar()->value();
        QVERIFY(desplazamiento > 0);
        const QString elegido = lista->currentIndex().data().toString();

        QSqlDatabase otro = e.otroPuesto("otro-puesto");
        sql::DatosPaciente p;
        p.codigo = 61;
        p.apellido1 = QStringLiteral("DEL OTRO PUESTO");
        comando::ejecutar(sql::insertarPaciente(p), otro);
        comando::ejecutar(sql::insertarVisita({61, hoy(), false, 0, QString(), "14:00"}), otro);
        QElapsedTimer reloj;
        reloj.start();
        QTRY_COMPARE_WITH_TIMEOUT(lista->model()->rowCount(), 61, 2000);
        qInfo("lista del día al día en %lld ms", reloj.elapsed());
        QCOMPARE(columna(lista, 2).value(0), QString("DEL OTRO PUESTO"));
        QCOMPARE(lista->currentIndex().data().toString(), elegido);
        QCOMPARE(lista->currentIndex().column(), 2);
        QCOMPARE(lista->verticalScrollBar()->value(), desplazamiento);
        QCOMPARE(Form1->ADODataSet1->model()->rowCount(), 61);
        otro = QSqlDatabase();
        esquema::cerrar("otro-puesto");
    }

    // The connection to the server cut mid-session: a write says so in Spanish and stores
    // nothing; the desk connects again by itself and hears the other desks again.
    void servidorPerdidoYRecuperado()
    {
        VARIOS_PUESTOS();
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        QSqlDatabase otro = e.otroPuesto("otro-puesto");
        // The server ends every other session of this database, as a restart would.
        comando::valor({"SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
                        "WHERE datname = current_database() AND pid <> pg_backend_pid()",
                        {}},
                       otro);
        // Gone once the server has ended them; no event is handled meanwhile, so the desk has
        // not noticed yet.
        for (int i = 0; i < 500; ++i) {
            if (comando::valor({"SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                "current_database() AND pid <> pg_backend_pid()",
                                {}},
                               otro)
                    .toInt()
                == 0)
                break;
            QThread::msleep(10);
        }
        const QString mensaje = mensajeDe([&] { e.paciente(2, "PERDIDO"); });
        QVERIFY2(mensaje.contains("No se puede comunicar con el servidor de datos")
                     && mensaje.contains("No se ha guardado nada"),
                 qPrintable(mensaje));
        QCOMPARE(comando::valor({"SELECT COUNT(*) FROM Paciente", {}}, otro).toInt(), 1);
        // Back by itself, writing and listening again.
        QString ultimo = QStringLiteral("sin intentar");
        QElapsedTimer espera;
        espera.start();
        while (!ultimo.isEmpty() && espera.elapsed() < 4000) {
            QTest::qWait(100);
            ultimo = mensajeDe([&] { e.paciente(3, "DE VUELTA"); });
        }
        QVERIFY2(ultimo.isEmpty(), qPrintable(ultimo));
        qInfo("de vuelta en %lld ms", espera.elapsed());
        comando::ejecutar(sql::insertarVisita({1, hoy(), false, 0, QString(), "16:00"}), otro);
        QTRY_COMPARE_WITH_TIMEOUT(Form1->ADODataSetCitas->model()->rowCount(), 1, 2000);
        otro = QSqlDatabase();
        esquema::cerrar("otro-puesto");
    }

    // The server itself stopped mid-session and started again: a write meanwhile says at once
    // that nothing was stored; the desk finds the server again by itself, hears the other desks
    // and writes again. On a server of the test's own, which the other tests never see go.
    void servidorParadoYArrancado()
    {
        VARIOS_PUESTOS();
        Entorno e;
        const QString carpeta = e.carpeta() + "/pg";
        // The server runs as another user, who must reach its folder.
        QFile::setPermissions(e.carpeta(), QFile::permissions(e.carpeta()) | QFileDevice::ExeOther);
        const auto parar = qScopeGuard([&] { servidorPropio("parar", carpeta); });
        servidor::Datos datos = Entorno::servidorDePruebas();
        datos.anfitrion = carpeta;
        datos.puerto = servidorPropio("arrancar", carpeta).toInt();
        datos.base = "postgres";
        QVERIFY(datos.puerto > 0);
        servidor::crear(servidor::conectar(datos, QString(), "propio"));
        esquema::cerrar("propio");
        e.usarServidor(datos);
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        auto* vigia = Form1->findChild<avisos::Vigia*>();
        QVERIFY(vigia && vigia->activo());

        QCOMPARE(servidorPropio("detener", carpeta), QString());
        QTRY_VERIFY_WITH_TIMEOUT(vigia->sinServidor(), 3000);
        QElapsedTimer reloj;
        reloj.start();
        const QString mensaje = mensajeDe([&] { e.paciente(2, "PERDIDO"); });
        QVERIFY2(mensaje.contains("No se puede comunicar con el servidor de datos")
                     && mensaje.contains("No se ha guardado nada"),
                 qPrintable(mensaje));
        QVERIFY(reloj.elapsed() < 6000);
        // Away for a while, the desk's periodic checks meeting no server.
        QTest::qWait(1500);

        QCOMPARE(servidorPropio("arrancar", carpeta).toInt(), datos.puerto);
        QTRY_VERIFY_WITH_TIMEOUT(!vigia->sinServidor(), 10000);
        QSqlDatabase otro = e.otroPuesto("otro-puesto");
        comando::ejecutar(sql::insertarVisita({1, hoy(), false, 0, QString(), "16:00"}), otro);
        QTRY_COMPARE_WITH_TIMEOUT(Form1->ADODataSetCitas->model()->rowCount(), 1, 3000);
        e.paciente(3, "DE VUELTA");
        QCOMPARE(comando::columna({"SELECT codigo FROM Paciente ORDER BY codigo", {}}, otro),
                 (QStringList{"1", "3"}));
        otro = QSqlDatabase();
        esquema::cerrar("otro-puesto");
    }

    void ficheroAusenteAvisaYTermina()
    {
        SOLO_FICHERO();
        Entorno e;
        QFile::remove(e.rutaBD());
        QVERIFY(!e.crearVentanas());
        QCOMPARE(e.textos, QStringList{"ERROR: No se encuentra el fichero con la información de "
                                       "los pacientes."});
        QCOMPARE(e.tipos.value(0), mensajes::Tipo::Informacion);
        QVERIFY(Form1 == nullptr && FormAlta == nullptr && FormAcerca == nullptr);
        QVERIFY(!QFile::exists(e.rutaBD()));
    }

    void ficheroAjenoSeRechazaSinTocarlo()
    {
        SOLO_FICHERO();
        Entorno e;
        QFile::remove(e.rutaBD());
        QFile f(e.rutaBD());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Nombre;Apellido\nANA;GARCÍA\n");
        f.close();
        const QByteArray antes = huella(e.rutaBD());
        QVERIFY(!e.crearVentanas());
        QCOMPARE(e.textos.size(), 1);
        QVERIFY(e.textos.first().contains("no es una base de datos de Clinora"));
        QCOMPARE(e.tipos.value(0), mensajes::Tipo::Error);
        QCOMPARE(huella(e.rutaBD()), antes);
        QVERIFY(Form1 == nullptr);
    }

    void baseJuntoAlEjecutable()
    {
        const QString antes = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        QCOMPARE(programa::rutaBaseDatos(),
                 QCoreApplication::applicationDirPath() + "/clinora.mdb");
        QDir::setCurrent(antes);
    }

    void arranqueCreaLasDiezVentanasConSusTitulos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QVERIFY(e.textos.isEmpty());
        QCOMPARE(Form1->windowTitle(), QString("Clinora 1.1"));
        const QList<QPair<QWidget*, QString>> ventanas = {
            {FormAlta, "Clinora 1.1 - Alta de Nuevo Paciente"},
            {FormBuscar, "Clinora 1.1 - Buscar Datos de Paciente"},
            {FormDatos, "Clinora 1.1 - Datos del Paciente"},
            {FormNuevaCita, "Clinora 1.1 - Nueva Cita"},
            {FormDatosCita, "Clinora 1.1 -  Datos de la Cita"},
            {ImprimeFactura, "Clinora 1.1 -  Imprimir Factura"},
            {FormListados, "Clinora 1.1 - Listados"},
            {ImprimeListaVisitas, "Clinora 1.1  - Listado"},
            {FormAcerca, "Clinora 1.1 - Acerca de ..."},
        };
        for (const auto& [ventana, titulo] : ventanas)
            QCOMPARE(ventana->windowTitle(), titulo);
        QCOMPARE(hijo<QLabel>(Form1, "Panel1")->text(), "CITAS PARA HOY:   " + hoy());
        QCOMPARE(Form1->OrdenCitas, QString("ORDER BY hora"));
        QCOMPARE(hijo<QCalendarWidget>(Form1, "MonthCalendar1")->selectedDate(),
                 reloj::hoy());
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")
                    .match(hijo<QLabel>(Form1, "PanelHora")->text())
                    .hasMatch());
    }

    void botonesConTextosAyudasYAtajos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        const QList<QStringList> botones = {
            {"BitBtn2", "&Alta Paciente", "Introducir datos de un nuevo paciente."},
            {"BitBtn3", "&Buscar ", "Buscar paciente."},
            {"BitBtn4", "&Listados", "Obtener listados."},
            {"BitBtn5", "&Backup", "Guardar o cargar una copia de seguridad."},
            {"BitBtn6", "&Acerca de ...", "Acerca de Clinora."},
            {"BitBtn1", "&Salir", "Salir del programa."},
            {"BitBtn7", "&Datos de la consulta",
             "Datos de la consulta que se imprimen en las facturas."},
        };
        for (const QStringList& b : botones) {
            auto* boton = Form1->findChild<QAbstractButton*>(b.at(0));
            QVERIFY2(boton, qPrintable(b.at(0)));
            QCOMPARE(boton->text(), b.at(1));
            QCOMPARE(boton->toolTip(), b.at(2));
        }
        // Each opens its window through the modal opener.
        QTest::mouseClick(hijo<QAbstractButton>(Form1, "BitBtn2"), Qt::LeftButton);
        QTest::mouseClick(hijo<QAbstractButton>(Form1, "BitBtn3"), Qt::LeftButton);
        QTest::mouseClick(hijo<QAbstractButton>(Form1, "BitBtn4"), Qt::LeftButton);
        QTest::mouseClick(hijo<QAbstractButton>(Form1, "BitBtn6"), Qt::LeftButton);
        QTest::mouseClick(hijo<QAbstractButton>(Form1, "BitBtn7"), Qt::LeftButton);
        QCOMPARE(e.abiertas, QStringList({"FormAlta", "FormBuscar", "FormListados", "FormAcerca",
                                          "FormDatosConsulta"}));
    }

    void ordenDeLaListaDelDia_data()
    {
        QTest::addColumn<QString>("eleccion");
        QTest::addColumn<QString>("textoFinal");
        QTest::addColumn<QStringList>("codigos");
        QTest::addRow("Hora") << "Hora" << "Hora" << QStringList{"30", "10", "20"};
        QTest::addRow("Nombre") << "Nombre" << "Nombre" << QStringList{"20", "30", "10"};
        QTest::addRow("Primer Apellido") << "Primer Apellido" << "Primer Apellido"
                                         << QStringList{"10", "20", "30"};
        QTest::addRow("Segundo Apellido") << "Segundo Apellido" << "Segundo Apellido"
                                          << QStringList{"30", "20", "10"};
        QTest::addRow("Código") << "Código" << "Código" << QStringList{"10", "20", "30"};
        QTest::addRow("texto escrito") << "apellido" << "Hora" << QStringList{"30", "10", "20"};
        QTest::addRow("minúsculas") << "nombre" << "Hora" << QStringList{"30", "10", "20"};
    }
    void ordenDeLaListaDelDia()
    {
        QFETCH(QString, eleccion);
        QFETCH(QString, textoFinal);
        QFETCH(QStringList, codigos);
        Entorno e;
        e.paciente(10, "ALBA", "CARLOS", "ZAPATA");
        e.paciente(20, "BUENO", "ANA", "MORA");
        e.paciente(30, "CANO", "BEATRIZ", "ARIAS");
        e.visita(10, hoy(), "17:15");
        e.visita(20, hoy(), "18:00");
        e.visita(30, hoy(), "15:00");
        e.visita(20, formatos::textoFecha(reloj::hoy().addDays(1)), "15:00");
        QVERIFY(e.crearVentanas());
        auto* combo = hijo<QComboBox>(Form1, "ComboBox1");
        QCOMPARE(combo->currentText(), QString("Hora"));
        combo->setCurrentText(eleccion);
        Form1->ComboBox1Change();
        QCOMPARE(combo->currentText(), textoFinal);
        auto* rejilla = hijo<Rejilla>(Form1, "DBGrid1");
        QCOMPARE(columna(rejilla, 1), codigos);
    }

    void escribirEnElOrdenYPulsarIntro()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        auto* combo = hijo<QComboBox>(Form1, "ComboBox1");
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), "xyz");
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCOMPARE(combo->currentText(), QString("Hora"));
        QCOMPARE(Form1->OrdenCitas, QString("ORDER BY hora"));
        QVERIFY(Form1->ADODataSetCitas->isActive());
    }

    void listaDelDiaColumnas()
    {
        Entorno e;
        e.paciente(4, "GÓMEZ", "LUIS", "RUIZ");
        e.visita(4, hoy(), "16:30", false, "REVISIÓN 50%");
        QVERIFY(e.crearVentanas());
        auto* rejilla = hijo<Rejilla>(Form1, "DBGrid1");
        QStringList titulos;
        for (int c = 0; c < rejilla->model()->columnCount(); ++c)
            titulos << rejilla->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titulos, QStringList({"Hora", "Código", "Primer Apellido", "Segundo Apellido",
                                       "Nombre", "Observaciones de la Cita"}));
        QStringList fila;
        for (int c = 0; c < rejilla->model()->columnCount(); ++c)
            fila << rejilla->model()->index(0, c).data().toString();
        QCOMPARE(fila, QStringList({"16:30", "4", "GÓMEZ", "RUIZ", "LUIS", "REVISIÓN 50%"}));
        QCOMPARE(rejilla->columnWidth(1), 60);
        QCOMPARE(rejilla->columnWidth(5), 250);
        // Today's unpaid visit is maroon in every column.
        for (int c = 0; c < rejilla->model()->columnCount(); ++c)
            QCOMPARE(rejilla->model()->index(0, c).data(Qt::ForegroundRole).value<QColor>(),
                     estilo::kGranate);
    }

    void colorDeLasVisitas_data()
    {
        QTest::addColumn<QVariant>("pago");
        QTest::addColumn<QString>("fecha");
        QTest::addColumn<QDate>("dia");
        QTest::addColumn<QColor>("color");
        const QDate d(2026, 12, 7);
        QTest::addRow("ayer sin pagar") << QVariant(0) << "06/12/2026" << d << estilo::kRojo;
        QTest::addRow("hoy sin pagar") << QVariant(0) << "07/12/2026" << d << estilo::kGranate;
        QTest::addRow("mañana sin pagar") << QVariant(0) << "08/12/2026" << d << QColor();
        QTest::addRow("ayer pagada") << QVariant(1) << "06/12/2026" << d << QColor();
        QTest::addRow("hoy pagada") << QVariant(1) << "07/12/2026" << d << QColor();
        QTest::addRow("31 dic el 1 ene") << QVariant(0) << "31/12/2025" << QDate(2026, 1, 1)
                                         << estilo::kRojo;
        QTest::addRow("mes anterior, día mayor")
            << QVariant(0) << "30/11/2026" << d << estilo::kRojo;
        QTest::addRow("año siguiente, mes menor")
            << QVariant(0) << "01/01/2027" << d << QColor();
        QTest::addRow("fecha ilegible") << QVariant(0) << "3/2/2004" << d << QColor();
        QTest::addRow("fecha vacía") << QVariant(0) << "" << d << QColor();
        QTest::addRow("pago vacío") << QVariant() << "06/12/2026" << d << QColor();
    }
    void colorDeLasVisitas()
    {
        QFETCH(QVariant, pago);
        QFETCH(QString, fecha);
        QFETCH(QDate, dia);
        QFETCH(QColor, color);
        QCOMPARE(colorVisita(pago, fecha, dia), color);
    }

    void vistaRapidaMarcaLasCasillas()
    {
        Entorno e;
        for (int c = 1; c <= 5; ++c)
            e.paciente(c, QString("APELLIDO%1").arg(c));
        const QString manana = formatos::textoFecha(reloj::hoy().addDays(1));
        e.visita(1, manana, "16:30");
        e.visita(2, manana, "16:45");
        e.visita(3, manana, "18:00");
        e.visita(4, manana, "18:00", true);
        e.visita(5, hoy(), "21:00");
        QVERIFY(e.crearVentanas());
        QCOMPARE(casillasRojas(), QStringList{"Panel11"});

        auto* calendario = hijo<QCalendarWidget>(Form1, "MonthCalendar1");
        calendario->setSelectedDate(reloj::hoy().addDays(1));
        Form1->MonthCalendar1Click();
        QCOMPARE(hijo<QGroupBox>(Form1, "GroupBox2")->title(),
                 "CITAS - Vista rápida: " + manana);
        QCOMPARE(casillasRojas(), QStringList({"Panel5", "Panel7"}));
        auto* rejilla = hijo<Rejilla>(Form1, "DBGrid2");
        QCOMPARE(columna(rejilla, 0), QStringList({"16:30", "16:45", "18:00", "18:00"}));
        QCOMPARE(QList<int>({rejilla->columnWidth(0), rejilla->columnWidth(1),
                             rejilla->columnWidth(2), rejilla->columnWidth(3)}),
                 QList<int>({48, 100, 100, 100}));
        // The day list stays on today.
        QCOMPARE(columna(hijo<Rejilla>(Form1, "DBGrid1"), 0), QStringList{"21:00"});

        // A rebuild after a change clears the old marks first.
        e.exec("DELETE FROM Visita WHERE hora = '16:30'");
        Form1->MonthCalendar1Click();
        QCOMPARE(casillasRojas(), QStringList{"Panel7"});
        e.exec("DELETE FROM Visita WHERE codigo = 3");
        Form1->MonthCalendar1Click();
        QCOMPARE(casillasRojas(), QStringList{"Panel7"});   // the paid one at 18:00 is still there
    }

    void vistaRapidaColoreaLasFilas()
    {
        Entorno e;
        e.paciente(1, "PAGADO");
        e.paciente(2, "DEBE");
        const QDate ayer = reloj::hoy().addDays(-1);
        e.visita(1, formatos::textoFecha(ayer), "15:00", true);
        e.visita(2, formatos::textoFecha(ayer), "16:00");
        e.visita(2, hoy(), "17:00");
        QVERIFY(e.crearVentanas());
        auto* rejilla = hijo<Rejilla>(Form1, "DBGrid2");
        const auto colores = [&] {
            QList<QColor> lista;
            for (int fila = 0; fila < rejilla->model()->rowCount(); ++fila) {
                // Every cell of a row the same colour.
                const QColor c = rejilla->model()->index(fila, 0).data(Qt::ForegroundRole)
                                     .value<QColor>();
                for (int col = 1; col < 4; ++col)
                    if (rejilla->model()->index(fila, col).data(Qt::ForegroundRole)
                            .value<QColor>() != c)
                        return QList<QColor>{};
                lista << c;
            }
            return lista;
        };
        QCOMPARE(colores(), QList<QColor>{estilo::kGranate});
        auto* calendario = hijo<QCalendarWidget>(Form1, "MonthCalendar1");
        calendario->setSelectedDate(ayer);
        Form1->MonthCalendar1Click();
        QCOMPARE(columna(rejilla, 1), (QStringList{"PAGADO", "DEBE"}));
        QCOMPARE(colores(), (QList<QColor>{QColor(), estilo::kRojo}));
    }

    void dobleClicEnRejillaVaciaNoAbreNada()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        auto* vista = hijo<Rejilla>(Form1, "DBGrid2");
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseDClick(vista->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        Form1->DBGrid1DblClick();
        Form1->DBGrid2DblClick();
        QVERIFY(e.abiertas.isEmpty());
        QVERIFY(e.textos.isEmpty());
    }

    void dobleClicAbreLaCitaDelaFila()
    {
        Entorno e;
        e.paciente(8, "PRIMERO");
        e.paciente(9, "SEGUNDO");
        e.visita(8, hoy(), "15:00");
        e.visita(9, hoy(), "15:45");
        const QDate otro = reloj::hoy().addDays(3);
        e.visita(9, formatos::textoFecha(otro), "19:30");
        QVERIFY(e.crearVentanas());
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        const QRect segunda = lista->visualRect(lista->model()->index(1, 2));
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, segunda.center());
        QCOMPARE(e.abiertas, QStringList{"FormDatosCita"});
        QCOMPARE(FormDatosCita->CodigoPaciente, 9);
        QCOMPARE(FormDatosCita->FechaCita, hoy());

        auto* calendario = hijo<QCalendarWidget>(Form1, "MonthCalendar1");
        calendario->setSelectedDate(otro);
        Form1->MonthCalendar1Click();
        auto* vista = hijo<Rejilla>(Form1, "DBGrid2");
        QTest::mouseDClick(vista->viewport(), Qt::LeftButton, {},
                           vista->visualRect(vista->model()->index(0, 0)).center());
        QCOMPARE(e.abiertas, QStringList({"FormDatosCita", "FormDatosCita"}));
        QCOMPARE(FormDatosCita->CodigoPaciente, 9);
        QCOMPARE(FormDatosCita->FechaCita, formatos::textoFecha(otro));

        // Enter on the selected row opens that row's visit, although marking the slot board
        // left the dataset on the day's last row.
        e.paciente(11, "TERCERO");
        e.visita(11, formatos::textoFecha(otro), "20:15");
        Form1->MonthCalendar1Click();
        vista->setCurrentIndex(vista->model()->index(0, 0));
        QTest::keyClick(vista, Qt::Key_Return);
        QCOMPARE(FormDatosCita->CodigoPaciente, 9);
    }

    void dobleClicEnCalendarioLlevaElDiaALaCita()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        const QDate dia = reloj::hoy().addDays(10);
        hijo<QCalendarWidget>(Form1, "MonthCalendar1")->setSelectedDate(dia);
        Form1->MonthCalendar1DblClick();
        QCOMPARE(FormNuevaCita->MonthCalendar1->selectedDate(), dia);
        QCOMPARE(e.abiertas, QStringList{"FormBuscar"});
    }

    void ayudaAbrePaginaSoloSiExiste()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QList<QUrl> abiertas;
        bool navegador = true;
        ayuda::setAbridor([&](const QUrl& url) {
            abiertas << url;
            return navegador;
        });
        ayuda::abrir("no-existe.html");
        QVERIFY(abiertas.isEmpty());
        QCOMPARE(e.textos, QStringList{"No se encuentra la página de ayuda «"
                                       + ayuda::rutaPagina("no-existe.html") + "»."});
        QFile pagina(ayuda::rutaPagina("p02-principal.html"));
        const bool existia = pagina.exists();
        if (!existia) {
            QDir().mkpath(QCoreApplication::applicationDirPath() + "/Ayuda");
            QVERIFY(pagina.open(QIODevice::WriteOnly));
            pagina.close();
        }
        QTest::mouseClick(hijo<QToolButton>(Form1, "Image3"), Qt::LeftButton);
        QCOMPARE(abiertas.size(), 1);
        QVERIFY(abiertas.first().toLocalFile().endsWith("/Ayuda/p02-principal.html"));
        QCOMPARE(e.textos.size(), 1);
        // No browser to show it: said, not left to silence.
        navegador = false;
        QTest::mouseClick(hijo<QToolButton>(Form1, "Image3"), Qt::LeftButton);
        QCOMPARE(abiertas.size(), 2);
        QCOMPARE(e.textos.last(), "No se puede abrir la página de ayuda «"
                                      + ayuda::rutaPagina("p02-principal.html")
                                      + "»: no hay un navegador que la muestre.");
        if (!existia)
            pagina.remove();
        ayuda::setAbridor({});
    }

    void copiaDeSeguridadGuardarYCargar()
    {
        Entorno e;
        e.paciente(1, "ORIGINAL");
        e.visita(1, hoy(), "15:00");
        QVERIFY(e.crearVentanas());
        const QString copia = e.carpeta() + "/mi copia.mdb";
        dialogos::setSelector([&](dialogos::Modo, const QString&) { return copia; });
        e.respuestas = {0};   // "Guardar copia"
        Form1->BitBtn5Click();
        QVERIFY(QFile::exists(copia));
        QCOMPARE(e.textos.last(), "Copia de seguridad guardada correctamente en «" + copia + "».");

        e.exec("DELETE FROM Paciente");
        Form1->ADODataSetCitas->reopen();
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 0);
        e.textos.clear();
        e.tipos.clear();
        e.respuestas = {1, 1};   // "Cargar copia", then OK to the question
        Form1->BitBtn5Click();
        QCOMPARE(e.tipos.value(1), mensajes::Tipo::Confirmacion);
        QVERIFY(e.textos.last().startsWith("Copia de seguridad cargada correctamente."));
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente").toString(), QString("ORIGINAL"));
        // Open lists show the loaded data without any further action.
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        QCOMPARE(casillasRojas(), QStringList{"Panel3"});
        QStringList seguridad = QDir(e.carpeta()).entryList({"clinora-antes-de-cargar-*.mdb"});
        QCOMPARE(seguridad.size(), 1);
        dialogos::setSelector({});
    }

    // "Cargar copia" offers the automatic copies first, newest first, and still any file.
    void cargarCopiaOfreceLasAutomaticas()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        for (int d = 1; d <= 3; ++d) {
            reloj::fijar(QDateTime(QDate(2026, 12, d), QTime(20, 0, d)));
            if (d > 1) {
                e.paciente(d);
                e.visita(d, "0" + QString::number(d) + "/12/2026", "15:00");
            }
            QVERIFY(copiasautomaticas::hacer(e.rutaBD()));
        }
        QFile ajeno(e.carpeta() + "/copias/clinora-copia-mia.mdb");
        QVERIFY(ajeno.open(QIODevice::WriteOnly));
        ajeno.close();
        QStringList filas;
        int elegidaAlAbrir = -1;
        e.guiones["ElegirCopia"] = [&](Ventana* v) {
            auto* t = hijo<QTableWidget>(v, "TablaCopias");
            for (int f = 0; f < t->rowCount(); ++f) {
                filas << t->item(f, 0)->text() + " " + t->item(f, 1)->text() + " "
                             + t->item(f, 2)->text().section(' ', 1) + " " + t->item(f, 3)->text()
                             + " " + t->item(f, 4)->text();
            }
            elegidaAlAbrir = t->currentRow();
            t->selectRow(1);
            hijo<QPushButton>(v, "BotonCargar")->click();
            return v->result();
        };
        e.respuestas = {1, 1};   // "Cargar copia", then OK to the question
        Form1->BitBtn5Click();
        QCOMPARE(filas, QStringList({"03/12/2026 20:00:03 kB 3 2", "02/12/2026 20:00:02 kB 2 1",
                                     "01/12/2026 20:00:01 kB 1 0"}));
        QCOMPARE(elegidaAlAbrir, 0);
        QVERIFY2(e.textos.last().startsWith("Copia de seguridad cargada correctamente."),
                 qPrintable(e.textos.last()));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 2);

        // "Otro fichero…" goes on to the file dialog.
        int dialogosAbiertos = 0;
        dialogos::setSelector([&](dialogos::Modo, const QString&) {
            ++dialogosAbiertos;
            return QString();
        });
        e.guiones["ElegirCopia"] = [](Ventana* v) {
            hijo<QPushButton>(v, "BotonOtro")->click();
            return v->result();
        };
        e.respuestas = {1};
        Form1->BitBtn5Click();
        QCOMPARE(dialogosAbiertos, 1);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 2);
        dialogos::setSelector({});
        reloj::fijar({});
    }

    // "Copias automáticas…": the folder and the switch, kept in clinora.ini with the rest of
    // it; and the copy of a session left open past midnight.
    void copiasAutomaticasSeEligenYSeHacenPasadaLaMedianoche()
    {
        Entorno e;
        QFile ini(e.carpeta() + "/clinora.ini");
        // Appended: on the server the file already names it.
        const QString previo = QString::fromUtf8(leerFichero(ini.fileName()));
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("; de la doctora\n[Consulta]\nNombre=Dra. X\n");
        ini.close();
        reloj::fijar(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 58)));
        QVERIFY(e.crearVentanas());
        const QString usb = e.carpeta() + "/usb, 2";
        QVERIFY(QDir().mkpath(usb));
        QString propuesta, antes, despues;
        e.guiones["CopiasAutomaticas"] = [&](Ventana* v) {
            auto* carpeta = hijo<QLineEdit>(v, "EditCarpeta");
            propuesta = carpeta->text();
            antes = hijo<QLabel>(v, "LabelUltima")->text();
            carpeta->setText(e.carpeta() + "/no-esta");
            hijo<QPushButton>(v, "BotonAceptar")->click();   // refused: stays open
            carpeta->setText(usb);
            hijo<QPushButton>(v, "BotonAhora")->click();
            despues = hijo<QLabel>(v, "LabelUltima")->text();
            hijo<QPushButton>(v, "BotonAceptar")->click();
            return v->result();
        };
        e.respuestas = {2};   // "Copias automáticas…"
        Form1->BitBtn5Click();
        QCOMPARE(e.abiertas, QStringList{"CopiasAutomaticas"});
        QCOMPARE(propuesta, e.carpeta() + "/copias");
        QCOMPARE(antes, QString("Todavía no se ha hecho ninguna copia automática."));
        QVERIFY2(despues.startsWith("Última copia correcta: el 08/12/2026 a las 23:59 (hace un "
                                    "momento)"),
                 qPrintable(despues));
        QVERIFY(e.textos.value(1).contains("no existe"));
        QVERIFY(e.textos.value(2).startsWith("Copia automática guardada en «" + usb));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(ini.readAll()),
                 previo + QString("; de la doctora\n[Consulta]\nNombre=Dra. X\n\n[Copias]\n"
                         "Carpeta=\"usb, 2\"\nAutomaticas=si\n"));
        QCOMPARE(copiasauto::copiasEn(usb).size(), 1);
        // Past midnight, once.
        reloj::fijar(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 1)));
        Form1->Timer1Timer();
        Form1->Timer1Timer();
        QCOMPARE(copiasauto::copiasEn(usb).size(), 2);
        QCOMPARE(copiasauto::copiasEn(usb).first().momento.date(), QDate(2026, 12, 9));
        reloj::fijar({});
    }

    void copiaNoValidaNoSeCarga()
    {
        Entorno e;
        e.paciente(1, "VIVO");
        e.visita(1, hoy(), "15:00");
        QVERIFY(e.crearVentanas());
        const QString falsa = e.carpeta() + "/falsa.mdb";
        QFile f(falsa);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        dialogos::setSelector([&](dialogos::Modo, const QString&) { return falsa; });
        e.respuestas = {1};
        Form1->BitBtn5Click();
        QCOMPARE(e.textos.size(), 2);
        QVERIFY(e.textos.last().contains("no es una base de datos de Clinora"));
        QVERIFY(e.textos.last().contains("los datos actuales siguen como estaban"));
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente").toString(), QString("VIVO"));
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        QVERIFY(QDir(e.carpeta()).entryList({"clinora-antes-de-cargar-*"}).isEmpty());

        // Cancelling the choice or the file dialog does nothing.
        e.textos.clear();
        e.respuestas = {-1};
        Form1->BitBtn5Click();
        dialogos::setSelector([](dialogos::Modo, const QString&) { return QString(); });
        e.respuestas = {0};
        Form1->BitBtn5Click();
        QCOMPARE(e.textos.size(), 2);   // only the two choice questions
        dialogos::setSelector({});
    }

    void errorDeBaseDeDatosSeMuestraYElProgramaSigue()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.exec("DROP TABLE Visita");
        auto* combo = hijo<QComboBox>(Form1, "ComboBox1");
        combo->setCurrentText("Nombre");
        // Through the event loop, as a user's Enter would arrive.
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCOMPARE(e.tipos.value(0), mensajes::Tipo::Error);
        QVERIFY2(e.textos.value(0).contains("Visita"), qPrintable(e.textos.value(0)));
        QVERIFY(!Form1->ADODataSetCitas->isActive());
        // The program goes on: another action still runs.
        QTest::mouseClick(hijo<QAbstractButton>(Form1, "BitBtn6"), Qt::LeftButton);
        QCOMPARE(e.abiertas, QStringList{"FormAcerca"});
    }

    void aperturaModalActivaYReactivaLaDeDebajo()
    {
        Contador abajo("Abajo");
        Contador arriba("Arriba");
        int activacionesAbajoDentro = -1;
        int activacionesAlMostrar = -1;
        setEjecutorModal([&](Ventana* v) -> int {
            if (v == &abajo) {
                activacionesAlMostrar = abajo.activaciones;
                showModal(&arriba);
                activacionesAbajoDentro = abajo.activaciones;
            }
            return 0;
        });
        showModal(&abajo);
        setEjecutorModal({});
        QCOMPARE(activacionesAlMostrar, 1);   // activated before it shows
        QCOMPARE(arriba.activaciones, 1);
        QCOMPARE(activacionesAbajoDentro, 2);   // re-activated when the upper one closed
        QVERIFY(ventanasAbiertas().isEmpty());
    }

    void ventanaCerradaDesdeArribaNoSeReactiva()
    {
        // A deleted patient's record closes the visit's window beneath it: that window must
        // stay closed, not re-open its data when the record returns.
        Contador abajo("Abajo");
        Contador arriba("Arriba");
        int activacionesAbajoDentro = -1;
        setEjecutorModal([&](Ventana* v) -> int {
            if (v == &abajo) {
                showModal(&arriba);
                activacionesAbajoDentro = abajo.activaciones;
            } else {
                abajo.reject();
            }
            return 0;
        });
        showModal(&abajo);
        QCOMPARE(activacionesAbajoDentro, 1);
        // Opened again later, it activates as usual.
        setEjecutorModal([](Ventana*) { return 0; });
        showModal(&abajo);
        setEjecutorModal({});
        QCOMPARE(abajo.activaciones, 2);
    }
};

CLINORA_TEST_MAIN(TestPrincipal)
#include "tst_principal.moc"
