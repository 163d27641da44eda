// New patient: the code proposal (quick and exhaustive), the mandatory fields, the duplicate
// code, what is stored, the hand-off to booking and the refresh on closing.
#include "db/reloj.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/sql.h"
#include "tests/support/entorno.h"
#include "ui/common/controles.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QToolButton>

namespace {

const QString kMensajeCodigoAsignado = QStringLiteral(
    "ALERTA: ¡El código solicitado ya ha sido asignado a otro paciente!, selecciona otro que "
    "este libre.");
const QString kMensajeAlta = QStringLiteral("¡Paciente dado de alta correctamente!");
const QString kPreguntaExhaustiva = QStringLiteral(
    "Esta opción de búsqueda puede tardar varios minutos, ¿desea continuar con la búsqueda "
    "exhaustiva de un código válido?");

QLineEdit* edit(int n)
{
    return hijo<QLineEdit>(FormAlta, QStringLiteral("LabeledEdit%1").arg(n));
}

QPushButton* boton(const char* nombre)
{
    return hijo<QPushButton>(FormAlta, nombre);
}

QCheckBox* casillaCita()
{
    return hijo<QCheckBox>(FormAlta, "CheckBox1");
}

// Types into a box emptied first.
void teclear(int n, const QString& texto)
{
    edit(n)->clear();
    teclear(edit(n), texto);
}

// Fills every mandatory box but the code.
void rellenarObligatorios()
{
    teclear(2, "ana");
    teclear(3, "garcía");
    teclear(4, "lópez");
    teclear(6, "600111222");
}

int tablaCodigo(Entorno& e)
{
    return e.valor("SELECT codigo FROM tabla_codigo").toInt();
}

int pacientes(Entorno& e)
{
    return e.valor("SELECT COUNT(*) FROM Paciente").toInt();
}

int abrirAlta(Entorno& e, std::function<void()> guion)
{
    return e.abrir(FormAlta, std::move(guion));
}

QString propuesto(Entorno& e)
{
    QString codigo;
    abrirAlta(e, [&] { codigo = edit(1)->text(); });
    return codigo;
}

// Registers a patient with the given code, booking window not wanted.
void registrar(Entorno& e, const QString& codigo)
{
    abrirAlta(e, [&] {
        casillaCita()->setChecked(false);
        teclear(1, codigo);
        rellenarObligatorios();
        FormAlta->BitBtn3Click();
    });
}

}  // namespace

class TestAlta : public QObject {
    Q_OBJECT

    // Every test books on "today", and that must be a working day whatever day CI runs.
    const RelojFijo reloj_{kDiaDeConsulta};

private slots:
    void ventanaConSusTextos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QCOMPARE(FormAlta->windowTitle(), QString("Clinora 1.1 - Alta de Nuevo Paciente"));
        const QStringList etiquetas = {
            "(*) Código:", "(*) Nombre:", "(*) Primer Apellido:", "(*) Segundo Apellido:",
            "DNI:", "(*) Telf. de contacto:", "Telf. alternativo:", "Dirección:", "Población:",
            "Provincia:", "Aseguradora:", "Comentario:"};
        for (int n = 1; n <= 12; ++n) {
            QLabel* etiqueta = nullptr;
            for (QLabel* l : FormAlta->findChildren<QLabel*>()) {
                if (l->buddy() == edit(n))
                    etiqueta = l;
            }
            QVERIFY2(etiqueta, qPrintable(QString::number(n)));
            QCOMPARE(etiqueta->text(), etiquetas.at(n - 1));
            QCOMPARE(edit(n)->accessibleName(), etiquetas.at(n - 1));
        }
        const QStringList textos = {
            "Label1=Fecha de Alta:", "Label2=dd/mm/aaaa",
            "Label3=(*) Campos a rellenar obligatoriamente.", "GroupBox1=Datos del Paciente",
            "Panel2=ALTA DE NUEVO PACIENTE", "Panel3=BUSCANDO ...",
            "CheckBox1=Fijar cita para el paciente."};
        QCOMPARE(rotulosComo(FormAlta, textos), textos);
        QVERIFY(hijo<QLabel>(FormAlta, "Panel3")->isHidden());
        QCOMPARE(casillaCita()->toolTip(),
                 QString("Al insertar usuario se inserta automáticamente una nueva cita."));
        QVERIFY(casillaCita()->isChecked());

