// Appointment record: what a load shows and enables for each payment and invoice state, the
// payment and invoice reactions, the save with its question, checks and refreshes, the delete,
// cancel, another booking, the patient's record above or beneath, and the keyboard.
#include "app/traspasos.h"
#include "db/comando.h"
#include "db/consulta.h"
#include "db/dataset.h"
#include "db/esquema.h"
#include "db/sql.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "tests/support/entorno.h"
#include "tests/support/pdf.h"
#include "tests/support/vistaprevia.h"
#include "ui/common/controles.h"
#include "ui/common/estilo.h"
#include "ui/common/rejilla.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

namespace {

const QString kFecha = QStringLiteral("01/02/2026");
const QString kPregunta = QStringLiteral("¿Desea guardar las modificaciones?");
const QString kGuardada = QStringLiteral("¡Datos modificados correctamente!");
const QString kPreguntaBorrar =
    QStringLiteral("¿Desea borrar esta cita del historial de visitas del paciente?");
const QString kBorrada = QStringLiteral("¡Cita de paciente borrada correctamente!");
const QString kAviso = QStringLiteral("¡Debes poner el importe correctamente!");
const QString kNoGuardada = QStringLiteral(
    "¡La cita ya no está en la base de datos (se ha borrado o se ha cargado una copia de "
    "seguridad); no se ha guardado ningún cambio!");
const QString kNoBorrada = QStringLiteral(
    "¡La cita ya no está en la base de datos (se ha borrado o se ha cargado una copia de "
    "seguridad); no se ha borrado nada!");
const QString kImporteVacio = QStringLiteral(
    "¡El campo \"Importe\" está vacío, debes poner una cantidad entera de euros (de 0 a 99999)!");

// A control of this window by its name.
template <typename T>
T* control(const QString& nombre)
{
    return hijo<T>(FormDatosCita, nombre);
}

QCheckBox* pago() { return control<QCheckBox>("DBCheckBox1"); }
QCheckBox* factura() { return control<QCheckBox>("DBCheckBox2"); }
QLineEdit* importe() { return control<QLineEdit>("DBEdit2"); }
QLineEdit* letras() { return control<QLineEdit>("Edit1"); }
QLineEdit* observacion() { return control<QLineEdit>("DBEdit3"); }
QComboBox* hora() { return control<QComboBox>("DBComboBox1"); }
QPushButton* aplicar() { return control<QPushButton>("BitBtn3"); }

QString hoy()
{
    return formatos::textoFecha(reloj::hoy());
}

// A button or box that follows the cursor rule: 'M' usable with the hand, '-' disabled with the
// arrow, '?' anything else.
QChar conCursor(const QWidget* w)
{
    const Qt::CursorShape forma = w->cursor().shape();
    if (w->isEnabled())
        return forma == Qt::PointingHandCursor ? 'M' : '?';
    return forma == Qt::ArrowCursor ? '-' : '?';
}

QChar todos(std::initializer_list<const QWidget*> ws)
{
    int activos = 0;
    for (const QWidget* w : ws)
        activos += w->isEnabled();
    return activos == 0 ? '0' : activos == int(ws.size()) ? '1' : '?';
}

// The enabling rules in one line: payment panel, amount with its label and "€", the invoice
// box, "Imprimir Factura", the amount in words with its label, "Aplicar Cambios".
QString estado()
{
    QString s;
    s += todos({control<QFrame>("Panel3")});
    s += todos({importe(), control<QLabel>("LabelImporte"), control<QLabel>("LabelEuro")});
    s += conCursor(factura());
    s += conCursor(control<QPushButton>("BitBtn5"));
    s += todos({letras(), control<QLabel>("LabelImporteFactura")});
    s += conCursor(aplicar());
    return s;
}

int abrirCita(Entorno& e, int codigo, const QString& fecha, std::function<void()> guion)
{
    FormDatosCita->CodigoPaciente = codigo;
    FormDatosCita->FechaCita = fecha;
    return e.abrir(FormDatosCita, std::move(guion));
}

void marcarPago(Entorno& e, int codigo, const QString& fecha, bool pagada, bool conFactura,
                int cantidad)
{
    e.exec("UPDATE Visita SET pago = ?, factura = ?, cantidad = ? WHERE codigo = ? AND fecha = ?",
           {pagada ? 1 : 0, conFactura ? 1 : 0, cantidad, codigo, fecha});
}

QVariantList filaVisita(Entorno& e, int codigo, const QString& fecha)
{
    QVariantList fila;
    for (const char* c : {"pago", "factura", "cantidad", "num_factura", "hora", "observacion"})
        fila << e.valor(QStringLiteral("SELECT %1 FROM Visita WHERE codigo = ? AND fecha = ?")
                            .arg(QLatin1String(c)),
                        {codigo, fecha});
    return fila;
}

// The main window's slot board: "." free, "R" taken.
QString tableroPrincipal()
{
    QString s;
    const auto casillas = hijo<QGroupBox>(Form1, "GroupBox2")->findChildren<Casilla*>();
    for (const Casilla* c : casillas)
        s += c->color() == estilo::kRojo ? 'R' : '.';
    return s;
}

}  // namespace

class TestDatosCita : public QObject {
    Q_OBJECT

private slots:
    void ventanaConSusTextos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QCOMPARE(FormDatosCita->windowTitle(), QString("Clinora 1.1 -  Datos de la Cita"));
        QCOMPARE(control<QLabel>("Panel2")->text(), QString("DATOS DE LA CITA "));
        QCOMPARE(control<QGroupBox>("GroupBox1")->title(), QString("Datos del Paciente"));
        QCOMPARE(control<QGroupBox>("GroupBox2")->title(), QString("Datos de la Cita"));
        QVERIFY(control<QFrame>("Panel3")->parentWidget() == control<QGroupBox>("GroupBox2"));
        QVERIFY(FormDatosCita->RecienAbierta);
        QVERIFY(FormDatosCita->NumeroFactura.isEmpty());

        QStringList etiquetas;
        for (const QLabel* l : FormDatosCita->findChildren<QLabel*>()) {
            if (l->buddy())
                etiquetas << l->text() + "=" + l->buddy()->objectName();
        }
        etiquetas.sort();
        QCOMPARE(etiquetas, (QStringList{"Fecha:=DBEdit1", "Hora:=DBComboBox1",
                                         "Importe en factura:=Edit1", "Importe:=DBEdit2",
                                         "Observaciones:=DBEdit3", "Pago:=DBCheckBox1",
                                         "Solicita factura:=DBCheckBox2"}));
        QStringList paciente;
        for (const QLabel* l : control<QGroupBox>("GroupBox1")->findChildren<QLabel*>()) {
            if (!l->objectName().startsWith("DBText"))
                paciente << l->text();
        }
        QCOMPARE(paciente, (QStringList{"Nombre:", "Primer apellido:", "Segundo apellido:",
                                        "Teléfono 1:", "Teléfono 2:"}));
        QCOMPARE(control<QLabel>("LabelEuro")->text(), QString("€"));

        struct Boton {
            const char* nombre;
            QString texto, hint;
        };
        const Boton botones[] = {
            {"BitBtn6", "&Ver datos completos del paciente ",
             "Ver todos los datos e información del paciente."},
            {"BitBtn5", "Imprimir Factura", "Imprimir factura del usuario."},
            {"BitBtn4", "&Borrar Cita", "Eliminar cita del paciente."},
            {"BitBtn3", "Aplicar Cambios", "Guardar las modificaciones realizadas."},
            {"BitBtn2", "&Nueva Cita", "Establecer nueva cita para el paciente."},
            {"BitBtn1", "&Cancelar", "Cerrar ventana de datos del la cita."},
        };
        for (const Boton& b : botones) {
            QCOMPARE(control<QPushButton>(b.nombre)->text(), b.texto);
            QCOMPARE(control<QPushButton>(b.nombre)->toolTip(), b.hint);
        }
        // The bottom bar, left to right.
        QLayout* barra = control<QWidget>("Panel1")->layout();
        QStringList orden;
        for (int i = 0; i < barra->count(); ++i) {
            if (QWidget* w = barra->itemAt(i)->widget())
                orden << w->objectName();
        }
        QCOMPARE(orden, (QStringList{"BitBtn4", "BitBtn3", "BitBtn2", "BitBtn1"}));

        QStringList cuartos;
        for (int i = 0; i < hora()->count(); ++i)
            cuartos << hora()->itemText(i);
        QCOMPARE(cuartos,
                 (QStringList{"15:00", "15:15", "15:30", "15:45", "16:00", "16:15", "16:30",
                              "16:45", "17:00", "17:15", "17:30", "17:45", "18:00", "18:15",
                              "18:30", "18:45", "19:00", "19:15", "19:30", "19:45", "20:00",
                              "20:15", "20:30", "20:45", "21:00"}));
        QVERIFY(hora()->isEditable());
        QVERIFY(control<QLineEdit>("DBEdit1")->isReadOnly());
        QCOMPARE(letras()->text(), QString("CIEN EUROS"));
        QCOMPARE(estado(), QString("00--0-"));
        QCOMPARE(observacion()->maxLength(), 50);

        // Upper-case entry where the record takes letters.
        QTest::keyClicks(observacion(), "revision");
        QCOMPARE(observacion()->text(), QString("REVISION"));
        hora()->setEditText("");
        QTest::keyClicks(hora(), "t");
        QCOMPARE(hora()->currentText(), QString("T"));