        const QList<QStringList> botones = {
            {"BitBtn2", "&Limpiar Todo", "Borra el contenido de todos los campos."},
            {"BitBtn4", "Búsqueda Código Válido",
             "Búsqueda rápida de un código de usuario válido."},
            {"BitBtn5", "Búsqueda Exhaustiva de Código Válido ",
             "Búsqueda exhaustiva de un código de usuario válido. (puede tardar varios "
             "minutos)"},
            {"BitBtn3", "&Insertar", "Inserta un nuevo paciente en el sistema."},
            {"BitBtn1", "&Cancelar", "Salir del Alta de Nuevos Pacientes."},
        };
        for (const QStringList& b : botones) {
            QPushButton* p = boton(qPrintable(b.at(0)));
            QVERIFY2(p, qPrintable(b.at(0)));
            QCOMPARE(p->text(), b.at(1));
            QCOMPARE(p->toolTip(), b.at(2));
        }
    }

    void ordenDeTabulacion()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QStringList orden;
        QWidget* w = edit(2);
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                orden << w->objectName();
            w = w->nextInFocusChain();
        } while (w != edit(2) && orden.size() < 40);
        QCOMPARE(orden, (QStringList{"LabeledEdit2", "LabeledEdit3", "LabeledEdit4",
                                     "LabeledEdit5", "LabeledEdit6", "LabeledEdit7",
                                     "LabeledEdit8", "LabeledEdit9", "LabeledEdit10",
                                     "LabeledEdit11", "LabeledEdit12", "LabeledEdit1",
                                     "CheckBox1", "BitBtn2", "BitBtn4", "BitBtn5", "BitBtn3",
                                     "BitBtn1", "Image3"}));
    }

    void casillaCodigoSoloCifras_data()
    {
        QTest::addColumn<QString>("tecleado");
        QTest::addColumn<QString>("queda");
        QTest::addRow("cifras") << "1234" << "1234";
        QTest::addRow("letras, signos y blancos fuera") << "12a-3 4+" << "1234";
        QTest::addRow("sin cero delante") << "0070" << "70";
        QTest::addRow("hasta el mayor código") << "2147483647" << "2147483647";
        QTest::addRow("nada por encima") << "2147483648" << "214748364";
        QTest::addRow("no más de diez cifras") << "99999999999" << "999999999";
    }
    void casillaCodigoSoloCifras()
    {
        QFETCH(QString, tecleado);
        QFETCH(QString, queda);
        Entorno e;
        QVERIFY(e.crearVentanas());
        teclear(1, tecleado);
        QCOMPARE(edit(1)->text(), queda);
    }

    // A box's limit never cuts a character in two, whichever way the text comes in: what does
    // not fit whole stays out (DNI, 15).
    void casillaLlenaNoParteCaracteres_data()
    {
        QTest::addColumn<QString>("tecleado");
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<QString>("como");
        QTest::addColumn<QString>("queda");
        const QString catorce = "12345678901234";
        QTest::addRow("emoji pegado que no cabe") << catorce << "😀" << "Ctrl+V" << catorce;
        QTest::addRow("emoji tecleado que no cabe") << catorce << "😀" << "tecla" << catorce;
        QTest::addRow("emoji que cabe") << "1234567890123" << "😀" << "Ctrl+V"
                                        << "1234567890123😀";
        QTest::addRow("media bandera no") << "1234567890123" << "🇪🇸" << "menú" << "1234567890123";
        QTest::addRow("letra sin su acento no") << catorce << "E\u0301" << "soltar" << catorce;
        QTest::addRow("pegado largo, hasta el último entero") << "" << catorce + "😀😀" << "Ctrl+V"
                                                             << catorce;
        QTest::addRow("texto largo puesto por el programa") << "" << catorce + "😀" << "programa"
                                                           << catorce;
    }
    void casillaLlenaNoParteCaracteres()
    {
        QFETCH(QString, tecleado);
        QFETCH(QString, entrada);
        QFETCH(QString, como);
        QFETCH(QString, queda);
        Entorno e;
        QVERIFY(e.crearVentanas());
        QLineEdit* dni = edit(5);
        teclear(5, tecleado);
        QApplication::clipboard()->setText(entrada);
        QMimeData arrastrado;
        arrastrado.setText(entrada);
        const QPoint final(dni->width() - 2, 5);
        QDragEnterEvent entra(final, Qt::CopyAction, &arrastrado, Qt::LeftButton, Qt::NoModifier);
        QDropEvent soltar(final, Qt::CopyAction, &arrastrado, Qt::LeftButton, Qt::NoModifier);
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, final, dni->mapToGlobal(final));
        if (como == "tecla") {
            QTest::sendKeyEvent(QTest::Click, dni, Qt::Key_unknown, entrada, Qt::NoModifier);
        } else if (como == "Ctrl+V") {
            QTest::keyClick(dni, Qt::Key_V, Qt::ControlModifier);
        } else if (como == "menú") {
            QApplication::sendEvent(dni, &menu);
            for (QAction* accion : hijo<QMenu>(dni, "qt_edit_menu")->actions()) {
                if (accion->text().startsWith("&Pegar"))
                    accion->trigger();
            }
        } else if (como == "soltar") {
            QApplication::sendEvent(dni, &entra);
            QApplication::sendEvent(dni, &soltar);
        } else {
            dni->setText(entrada);
        }
        QCOMPARE(dni->text(), queda);
    }

    void busquedaRapida_data()
    {
        QTest::addColumn<QVariant>("tabla");   // invalid: tabla_codigo without its row
        QTest::addColumn<QList<int>>("ocupados");
        QTest::addColumn<int>("esperado");
        QTest::addRow("tabla=5, ocupados 5,6,8") << QVariant(5) << QList<int>{5, 6, 8} << 7;
        QTest::addRow("tabla en un código libre") << QVariant(3) << QList<int>{1, 2, 4} << 3;
        QTest::addRow("base vacía") << QVariant(1) << QList<int>{} << 1;
        QTest::addRow("no mira por debajo de la tabla") << QVariant(4) << QList<int>{1, 4}
                                                        << 5;
        QTest::addRow("tabla sin su fila") << QVariant() << QList<int>{1, 2} << 3;
        QTest::addRow("tabla en cero") << QVariant(0) << QList<int>{1} << 2;
        QTest::addRow("tabla negativa") << QVariant(-8) << QList<int>{} << 1;
        QTest::addRow("ocupados hasta el mayor código, vuelve a empezar")
            << QVariant(2147483646) << QList<int>{1, 2147483646, 2147483647} << 2;
        QTest::addRow("tabla por encima del mayor código")
            << QVariant(qint64(5000000000)) << QList<int>{} << 1;
    }
    void busquedaRapida()
    {
        QFETCH(QVariant, tabla);
        QFETCH(QList<int>, ocupados);
        QFETCH(int, esperado);
        Entorno e;
        for (int c : ocupados)
            e.paciente(c);
        e.exec("DELETE FROM tabla_codigo");
        if (tabla.isValid())
            e.exec("INSERT INTO tabla_codigo (codigo) VALUES (?)", {tabla});
        QVERIFY(e.crearVentanas());

        QCOMPARE(propuesto(e), QString::number(esperado));
        QCOMPARE(tablaCodigo(e), esperado);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM tabla_codigo").toInt(), 1);
        QVERIFY(e.textos.isEmpty());
        QCOMPARE(FormAlta->focusWidget(), edit(2));
        QVERIFY(hijo<QLabel>(FormAlta, "Panel3")->isHidden());
    }

    void reabrirProponeElMismoYTrasRegistrarSigue()
    {
        Entorno e;
        for (int c : {5, 6, 8})
            e.paciente(c);
        e.exec("UPDATE tabla_codigo SET codigo = 5");
        QVERIFY(e.crearVentanas());
        QCOMPARE(propuesto(e), QString("7"));
        QCOMPARE(propuesto(e), QString("7"));
        QCOMPARE(tablaCodigo(e), 7);

        registrar(e, "7");
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente WHERE codigo = 7").toInt(), 1);
        QCOMPARE(propuesto(e), QString("9"));
        QCOMPARE(tablaCodigo(e), 9);
    }

    void busquedaExhaustivaRellenaHuecos()
    {
        Entorno e;
        for (int c : {1, 2, 4})
            e.paciente(c);
        e.exec("UPDATE tabla_codigo SET codigo = 5");
        QVERIFY(e.crearVentanas());
        abrirAlta(e, [&] {
            QCOMPARE(edit(1)->text(), QString("5"));
            FormAlta->BitBtn5Click();
            QCOMPARE(edit(1)->text(), QString("3"));
            QCOMPARE(FormAlta->focusWidget(), edit(2));
        });
        QCOMPARE(e.textos, QStringList{kPreguntaExhaustiva});
        QCOMPARE(e.tipos, QList<mensajes::Tipo>{mensajes::Tipo::Confirmacion});
        QCOMPARE(tablaCodigo(e), 3);

        registrar(e, "3");
        QCOMPARE(propuesto(e), QString("5"));
        QCOMPARE(tablaCodigo(e), 5);
    }

    void busquedaExhaustivaConNoNoCambiaNada()
    {
        Entorno e;
        for (int c : {1, 2, 4})
            e.paciente(c);
        e.exec("UPDATE tabla_codigo SET codigo = 5");
        QVERIFY(e.crearVentanas());
        abrirAlta(e, [&] {
            teclear(1, "77");
            e.respuestas = {0};
            FormAlta->BitBtn5Click();
            QCOMPARE(edit(1)->text(), QString("77"));
        });
        QCOMPARE(e.textos, QStringList{kPreguntaExhaustiva});
        QCOMPARE(tablaCodigo(e), 5);
    }

    // The search answers in one statement; it must agree with walking up one code at a time.
    void codigoLibreComoPasoAPaso()
    {
        Entorno e;
        QSqlDatabase db = e.otroPuesto("comprobar");
        {
            QRandomGenerator azar(20261207);
            for (int ronda = 0; ronda < 40; ++ronda) {
                comando::Transaccion t(db);
                comando::ejecutar({"DELETE FROM Paciente", {}}, db);
                QSet<qint64> ocupados;
                const qint64 base = ronda % 2 ? 1 : sql::kCodigoMaximo - 300;
                const int cuantos = azar.bounded(300);
                const int corrido = azar.bounded(200);   // a full run from the bottom
                for (int i = 0; i < corrido; ++i)
                    ocupados.insert(base + i);
                for (int i = 0; i < cuantos; ++i)
                    ocupados.insert(base + azar.bounded(300));
                for (qint64 c : std::as_const(ocupados))
                    comando::ejecutar({"INSERT INTO Paciente (codigo) VALUES (?)", {c}}, db);
                t.commit();
                for (int prueba = 0; prueba < 10; ++prueba) {
                    const qint64 desde = base + azar.bounded(310);
                    qint64 esperado = desde;
                    while (ocupados.contains(esperado))
                        ++esperado;
                    QCOMPARE(comando::valor(sql::primerCodigoLibreDesde(desde), db).toLongLong(),
                             esperado);
                }
            }
        }
        db = QSqlDatabase();
        esquema::cerrar("comprobar");
    }

    void buscandoSePintaMientrasBusca()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        auto* panel = hijo<QLabel>(FormAlta, "Panel3");
        struct Vigia : QObject {
            bool pintado = false;
            bool eventFilter(QObject* o, QEvent* ev) override
            {
                if (ev->type() == QEvent::Paint && static_cast<QWidget*>(o)->isVisible())
                    pintado = true;
                return false;
            }
        } vigia;
        FormAlta->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormAlta));
        panel->installEventFilter(&vigia);
        FormAlta->BitBtn4Click();
        panel->removeEventFilter(&vigia);
        FormAlta->hide();
        QVERIFY(vigia.pintado);
        QVERIFY(panel->isHidden());
        QCOMPARE(edit(1)->text(), QString("2"));
    }

    // The same rule, messages and order in the new-patient window and in the patient record
    // (its "Aplicar Cambios", or "Cancelar" answered OK); boxes 2 to 6 stand for the same data
    // in both. Nothing is stored, the window stays open with the typing.
    void obligatoriosEnOrden_data()
    {
        QTest::addColumn<QString>("ventana");
        QTest::addColumn<QString>("boton");
        QTest::addColumn<QList<int>>("vacios");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<int>("foco");
        const QString codigo = QStringLiteral(
            "¡El campo \"Código\" está vacío, debes poner un valor válido y no asignado a otro "
            "paciente!. Puedes pulsar el botón de \"Código Válido\" para que asigne uno "
            "disponible automáticamente.");
        const QString nombre =
            QStringLiteral("¡El campo \"Nombre\" está vacío, debes poner el nombre del paciente!");
        const QString apellido1 = QStringLiteral(
            "¡El campo \"Primer Apellido\" está vacío, debes poner el primer apellido del "
            "paciente!");
        const QString apellido2 = QStringLiteral(
            "¡El campo \"Segundo Apellido\" está vacío, debes poner el segundo apellido del "
            "paciente!");
        const QString telefono = QStringLiteral(
            "¡El campo \"Telf. de Contacto\" está vacío, debes poner un teléfono donde poder "
            "contactar con el paciente!");
        QTest::addRow("todo vacío: el código primero")
            << "FormAlta" << "BitBtn3" << QList<int>{1, 2, 3, 4, 6} << codigo << 1;
        QTest::addRow("nombre y teléfono: sólo el nombre")
            << "FormAlta" << "BitBtn3" << QList<int>{2, 6} << nombre << 2;
        QTest::addRow("primer apellido")
            << "FormAlta" << "BitBtn3" << QList<int>{3} << apellido1 << 3;
        QTest::addRow("segundo apellido")
            << "FormAlta" << "BitBtn3" << QList<int>{4, 6} << apellido2 << 4;
        QTest::addRow("teléfono de contacto")
            << "FormAlta" << "BitBtn3" << QList<int>{6} << telefono << 6;
        QTest::addRow("ficha: nombre") << "FormDatos" << "BitBtn3" << QList<int>{2, 6} << nombre
                                       << 2;
        QTest::addRow("ficha: primer apellido")
            << "FormDatos" << "BitBtn3" << QList<int>{3, 4} << apellido1 << 3;
        QTest::addRow("ficha: segundo apellido, al salir")
            << "FormDatos" << "BitBtn1" << QList<int>{4} << apellido2 << 4;
        QTest::addRow("ficha: teléfono de contacto")
            << "FormDatos" << "BitBtn3" << QList<int>{6} << telefono << 6;
    }
    void obligatoriosEnOrden()
    {
        QFETCH(QString, ventana);
        QFETCH(QString, boton);
        QFETCH(QList<int>, vacios);
        QFETCH(QString, mensaje);
        QFETCH(int, foco);
        Entorno e;
        e.paciente(7);
        QVERIFY(e.crearVentanas());
        const bool ficha = ventana == "FormDatos";
        Ventana* v = ficha ? static_cast<Ventana*>(FormDatos) : FormAlta;
        const auto caja = [&](int n) {
            const QString nombre = ficha ? QStringLiteral("DBEdit%1") : QStringLiteral("LabeledEdit%1");
            return hijo<QLineEdit>(v, qPrintable(nombre.arg(n)));
        };
        FormDatos->CodigoPaciente = 7;
        const int resultado = e.abrir(v, [&] {
            if (!ficha)
                rellenarObligatorios();
            QTest::keyClicks(caja(5), "12345678z");
            for (int n : vacios)
                caja(n)->clear();
            hijo<QPushButton>(v, qPrintable(boton))->click();
            QCOMPARE(v->focusWidget(), caja(foco));
            QCOMPARE(caja(5)->text(), QString("12345678Z"));
            QVERIFY(!ficha || FormDatos->abierta());
        });
        QCOMPARE(e.textos.constLast(), mensaje);
        QCOMPARE(e.tipos.constLast(), mensajes::Tipo::Informacion);
        QCOMPARE(e.textos.size(), ficha ? 2 : 1);   // the record asks to save first
        QCOMPARE(resultado, int(QDialog::Rejected));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente WHERE dni = ''").toInt(), 1);
        QCOMPARE(pacientes(e), 1);
    }

    void limpiarTodoVaciaTambienElCodigo()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        abrirAlta(e, [&] {
            rellenarObligatorios();
            teclear(12, "nada");
            const QString fecha = hijo<QLabel>(FormAlta, "Label2")->text();
            casillaCita()->setChecked(false);
            QTest::mouseClick(boton("BitBtn2"), Qt::LeftButton);
            for (int n = 1; n <= 12; ++n)
                QCOMPARE(edit(n)->text(), QString());
            QCOMPARE(hijo<QLabel>(FormAlta, "Label2")->text(), fecha);
            QVERIFY(!casillaCita()->isChecked());
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(e.textos.size(), 1);
        QVERIFY(e.textos.first().startsWith("¡El campo \"Código\" está vacío"));
    }

    void blancosYTextosSeGuardanTalCual()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        const int resultado = abrirAlta(e, [&] {
            casillaCita()->setChecked(false);
            teclear(2, "  ");
            teclear(3, "o'brien \"el grande\"");
            teclear(4, "núñez 50% a_b");
            teclear(6, " ");
            teclear(8, "c/ josé; drop table paciente;--");
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.textos, QStringList{kMensajeAlta});
        const QVariantList fila = {
            e.valor("SELECT nombre FROM Paciente WHERE codigo = 1"),
            e.valor("SELECT apellido1 FROM Paciente WHERE codigo = 1"),
            e.valor("SELECT apellido2 FROM Paciente WHERE codigo = 1"),
            e.valor("SELECT tlf1 FROM Paciente WHERE codigo = 1"),
            e.valor("SELECT direccion FROM Paciente WHERE codigo = 1"),
            e.valor("SELECT fecha_alta FROM Paciente WHERE codigo = 1"),
        };
        QCOMPARE(fila, (QVariantList{"  ", "O'BRIEN \"EL GRANDE\"", "NÚÑEZ 50% A_B", " ",
                                     "C/ JOSÉ; DROP TABLE PACIENTE;--",
                                     formatos::textoFecha(reloj::hoy())}));
        // Optional boxes left empty are empty texts, never missing values.
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente WHERE dni = '' AND tlf2 = '' AND "
                         "poblacion = '' AND provincia = '' AND sociedad = '' AND "
                         "comentario = ''")
                     .toInt(),
                 1);
    }

    void cadaCasillaEnSuColumna()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        // Box number and the column it must land in; every text differs from the others.
        const QList<std::pair<int, QString>> casillas = {
            {2, "nombre"},     {3, "apellido1"}, {4, "apellido2"}, {5, "dni"},
            {6, "tlf1"},       {7, "tlf2"},      {8, "direccion"}, {9, "poblacion"},
            {10, "provincia"}, {11, "sociedad"}, {12, "comentario"},
        };
        abrirAlta(e, [&] {
            casillaCita()->setChecked(false);
            for (const auto& [n, columna] : casillas)
                teclear(n, "valor de " + columna);
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(e.textos, QStringList{kMensajeAlta});
        for (const auto& [n, columna] : casillas)
            QCOMPARE(e.valor("SELECT " + columna + " FROM Paciente").toString(),
                     ("valor de " + columna).toUpper());
        // The sort keys follow the names.
        QCOMPARE(e.valor("SELECT apellido1_orden FROM Paciente").toString(),
                 QString("VALOR DE APELLIDO1"));
    }

    void mayusculasNoCambianLaLongitud()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        abrirAlta(e, [&] {
            casillaCita()->setChecked(false);
            rellenarObligatorios();
            teclear(8, "straße mayor");
            QCOMPARE(edit(8)->text(), QString("STRAßE MAYOR"));
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(e.valor("SELECT direccion FROM Paciente").toString(), QString("STRAßE MAYOR"));
    }

    void codigoYaAsignadoConservaLosTextos()
    {
        Entorno e;
        e.paciente(7, "PÉREZ", "LUIS");
        QVERIFY(e.crearVentanas());
        const int resultado = abrirAlta(e, [&] {
            teclear(1, "7");
            rellenarObligatorios();
            teclear(12, "alérgico");
            FormAlta->BitBtn3Click();
            QCOMPARE(edit(1)->text(), QString("7"));
            QCOMPARE(edit(2)->text(), QString("ANA"));
            QCOMPARE(edit(12)->text(), QString("ALÉRGICO"));
            QCOMPARE(FormAlta->focusWidget(), edit(1));
        });
        QCOMPARE(resultado, int(QDialog::Rejected));
        QCOMPARE(e.textos, QStringList{kMensajeCodigoAsignado});
        QCOMPARE(e.abiertas, QStringList{"FormAlta"});
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 7").toString(),
                 QString("LUIS"));
        QCOMPARE(pacientes(e), 1);
    }

    // Another copy of the program stores the same code between the check and the insert: the
    // key refuses ours, and the user sees the duplicate-code alert, not an engine error.
    void otraCopiaGanaElCodigo()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QSqlDatabase otra = e.otroPuesto("otra-copia");
        abrirAlta(e, [&] {
            teclear(1, "40");
            rellenarObligatorios();
            casillaCita()->setChecked(false);
            QObject::connect(
                FormAlta->ADODataSetLibre, &DataSet::opened, FormAlta,
                [&] {
                    comando::ejecutar({"INSERT INTO Paciente (codigo, nombre) VALUES (40, "
                                       "'DE LA OTRA COPIA')",
                                       {}},
                                      otra);
                },
                Qt::SingleShotConnection);
            FormAlta->BitBtn3Click();
            QCOMPARE(edit(2)->text(), QString("ANA"));
            QCOMPARE(FormAlta->focusWidget(), edit(1));
        });
        QCOMPARE(e.textos, QStringList{kMensajeCodigoAsignado});
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 40").toString(),
                 QString("DE LA OTRA COPIA"));
        QCOMPARE(pacientes(e), 1);
        otra = QSqlDatabase();
        esquema::cerrar("otra-copia");
    }

    void codigoNoValidoPuestoPorProgramaSeRechaza()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        abrirAlta(e, [&] {
            rellenarObligatorios();
            edit(1)->setText("12 ");
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(e.textos, QStringList{"¡El campo \"Código\" no es válido, debe ser un número "
                                       "entero entre 1 y 2147483647!"});
        QCOMPARE(pacientes(e), 0);
    }

    void altaSinCitaCierraYRefrescaLaLista()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        // A visit that appears meanwhile shows once the window closes.
        e.visita(1, formatos::textoFecha(reloj::hoy()), "15:00");
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 0);
        const int resultado = abrirAlta(e, [&] {
            casillaCita()->setChecked(false);
            rellenarObligatorios();
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.abiertas, QStringList{"FormAlta"});
        QCOMPARE(e.textos, QStringList{kMensajeAlta});
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 2").toString(),
                 QString("ANA"));
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        // The user's choice stays for the next registration.
        abrirAlta(e, [&] { QVERIFY(!casillaCita()->isChecked()); });
    }

    void cancelarTambienRefrescaLaLista()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        e.visita(1, formatos::textoFecha(reloj::hoy()), "15:00");
        abrirAlta(e, [&] { QTest::mouseClick(boton("BitBtn1"), Qt::LeftButton); });
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        QCOMPARE(pacientes(e), 1);
    }

    void altaConCitaPasaElCodigoALaReserva()
    {
        Entorno e;
        for (int c : {1, 2, 3})
            e.paciente(c);
        QVERIFY(e.crearVentanas());
        int codigoRecibido = 0;
        QString nombreMostrado;
        e.guiones["FormNuevaCita"] = [&](Ventana*) {
            codigoRecibido = FormNuevaCita->CodigoPaciente;
            nombreMostrado = hijo<QLabel>(FormNuevaCita, "DBText1")->text();
            hijo<Casilla>(FormNuevaCita, "Panel6")->click();
            FormNuevaCita->BitBtn2Click();
            return int(QDialog::Accepted);
        };
        const int resultado = abrirAlta(e, [&] {
            QVERIFY(casillaCita()->isChecked());
            teclear(1, "2147483647");
            teclear(2, "marta");
            teclear(3, "ruiz");
            teclear(4, "gil");
            teclear(6, "955000111");
            FormAlta->BitBtn3Click();
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.abiertas, (QStringList{"FormAlta", "FormNuevaCita"}));
        QCOMPARE(codigoRecibido, 2147483647);
        QCOMPARE(nombreMostrado, QString("MARTA"));
        QCOMPARE(e.textos, (QStringList{kMensajeAlta, "¡Cita fijada correctamente!"}));
        QCOMPARE(e.valor("SELECT hora FROM Visita WHERE codigo = 2147483647").toString(),
                 QString("17:15"));
        // The booking and the closing both left today's list showing the new visit.
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        QCOMPARE(Form1->ADODataSetCitas->fieldAt(0, "nombre").toString(), QString("MARTA"));
    }
};

CLINORA_TEST_MAIN(TestAlta)
#include "tst_alta.moc"