        const QSize tamano = FormDatosCita->sizeHint();
        QVERIFY2(tamano.width() <= 1024 && tamano.height() <= 740,
                 qPrintable(QString("%1x%2").arg(tamano.width()).arg(tamano.height())));
    }

    void ordenDeTabulacionYNombres()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", true);
        marcarPago(e, 7, kFecha, true, true, 100);
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            // The hour is where a freshly opened record puts the cursor.
            QCOMPARE(FormDatosCita->focusWidget(), static_cast<QWidget*>(hora()));
            observacion()->setText("CAMBIO");   // "Aplicar Cambios" joins the chain
            QStringList sinNombre;
            const QStringList orden =
                ordenDeTabulacion(control<QPushButton>("BitBtn6"), &sinNombre);
            QCOMPARE(sinNombre, QStringList());
            QCOMPARE(orden, (QStringList{"BitBtn6", "DBEdit1", "DBComboBox1", "DBCheckBox1",
                                         "DBEdit2", "DBCheckBox2", "BitBtn5", "Edit1", "DBEdit3",
                                         "BitBtn4", "BitBtn3", "BitBtn2", "BitBtn1", "Image3"}));
            QCOMPARE(pago()->accessibleName(), QString("Pago"));
            QCOMPARE(factura()->accessibleName(), QString("Solicita factura"));
            QCOMPARE(letras()->accessibleName(), QString("Importe en factura"));
            // The patient's values are read with the field they belong to.
            QCOMPARE(control<QLabel>("DBText1")->text(), QString("ANA"));
            QCOMPARE(control<QLabel>("DBText1")->accessibleName(), QString("Nombre: ANA"));
        });
    }

    void escapeNoCierra()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            QSignalSpy cerrada(FormDatosCita, &QDialog::finished);
            QTest::keyClick(observacion(), Qt::Key_Escape);
            QTest::keyClick(FormDatosCita, Qt::Key_Escape);
            QCOMPARE(cerrada.count(), 0);
            QVERIFY(FormDatosCita->abierta());
            control<QPushButton>("BitBtn1")->click();
            QCOMPARE(cerrada.count(), 1);
        });
        QVERIFY(!FormDatosCita->abierta());
        QVERIFY(!FormDatosCita->ADODataSet2->isActive());
        QVERIFY(FormDatosCita->RecienAbierta);
    }

    void carga_data()
    {
        QTest::addColumn<bool>("pagada");
        QTest::addColumn<bool>("conFactura");
        QTest::addColumn<int>("cantidad");
        QTest::addColumn<QString>("reglas");
        QTest::addColumn<QString>("enLetras");
        QTest::addColumn<QString>("numero");
        QTest::addRow("sin pagar") << false << false << 0 << "00--0-" << "" << "";
        QTest::addRow("pagada sin factura") << true << false << 100 << "11M-0-" << "CIEN EUROS"
                                            << "";
        QTest::addRow("pagada con factura") << true << true << 100 << "11MM1-" << "CIEN EUROS"
                                            << "7-01022026";
        // The stored amount is shown as stored, with its words, without the warning a tick
        // would give.
        QTest::addRow("pagada con factura de 80")
            << true << true << 80 << "11MM1-" << "OCHENTA EUROS" << "7-01022026";
        QTest::addRow("pagada sin factura de 0") << true << false << 0 << "11M-0-"
                                                 << "CERO EUROS" << "";
        QTest::addRow("factura sin pago (fila antigua)") << false << true << 0 << "00--0-" << ""
                                                         << "";
    }
    void carga()
    {
        QFETCH(bool, pagada);
        QFETCH(bool, conFactura);
        QFETCH(int, cantidad);
        QFETCH(QString, reglas);
        QFETCH(QString, enLetras);
        QFETCH(QString, numero);
        // Each row is loaded after every other state, so no state leaks into the next visit.
        const QList<std::tuple<bool, bool, int>> antes = {
            {false, false, 0}, {true, false, 100}, {true, true, 100}};
        for (const auto& [p, f, c] : antes) {
            Entorno e;
            e.paciente(7, "RUIZ", "MARTA", "GIL");
            e.paciente(8);
            e.visita(8, kFecha, "20:15");
            marcarPago(e, 8, kFecha, p, f, c);
            e.visita(7, kFecha, "16:45", false, "CONTROL");
            marcarPago(e, 7, kFecha, pagada, conFactura, cantidad);
            QVERIFY(e.crearVentanas());
            abrirCita(e, 8, kFecha, [] {});
            abrirCita(e, 7, kFecha, [&] {
                QCOMPARE(estado(), reglas);
                QCOMPARE(pago()->isChecked(), pagada);
                QCOMPARE(factura()->isChecked(), pagada && conFactura);
                QCOMPARE(importe()->text(), QString::number(cantidad));
                QCOMPARE(letras()->text(), enLetras);
                QCOMPARE(FormDatosCita->NumeroFactura, numero);
                QCOMPARE(control<QLineEdit>("DBEdit1")->text(), kFecha);
                QCOMPARE(hora()->currentText(), QString("16:45"));
                QCOMPARE(observacion()->text(), QString("CONTROL"));
                QStringList datos;
                for (int i = 1; i <= 5; ++i)
                    datos << control<QLabel>(qPrintable(QString("DBText%1").arg(i)))->text();
                QCOMPARE(datos, (QStringList{"MARTA", "RUIZ", "GIL", "600000000", ""}));
                QVERIFY(!FormDatosCita->RecienAbierta);
            });
            QVERIFY(e.textos.isEmpty());
        }
    }

    void pagoMarcarYDesmarcar()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            QCOMPARE(estado(), QString("00--0-"));
            pago()->click();
            QCOMPARE(estado(), QString("11M-0M"));
            QCOMPARE(importe()->text(), QString("100"));
            QCOMPARE(letras()->text(), QString("CIEN EUROS"));
            factura()->click();
            QCOMPARE(estado(), QString("11MM1M"));
            QCOMPARE(FormDatosCita->NumeroFactura, QString("7-01022026"));
            QVERIFY(e.textos.isEmpty());

            pago()->click();
            QCOMPARE(estado(), QString("00--0M"));
            QVERIFY(!factura()->isChecked());
            QCOMPARE(importe()->text(), QString("0"));
            QCOMPARE(letras()->text(), QString());
            QCOMPARE(FormDatosCita->NumeroFactura, QString());

            // Ticked again, the invoice stays unticked until asked for.
            pago()->click();
            QCOMPARE(estado(), QString("11M-0M"));
            // The caption to the left of a box works it as well.
            const auto etiqueta = control<QFrame>("Panel3")->findChildren<QLabel*>();
            QLabel* solicita = nullptr;
            for (QLabel* l : etiqueta) {
                if (l->text() == "Solicita factura:")
                    solicita = l;
            }
            QVERIFY(solicita);
            QTest::mouseClick(solicita, Qt::LeftButton);
            QVERIFY(factura()->isChecked());
            QVERIFY(e.textos.isEmpty());
        });
    }

    void facturaYSuImporte_data()
    {
        QTest::addColumn<QString>("cantidad");
        QTest::addColumn<bool>("aviso");
        QTest::addRow("100: sin aviso") << "100" << false;
        QTest::addRow("80: aviso") << "80" << true;
        QTest::addRow("vacío: aviso") << "" << true;
        QTest::addRow("0100: aviso, el texto no es 100") << "0100" << true;
    }
    void facturaYSuImporte()
    {
        QFETCH(QString, cantidad);
        QFETCH(bool, aviso);
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            pago()->click();
            importe()->clear();
            QTest::keyClicks(importe(), cantidad);
            hora()->setFocus();
            factura()->click();
            QCOMPARE(e.textos, aviso ? QStringList{kAviso} : QStringList{});
            QCOMPARE(e.tipos.size(), e.textos.size());
            if (aviso)
                QCOMPARE(e.tipos.first(), mensajes::Tipo::Informacion);
            QCOMPARE(FormDatosCita->focusWidget(),
                     aviso ? static_cast<QWidget*>(letras()) : static_cast<QWidget*>(hora()));
            // The box stays ticked and the reaction goes on.
            QVERIFY(factura()->isChecked());
            QCOMPARE(FormDatosCita->NumeroFactura, QString("7-01022026"));
            QCOMPARE(estado(), QString("11MM1M"));

            factura()->click();
            QCOMPARE(estado(), QString("11M-0M"));
            QCOMPARE(FormDatosCita->NumeroFactura, QString());
            QCOMPARE(e.textos.size(), aviso ? 1 : 0);
        });
    }

    // The number is built from the date text itself, whatever the machine's language says.
    void numeroDeFacturaSinIdioma_data()
    {
        QTest::addColumn<QLocale>("idioma");
        QTest::addRow("español") << QLocale(QLocale::Spanish, QLocale::Spain);
        QTest::addRow("inglés de EE. UU.") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::addRow("alemán") << QLocale(QLocale::German, QLocale::Germany);
    }
    void numeroDeFacturaSinIdioma()
    {
        QFETCH(QLocale, idioma);
        const IdiomaFijo fijo(idioma);
        Entorno e;
        e.paciente(12);
        e.visita(12, "05/12/2026", "15:00");
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 12, "05/12/2026", [&] {
            pago()->click();
            factura()->click();
            QCOMPARE(FormDatosCita->NumeroFactura, QString("12-05122026"));
        });
        abrirCita(e, 7, kFecha, [&] {
            pago()->click();
            factura()->click();
            QCOMPARE(FormDatosCita->NumeroFactura, QString("7-01022026"));
        });
    }

    void guardarPagadaConFactura()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", false, "PRIMERA");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            pago()->click();
            importe()->clear();
            QTest::keyClicks(importe(), "80");
            factura()->click();
            letras()->clear();
            QTest::keyClicks(letras(), "ochenta euros");
            elegir(hora(), "16:30");
            observacion()->clear();
            QTest::keyClicks(observacion(), "dolor \"fuerte\" 50% o'neil_");
            QCOMPARE(conCursor(aplicar()), QChar('M'));
            aplicar()->setFocus();
            QTest::keyClick(aplicar(), Qt::Key_Space);
            QCOMPARE(e.textos, (QStringList{kAviso, kPregunta, kGuardada}));
            QCOMPARE(e.tipos, (QList<mensajes::Tipo>{mensajes::Tipo::Informacion,
                                                     mensajes::Tipo::Confirmacion,
                                                     mensajes::Tipo::Informacion}));
            // It stays open with the saved values, nothing pending.
            QVERIFY(FormDatosCita->abierta());
            QCOMPARE(conCursor(aplicar()), QChar('-'));
            QCOMPARE(importe()->text(), QString("80"));
            QCOMPARE(letras()->text(), QString("OCHENTA EUROS"));
            // The focus leaves the disabled button for "&Cancelar", not "&Nueva Cita".
            QCOMPARE(FormDatosCita->focusWidget(),
                     static_cast<QWidget*>(control<QPushButton>("BitBtn1")));
        });
        QCOMPARE(filaVisita(e, 7, kFecha),
                 (QVariantList{1, 1, 80, "7-01022026", "16:30", "DOLOR \"FUERTE\" 50% O'NEIL_"}));

        // Unticking the invoice writes no invoice and no number; the payment stays.
        abrirCita(e, 7, kFecha, [&] {
            QCOMPARE(estado(), QString("11MM1-"));
            factura()->click();
            aplicar()->click();
        });
        QCOMPARE(filaVisita(e, 7, kFecha),
                 (QVariantList{1, 0, 80, "", "16:30", "DOLOR \"FUERTE\" 50% O'NEIL_"}));

        // Unticking the payment writes it unpaid with 0.
        abrirCita(e, 7, kFecha, [&] {
            pago()->click();
            aplicar()->click();
        });
        QCOMPARE(filaVisita(e, 7, kFecha),
                 (QVariantList{0, 0, 0, "", "16:30", "DOLOR \"FUERTE\" 50% O'NEIL_"}));
        QCOMPARE(e.textos.count(kGuardada), 3);
    }

    void guardarNoRestaura()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "17:15", true, "ANTES");
        marcarPago(e, 7, kFecha, true, true, 100);
        e.exec("UPDATE Visita SET num_factura = '7-01022026'");
        QVERIFY(e.crearVentanas());
        const QVariantList guardada = filaVisita(e, 7, kFecha);
        abrirCita(e, 7, kFecha, [&] {
            observacion()->clear();
            QTest::keyClicks(observacion(), "despues");
            elegir(hora(), "20:00");
            pago()->click();
            QCOMPARE(estado(), QString("00--0M"));
            e.respuestas = {0};
            aplicar()->click();
            QCOMPARE(e.textos, QStringList{kPregunta});
            QCOMPARE(estado(), QString("11MM1-"));
            QVERIFY(pago()->isChecked());
            QVERIFY(factura()->isChecked());
            QCOMPARE(importe()->text(), QString("100"));
            QCOMPARE(observacion()->text(), QString("ANTES"));
            QCOMPARE(hora()->currentText(), QString("17:15"));
            QCOMPARE(FormDatosCita->NumeroFactura, QString("7-01022026"));
        });
        QCOMPARE(filaVisita(e, 7, kFecha), guardada);
    }

    void horaAlGuardar_data()
    {
        QTest::addColumn<QString>("escrita");
        QTest::addColumn<QString>("mensaje");   // empty: saved as typed
        const auto mala = [](const QString& h) {
            return QStringLiteral("¡La hora \"%1\" no es válida, debes escribirla como hh:mm "
                                  "(de 00:00 a 23:59)!")
                .arg(h);
        };
        QTest::addRow("fuera de la lista pero válida") << "09:05" << QString();
        QTest::addRow("vacía") << ""
                               << QStringLiteral("¡El campo \"Hora\" está vacío, debes elegir "
                                                 "una hora para la cita!");
        QTest::addRow("sin cero delante") << "9:00" << mala("9:00");
        QTest::addRow("hora 24") << "24:00" << mala("24:00");
        QTest::addRow("letras") << "TARDE" << mala("TARDE");
        QTest::addRow("blanco detrás") << "15:00 " << mala("15:00 ");
    }
    void horaAlGuardar()
    {
        QFETCH(QString, escrita);
        QFETCH(QString, mensaje);
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", false, "IGUAL");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            hora()->setEditText("");
            QTest::keyClicks(hora(), escrita.toLower());
            observacion()->setText("OTRA");
            aplicar()->click();
            if (mensaje.isEmpty())
                return;
            QCOMPARE(e.textos, (QStringList{kPregunta, mensaje}));
            QCOMPARE(FormDatosCita->focusWidget(), static_cast<QWidget*>(hora()));
            // What was typed stays, and so does the pending change.
            QCOMPARE(hora()->currentText(), escrita);
            QCOMPARE(conCursor(aplicar()), QChar('M'));
        });
        if (mensaje.isEmpty()) {
            QCOMPARE(e.textos, (QStringList{kPregunta, kGuardada}));
            QCOMPARE(filaVisita(e, 7, kFecha).mid(4), (QVariantList{escrita, "OTRA"}));
            return;
        }
        QCOMPARE(filaVisita(e, 7, kFecha).mid(4), (QVariantList{"15:00", "IGUAL"}));
    }

    // What is typed in "Importe:" is never altered: anything but whole euros is refused, with
    // what was typed, by the save and by the invoice.
    void importeNoValido_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addRow("vacío") << "";
        for (const char* escrito : {"55,50", "55.50", "1.000", "-5", "12a", " 80", "123456"})
            QTest::addRow("%s", escrito) << QString::fromLatin1(escrito);
    }
    void importeNoValido()
    {
        QFETCH(QString, escrito);
        const QString mensaje =
            escrito.isEmpty()
                ? kImporteVacio
                : QStringLiteral("¡El campo \"Importe\" no es válido: \"%1\" no es una cantidad "
                                 "entera de euros; escríbela solo con cifras, sin céntimos, "
                                 "puntos ni comas (de 0 a 99999)!")
                      .arg(escrito);
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            pago()->click();
            importe()->clear();
            QTest::keyClicks(importe(), escrito);
            QCOMPARE(importe()->text(), escrito);
            QCOMPARE(letras()->text(), QString());   // no words for what is not an amount
            aplicar()->click();
            QCOMPARE(e.textos, (QStringList{kPregunta, mensaje}));
            QCOMPARE(FormDatosCita->focusWidget(), static_cast<QWidget*>(importe()));
            QCOMPARE(importe()->text(), escrito);
            QCOMPARE(filaVisita(e, 7, kFecha).mid(0, 3), (QVariantList{0, 0, 0}));

            // Nor does the invoice print.
            factura()->click();
            e.textos.clear();
            const auto imprimir = [] { control<QPushButton>("BitBtn5")->click(); };
            QVERIFY(!enVistaPrevia(imprimir, [](QPrintPreviewDialog*) {}));
            QCOMPARE(e.textos, QStringList{mensaje});

            importe()->clear();
            QTest::keyClicks(importe(), "99999");
            aplicar()->click();
        });
        QCOMPARE(filaVisita(e, 7, kFecha).mid(0, 4), (QVariantList{1, 1, 99999, "7-01022026"}));
    }

    // The invoice printed from the record says the amount of this visit, in figures and in
    // words: the stored one, the one typed since, or the words the user wrote for this print.
    void facturaImpresa_data()
    {
        QTest::addColumn<int>("guardada");
        QTest::addColumn<QString>("letrasEscritas");   // null: not touched
        QTest::addColumn<QString>("importeEscrito");    // null: not touched
        QTest::addColumn<QString>("enLetra");
        QTest::addColumn<int>("cifra");
        QTest::addRow("guardada de 80") << 80 << QString() << QString() << "OCHENTA EUROS" << 80;
        QTest::addRow("guardada de 555")
            << 555 << QString() << QString() << "QUINIENTOS CINCUENTA Y CINCO EUROS" << 555;
        QTest::addRow("de 100 cambiada a 80")
            << 100 << QString() << "80" << "OCHENTA EUROS" << 80;
        QTest::addRow("letras escritas") << 80 << "ochenta euros justos" << QString()
                                         << "OCHENTA EUROS JUSTOS" << 80;
        QTest::addRow("letras escritas y luego otro importe")
            << 100 << "cien euros al contado" << "90" << "CIEN EUROS AL CONTADO" << 90;
        QTest::addRow("letras borradas") << 555 << "" << QString()
                                         << "QUINIENTOS CINCUENTA Y CINCO EUROS" << 555;
    }
    void facturaImpresa()
    {
        QFETCH(int, guardada);
        QFETCH(QString, letrasEscritas);
        QFETCH(QString, importeEscrito);
        QFETCH(QString, enLetra);
        QFETCH(int, cifra);
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", true);
        marcarPago(e, 7, kFecha, true, true, guardada);
        QVERIFY(e.crearVentanas());
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        PdfLeido pdf;
        abrirCita(e, 7, kFecha, [&] {
            // As the user would: what was there selected and typed over.
            const auto escribir = [](QLineEdit* caja, const QString& texto) {
                caja->selectAll();
                QTest::keyClick(caja, Qt::Key_Delete);
                QTest::keyClicks(caja, texto);
            };
            if (!letrasEscritas.isNull())
                escribir(letras(), letrasEscritas);
            if (!importeEscrito.isNull())
                escribir(importe(), importeEscrito);
            const auto imprimir = [] { control<QPushButton>("BitBtn5")->click(); };
            QVERIFY(enVistaPrevia(imprimir, [&](QPrintPreviewDialog* d) {
                imprimirEnPdf(d, ruta);
                pdf = leerPdf(ruta);
            }));
        });
        QCOMPARE(pdf.paginas, 1);
        QCOMPARE(qRound(pdf.tamanoPt.width()), 516);   // B5
        QCOMPARE(fraseDelImporte(pdf), QStringLiteral("la cantidad de ") + enLetra
                                           + QStringLiteral(", por concepto de Asistencia "
                                                            "Médica, por los servicios que se "
                                                            "indican."));
        QCOMPARE(pdf.linea(pdf.caja(QStringLiteral("médica")).top()),
                 QStringLiteral("Consulta médica %1 .-").arg(cifra));
    }

    void guardarCitaQueYaNoEsta()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, hoy(), "15:00");
        QVERIFY(e.crearVentanas());
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        abrirCita(e, 7, hoy(), [&] {
            e.exec("DELETE FROM Visita");
            QTest::keyClicks(observacion(), "x");
            aplicar()->click();
            QCOMPARE(e.textos, (QStringList{kPregunta, kNoGuardada}));
            // Reloaded: nothing to show, nothing pending; the main list no longer has it.
            QCOMPARE(control<QLineEdit>("DBEdit1")->text(), QString());
            QCOMPARE(conCursor(aplicar()), QChar('-'));
            QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 0);
        });
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 0);
    }

    // Another desk saved the visit after this record loaded it: the later save (or delete) is
    // refused, nothing of it stored, and the record shows what the other desk stored.
    void cambiadaEnOtroPuesto_data()
    {
        QTest::addColumn<bool>("borrando");
        QTest::addRow("guardar") << false;
        QTest::addRow("borrar") << true;
    }
    void cambiadaEnOtroPuesto()
    {
        QFETCH(bool, borrando);
        Entorno e;
        e.paciente(7);
        e.visita(7, hoy(), "15:00");
        QVERIFY(e.crearVentanas());
        QSqlDatabase otro = e.otroPuesto("otro-puesto");
        abrirCita(e, 7, hoy(), [&] {
            comando::ejecutar({"UPDATE Visita SET observacion = 'DEL OTRO PUESTO', "
                               "hora = '17:15'",
                               {}},
                              otro);
            QTest::keyClicks(observacion(), "x");
            e.respuestas = {1};
            if (borrando)
                control<QPushButton>("BitBtn4")->click();
            else
                aplicar()->click();
            QCOMPARE(e.textos.constLast(),
                     QStringLiteral("¡La cita se ha cambiado desde otro puesto después de abrirla "
                                    "aquí; no se ha %1! Se muestran los datos guardados ahora.")
                         .arg(borrando ? "borrado nada" : "guardado ningún cambio"));
            QVERIFY(FormDatosCita->abierta());
            QCOMPARE(observacion()->text(), QString("DEL OTRO PUESTO"));
            QCOMPARE(hora()->currentText(), QString("17:15"));
            QCOMPARE(conCursor(aplicar()), QChar('-'));
        });
        QCOMPARE(filaVisita(e, 7, hoy()).value(5).toString(), QString("DEL OTRO PUESTO"));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
        otro = QSqlDatabase();
        esquema::cerrar("otro-puesto");
    }

    void cambioDeHoraEnLaPrincipal()
    {
        Entorno e;
        e.paciente(7);
        e.paciente(8, "ZAPATA");
        e.visita(7, hoy(), "15:00");
        e.visita(8, hoy(), "15:45");
        QVERIFY(e.crearVentanas());
        QCOMPARE(tableroPrincipal(), QString("RR......."));
        abrirCita(e, 7, hoy(), [&] {
            elegir(hora(), "18:00");
            aplicar()->click();
        });
        QCOMPARE(tableroPrincipal(), QString(".R..R...."));
        auto* lista = Form1->ADODataSetCitas;
        QCOMPARE(lista->model()->rowCount(), 2);
        QCOMPARE(lista->fieldAt(1, "hora").toString(), QString("18:00"));
        QCOMPARE(lista->fieldAt(1, "apellido1").toString(), QString("GARCÍA"));
    }

    void borrar_data()
    {
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<bool>("yaNoEsta");
        QTest::addRow("sí") << 1 << false;
        QTest::addRow("no") << 0 << false;
        QTest::addRow("sí, pero ya no estaba") << 1 << true;
    }
    void borrar()
    {
        QFETCH(int, respuesta);
        QFETCH(bool, yaNoEsta);
        Entorno e;
        e.paciente(7);
        e.paciente(8, "ZAPATA");
        e.visita(7, hoy(), "16:30");
        e.visita(8, hoy(), "15:00");
        QVERIFY(e.crearVentanas());
        QCOMPARE(tableroPrincipal(), QString("R.R......"));
        const int resultado = abrirCita(e, 7, hoy(), [&] {
            QTest::keyClicks(observacion(), "pendiente");
            if (yaNoEsta)
                e.exec("DELETE FROM Visita WHERE codigo = 7");
            e.respuestas = {respuesta};
            control<QPushButton>("BitBtn4")->click();
            if (respuesta == 0) {
                QVERIFY(FormDatosCita->abierta());
                QCOMPARE(conCursor(aplicar()), QChar('M'));
            }
        });
        if (respuesta == 0) {
            QCOMPARE(e.textos, QStringList{kPreguntaBorrar});
            QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 2);
            QCOMPARE(tableroPrincipal(), QString("R.R......"));
            return;
        }
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.textos, (QStringList{kPreguntaBorrar, yaNoEsta ? kNoBorrada : kBorrada}));
        QCOMPARE(e.tipos.last(), mensajes::Tipo::Informacion);
        QVERIFY(!FormDatosCita->abierta());
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita WHERE codigo = 7").toInt(), 0);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita WHERE codigo = 8").toInt(), 1);
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        QCOMPARE(Form1->ADODataSet1->model()->rowCount(), 1);
        QCOMPARE(tableroPrincipal(), QString("R........"));
    }

    // The correlative series, as the practice's choice: a number given when the visit is saved,
    // one series per year of the visit, never given twice; taking an invoice away or deleting
    // an invoiced visit asks first and leaves the number annulled in the register.
    void numeracionCorrelativa()
    {
        Entorno e;
        e.paciente(7);
        e.paciente(8, "ZAPATA");
        for (const auto& [codigo, fecha] : QList<QPair<int, QString>>{
                 {7, "30/12/2026"}, {8, "31/12/2026"}, {7, "02/01/2027"}})
            e.visita(codigo, fecha, "15:00");
        QVERIFY(e.crearVentanas());
        DatosConsulta d;
        d.nombre = "Dra. Ruiz";
        d.nif = "12345678Z";
        d.numeracion = DatosConsulta::Numeracion::Correlativa;
        QCOMPARE(consulta::guardar(e.carpeta() + "/clinora.ini", d), QString());
        const auto numero = [&](int codigo, const QString& fecha) {
            return e.valor("SELECT num_factura FROM Visita WHERE codigo = ? AND fecha = ?",
                           {codigo, fecha})
                .toString();
        };
        const auto facturar = [&](int codigo, const QString& fecha) {
            abrirCita(e, codigo, fecha, [&] {
                if (!pago()->isChecked())
                    pago()->click();
                factura()->click();
                // Not yet: the number is given by the save, never twice.
                QCOMPARE(FormDatosCita->NumeroFactura, QString());
                aplicar()->click();
                QCOMPARE(e.textos.last(), kGuardada);
            });
            return numero(codigo, fecha);
        };
        QCOMPARE(facturar(7, "30/12/2026"), QString("2026-0001"));
        QCOMPARE(facturar(7, "02/01/2027"), QString("2027-0001"));
        QCOMPARE(facturar(8, "31/12/2026"), QString("2026-0002"));

        abrirCita(e, 7, "30/12/2026", [&] {
            QCOMPARE(FormDatosCita->NumeroFactura, QString("2026-0001"));
            factura()->click();
            e.respuestas = {1, 0};
            aplicar()->click();
            QVERIFY2(e.textos.last().contains("2026-0001 quedará anulada"),
                     qPrintable(e.textos.last()));
            QCOMPARE(e.tipos.last(), mensajes::Tipo::Borrado);
            QCOMPARE(numero(7, "30/12/2026"), QString("2026-0001"));
            e.respuestas = {1, 1};
            aplicar()->click();
        });
        QCOMPARE(numero(7, "30/12/2026"), QString());
        QCOMPARE(facturar(7, "30/12/2026"), QString("2026-0003"));

        abrirCita(e, 8, "31/12/2026", [&] {
            e.respuestas = {1};
            control<QPushButton>("BitBtn4")->click();
        });
        QVERIFY(e.textos.contains(kBorrada));
        QVERIFY(e.textos.at(e.textos.indexOf(kBorrada) - 1)
                    .contains("La factura Nº 2026-0002 de esta cita quedará anulada"));

        // The year's list: the numbers in order, the annulled ones as such and without amount.
        const auto lista = [&](const QString& ano) {
            QStringList filas;
            QSqlQuery q = comando::preparar(sql::facturasDelAno(ano), e.conexion());
            while (q.next())
                filas << q.value("num_factura").toString() + " "
                             + (q.isNull("cantidad") ? QString() : q.value("cantidad").toString());
            return filas;
        };
        QCOMPARE(lista("2026"), (QStringList{"2026-0001 (anulada) ", "2026-0002 (anulada) ",
                                             "2026-0003 100"}));
        QCOMPARE(lista("2027"), QStringList{"2027-0001 100"});
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Factura").toInt(), 4);
    }

    void cancelar_data()
    {
        QTest::addColumn<bool>("cambio");
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<QStringList>("textos");
        QTest::addColumn<QString>("guardada");
        QTest::addRow("sin cambios") << false << 1 << QStringList{} << "ANTES";
        QTest::addRow("cambios, guardar") << true << 1 << QStringList{kPregunta, kGuardada}
                                          << "DESPUES";
        QTest::addRow("cambios, no guardar") << true << 0 << QStringList{kPregunta} << "ANTES";
    }
    void cancelar()
    {
        QFETCH(bool, cambio);
        QFETCH(int, respuesta);
        QFETCH(QStringList, textos);
        QFETCH(QString, guardada);
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", false, "ANTES");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            QSignalSpy cerrada(FormDatosCita, &QDialog::finished);
            if (cambio) {
                observacion()->clear();
                QTest::keyClicks(observacion(), "despues");
            }
            e.respuestas = {respuesta};
            QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
            QCOMPARE(cerrada.count(), 1);
        });
        QCOMPARE(e.textos, textos);
        QCOMPARE(filaVisita(e, 7, kFecha).last().toString(), guardada);
        QVERIFY(!FormDatosCita->abierta());
    }

    // A value the save refuses keeps the user in the window with what he typed; the next
    // "&Cancelar" may still throw it away.
    void cancelarConHoraMala()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        abrirCita(e, 7, kFecha, [&] {
            QSignalSpy cerrada(FormDatosCita, &QDialog::finished);
            hora()->setEditText("25:00");
            FormDatosCita->BitBtn1Click();
            QCOMPARE(cerrada.count(), 0);
            QCOMPARE(hora()->currentText(), QString("25:00"));
            e.respuestas = {0};
            FormDatosCita->BitBtn1Click();
            QCOMPARE(cerrada.count(), 1);
        });
        QCOMPARE(e.textos.size(), 3);
        QCOMPARE(filaVisita(e, 7, kFecha).at(4).toString(), QString("15:00"));
    }

    void nuevaCitaCierraSinPreguntar()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", false, "ANTES");
        QVERIFY(e.crearVentanas());
        bool cerradaAntes = false;
        e.guiones["FormNuevaCita"] = [&](Ventana*) {
            cerradaAntes = !FormDatosCita->abierta();
            return int(QDialog::Rejected);
        };
        abrirCita(e, 7, kFecha, [&] {
            QTest::keyClicks(observacion(), " cambiada");
            control<QPushButton>("BitBtn2")->click();
        });
        QCOMPARE(e.abiertas, (QStringList{"FormDatosCita", "FormNuevaCita"}));
        QVERIFY(cerradaAntes);
        QCOMPARE(FormNuevaCita->CodigoPaciente, 7);
        QVERIFY(e.textos.isEmpty());
        QCOMPARE(filaVisita(e, 7, kFecha).last().toString(), QString("ANTES"));
        // The booking's return did not load the closed window again.
        QVERIFY(!FormDatosCita->abierta());
        QVERIFY(!FormDatosCita->ADODataSet2->isActive());
    }

    // Booking from the patient record while this window lies beneath refreshes its patient and
    // that record's history before the main list.
    void reservaRefrescaPacienteEHistorial()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        QVERIFY(e.crearVentanas());
        bool refrescado = false;
        e.guiones["FormNuevaCita"] = [&](Ventana* v) {
            FormNuevaCita->MonthCalendar1->setSelectedDate(reloj::hoy().addDays(1));
            hijo<Casilla>(FormNuevaCita, "Panel5")->click();
            FormNuevaCita->BitBtn2Click();
            refrescado = control<QLabel>("DBText1")->text() == "NUEVO"
                         && hijo<Rejilla>(FormDatos, "DBGrid1")->model()->rowCount() == 2;
            return v->result();
        };
        // "Ver datos completos", then the record's "Nueva Cita".
        e.alAbrir("FormDatos", [&] {
            QCOMPARE(hijo<Rejilla>(FormDatos, "DBGrid1")->model()->rowCount(), 1);
            hijo<QPushButton>(FormDatos, "BitBtn2")->click();
        });
        abrirCita(e, 7, kFecha, [&] {
            e.exec("UPDATE Paciente SET nombre = 'NUEVO'");
            control<QPushButton>("BitBtn6")->click();
        });
        QCOMPARE(e.abiertas, (QStringList{"FormDatosCita", "FormDatos", "FormNuevaCita"}));
        QVERIFY(refrescado);
    }

    void verDatosCompletosEncima()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00", false, "ANTES");
        QVERIFY(e.crearVentanas());
        int codigo = 0;
        bool debajo = false;
        e.guiones["FormDatos"] = [&](Ventana*) {
            codigo = FormDatos->CodigoPaciente;
            debajo = FormDatosCita->abierta();
            return int(QDialog::Rejected);
        };
        abrirCita(e, 7, kFecha, [&] {
            observacion()->clear();
            QTest::keyClicks(observacion(), "guardada antes");
            control<QPushButton>("BitBtn6")->click();
            // Back from the record, still here, with the saved row.
            QVERIFY(FormDatosCita->abierta());
            QCOMPARE(observacion()->text(), QString("GUARDADA ANTES"));
            QCOMPARE(conCursor(aplicar()), QChar('-'));
        });
        QCOMPARE(e.abiertas, (QStringList{"FormDatosCita", "FormDatos"}));
        QCOMPARE(codigo, 7);
        QVERIFY(debajo);
        QCOMPARE(e.textos, (QStringList{kPregunta, kGuardada}));
        QCOMPARE(filaVisita(e, 7, kFecha).last().toString(), QString("GUARDADA ANTES"));
    }

    // Opened from the patient record's history: "Ver datos completos" goes back to that record,
    // re-read, and the history's double-click re-points this window.
    void verDatosCompletosDebajo()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, kFecha, "15:00");
        e.visita(7, "08/02/2026", "19:30", true, "SEGUNDA");
        marcarPago(e, 7, "08/02/2026", true, true, 100);
        QVERIFY(e.crearVentanas());
        e.alAbrir("FormDatosCita", [&] {
            e.exec("UPDATE Paciente SET nombre = 'NUEVO' WHERE codigo = 7");
            FormDatosCita->BitBtn6Click();
            // Back to the record beneath, which shows the patient as he now is.
            QCOMPARE(hijo<QLineEdit>(FormDatos, "DBEdit2")->text(), QString("NUEVO"));
            QVERIFY(!FormDatosCita->abierta());
        });
        e.alAbrir("FormDatos", [&] {
            auto* historial = hijo<Rejilla>(FormDatos, "DBGrid1");
            elegirFila(historial, 0, kFecha);
            QTest::keyClick(historial, Qt::Key_Return);
            QCOMPARE(FormDatos->CodigoPaciente, 7);
        });
        abrir::datosPaciente(7);
        QCOMPARE(e.abiertas, (QStringList{"FormDatos", "FormDatosCita"}));
        QVERIFY(e.textos.isEmpty());

        // Hand-off 11 from the record opened above this window.
        e.abiertas.clear();
        e.alAbrir("FormDatos", [&] {
            auto* historial = hijo<Rejilla>(FormDatos, "DBGrid1");
            elegirFila(historial, 0, "08/02/2026");
            QTest::keyClick(historial, Qt::Key_Return);
        });
        abrirCita(e, 7, kFecha, [&] {
            QCOMPARE(estado(), QString("00--0-"));
            FormDatosCita->BitBtn6Click();
            // Back on top: the chosen visit stays, with nothing pending.
            QCOMPARE(FormDatosCita->FechaCita, QString("08/02/2026"));
            QCOMPARE(control<QLineEdit>("DBEdit1")->text(), QString("08/02/2026"));
            QCOMPARE(observacion()->text(), QString("SEGUNDA"));
            QCOMPARE(estado(), QString("11MM1-"));
            QCOMPARE(FormDatosCita->NumeroFactura, QString("7-08022026"));
        });
        QCOMPARE(e.abiertas, (QStringList{"FormDatosCita", "FormDatos"}));
        QVERIFY(e.textos.isEmpty());
    }

    void abiertaDesdeLaListaDelDia()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA");
        e.visita(7, hoy(), "15:45", true, "DESDE LA LISTA");
        QVERIFY(e.crearVentanas());
        QString visto;
        e.guiones["FormDatosCita"] = [&](Ventana* v) {
            visto = control<QLabel>("DBText1")->text() + " " + observacion()->text() + " "
                    + estado();
            v->reject();
            return int(QDialog::Rejected);
        };
        auto* lista = hijo<Rejilla>(Form1, "DBGrid1");
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {},
                           lista->visualRect(lista->model()->index(0, 2)).center());
        QCOMPARE(visto, QString("MARTA DESDE LA LISTA 11M-0-"));
    }
};

CLINORA_TEST_MAIN(TestDatosCita)
#include "tst_datoscita.moc"
