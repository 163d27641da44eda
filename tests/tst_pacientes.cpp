// Patient search and patient record: the search tables and their resets, prefix and code
// matching, the order, the hand-off to the record; the record's loading and its "Aplicar
// Cambios" states, save, delete, booking and the two paths of a history double-click, and the
// refreshes the other windows get.
#include "app/traspasos.h"
#include "db/reloj.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/esquema.h"
#include "db/orden.h"
#include "db/sql.h"
#include "tests/support/entorno.h"
#include "ui/common/desplegable.h"
#include "ui/common/estilo.h"
#include "ui/common/rejilla.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString kPreguntaGuardar = QStringLiteral("¿Desea guardar las modificaciones?");
const QString kGuardado = QStringLiteral("¡Datos modificados correctamente!");
const QString kPreguntaBaja = QStringLiteral(
    "Si da de baja un paciente, se perderán todos sus datos así como todo su historial de "
    "visitas, ¿desea borrar los datos del paciente permanentemente del programa?");
const QString kBorrado = QStringLiteral("¡Datos de paciente borrados de manera satisfactoria!");

// --- search ---
Desplegable* buscarPor() { return hijo<Desplegable>(FormBuscar, "ComboBox1"); }
Desplegable* ordenarPor() { return hijo<Desplegable>(FormBuscar, "ComboBox2"); }
QLineEdit* texto() { return hijo<QLineEdit>(FormBuscar, "Edit1"); }
Rejilla* resultados() { return hijo<Rejilla>(FormBuscar, "DBGrid1"); }

// The codes the result grid lists, top to bottom.
QList<int> codigos()
{
    QList<int> lista;
    DataSet* datos = FormBuscar->ADODataSetBuscarPaciente;
    for (datos->first(); !datos->eof(); datos->next())
        lista << datos->fieldByName("codigo").toInt();
    datos->first();
    return lista;
}

// --- record ---
QLineEdit* caja(int n) { return hijo<QLineEdit>(FormDatos, QStringLiteral("DBEdit%1").arg(n)); }
QPushButton* botonDatos(const char* nombre) { return hijo<QPushButton>(FormDatos, nombre); }
QPushButton* aplicar() { return botonDatos("BitBtn3"); }
Rejilla* historial() { return hijo<Rejilla>(FormDatos, "DBGrid1"); }

QStringList fechasHistorial()
{
    QStringList fechas;
    DataSet* datos = FormDatos->ADODataSet2;
    for (datos->first(); !datos->eof(); datos->next())
        fechas << datos->fieldByName("fecha").toString();
    datos->first();
    return fechas;
}

int abrirFicha(Entorno& e, int codigo, std::function<void()> guion)
{
    FormDatos->CodigoPaciente = codigo;
    return e.abrir(FormDatos, std::move(guion));
}

// A whole patient as the record shows him, for a direct check of what is stored.
QStringList filaPaciente(Entorno& e, int codigo)
{
    QStringList fila;
    const QStringList columnas = {"nombre", "apellido1", "apellido2", "dni", "tlf1",
                                  "tlf2", "direccion", "poblacion", "provincia", "sociedad",
                                  "comentario", "fecha_alta", "nombre_orden",
                                  "apellido1_orden", "apellido2_orden"};
    for (const QString& c : columnas)
        fila << e.valor(QStringLiteral("SELECT %1 FROM Paciente WHERE codigo = ?").arg(c),
                        {codigo})
                    .toString();
    return fila;
}

QString hoyTexto()
{
    return reloj::hoy().toString("dd/MM/yyyy");
}

}  // namespace

class TestPacientes : public QObject {
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------- search
    void buscarVentanaConSusTextos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QCOMPARE(FormBuscar->windowTitle(), QString("Clinora 1.1 - Buscar Datos de Paciente"));
        QCOMPARE(hijo<QLabel>(FormBuscar, "Panel2")->text(),
                 QString("BUSCAR DATOS DE PACIENTE"));
        QCOMPARE(hijo<QToolButton>(FormBuscar, "Image3")->toolTip(), QString("Ayuda."));
        const QStringList entradas = {"Primer Apellido", "Segundo Apellido", "Nombre", "Código"};
        for (Desplegable* caja : {buscarPor(), ordenarPor()}) {
            QStringList lista;
            for (int i = 0; i < caja->count(); ++i)
                lista << caja->itemText(i);
            QCOMPARE(lista, entradas);
            QVERIFY(caja->isEditable());
        }
        QCOMPARE(buscarPor()->currentText(), QString("Primer Apellido"));
        QCOMPARE(ordenarPor()->currentText(), QString("Código"));
        // The arrow keys move on from the entry shown.
        QCOMPARE(ordenarPor()->currentIndex(), 3);
        QCOMPARE(hijo<QPushButton>(FormBuscar, "BitBtn2")->text(), QString("&Buscar"));
        QCOMPARE(hijo<QPushButton>(FormBuscar, "BitBtn1")->text(), QString("Cancelar"));
        QVERIFY(hijo<QWidget>(FormBuscar, "PanelColocaOrdenar")->isAncestorOf(ordenarPor()));
        QStringList etiquetas;
        for (const QLabel* l : FormBuscar->findChildren<QLabel*>()) {
            if (l->buddy())
                etiquetas << l->text() + "=" + l->buddy()->objectName();
        }
        etiquetas.sort();
        QCOMPARE(etiquetas, (QStringList{"Buscar por:=ComboBox1", "Ordenar por:=ComboBox2"}));

        QStringList titulos;
        QList<int> anchos;
        QList<int> alineaciones;
        for (int c = 0; c < resultados()->model()->columnCount(); ++c) {
            titulos << resultados()->model()->headerData(c, Qt::Horizontal).toString();
            anchos << resultados()->columnWidth(c);
            alineaciones << (resultados()->modelo()->columnas().at(c).alineacion
                             & Qt::AlignHorizontal_Mask);
        }
        QCOMPARE(titulos, (QStringList{"Código", "Primer Apellido", "Segundo Apellido", "Nombre",
                                       "Teléfono"}));
        QCOMPARE(anchos, (QList<int>{64, 150, 150, 150, 100}));
        QCOMPARE(alineaciones, (QList<int>{Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignLeft,
                                           Qt::AlignLeft, Qt::AlignHCenter}));
        // Open and empty from the start.
        QVERIFY(FormBuscar->ADODataSetBuscarPaciente->isActive());
        QCOMPARE(resultados()->model()->rowCount(), 0);
        QVERIFY(FormBuscar->width() <= 1024 && FormBuscar->height() <= 768);
    }

    void buscarTabulacionYNombres()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QStringList orden;
        QWidget* w = texto();
        do {
            const bool parte = w->focusProxy() && w->focusProxy()->isAncestorOf(w);
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !parte
                && !w->objectName().startsWith("qt_") && w->objectName() != "ComboBox1"
                && w->objectName() != "ComboBox2") {
                orden << w->objectName();
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
            // An editable box takes the focus in its text, which belongs to it.
            if (auto* box = qobject_cast<QComboBox*>(w->parentWidget()))
                if (!orden.contains(box->objectName()) && w == box->lineEdit())
                    orden << box->objectName();
            w = w->nextInFocusChain();
        } while (w != texto() && orden.size() < 40);
        QCOMPARE(orden, (QStringList{"Edit1", "BitBtn2", "ComboBox2", "DBGrid1", "BitBtn1",
                                     "Image3", "ComboBox1"}));
        QCOMPARE(buscarPor()->accessibleName(), QString("Buscar por"));
        QCOMPARE(ordenarPor()->accessibleName(), QString("Ordenar por"));
    }

    void buscar_data()
    {
        QTest::addColumn<QString>("por");
        QTest::addColumn<QString>("tecleado");
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QList<int>>("esperados");
        QTest::addColumn<QString>("porQueda");

        QTest::addRow("vacío, todos por código")
            << "Primer Apellido" << "" << "Código" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                                                                 12, 19, 20, 100, 123, 1000}
            << "Primer Apellido";
        QTest::addRow("GARC por código")
            << "Primer Apellido" << "GARC" << "Código" << QList<int>{1, 3, 123} << "Primer Apellido";
        QTest::addRow("GARCÍ con su acento")
            << "Primer Apellido" << "GARCÍ" << "Código" << QList<int>{1, 3, 123}
            << "Primer Apellido";
        QTest::addRow("GARCI sin acento encuentra GARCÍA")
            << "Primer Apellido" << "GARCI" << "Código" << QList<int>{1, 3, 123}
            << "Primer Apellido";
        QTest::addRow("en minúsculas y sin acentos")
            << "Primer Apellido" << "alvarez" << "Código" << QList<int>{7} << "Primer Apellido";
        QTest::addRow("nombre angel encuentra ÁNGEL")
            << "Nombre" << "angel" << "Código" << QList<int>{9} << "Nombre";
        QTest::addRow("NUN no encuentra NÚÑEZ")
            << "Primer Apellido" << "NUN" << "Código" << QList<int>{} << "Primer Apellido";
        QTest::addRow("nuñ encuentra NÚÑEZ")
            << "Primer Apellido" << "nuñ" << "Código" << QList<int>{6} << "Primer Apellido";
        QTest::addRow("ñ encuentra ÑÚÑEZ")
            << "Primer Apellido" << "ñ" << "Código" << QList<int>{8} << "Primer Apellido";
        QTest::addRow("primer apellido en español")
            << "Primer Apellido" << "" << "Primer Apellido"
            << QList<int>{5, 7, 10, 2, 1, 3, 123, 19, 20, 100, 6, 8, 4, 9, 12, 1000}
            << "Primer Apellido";
        QTest::addRow("código 1 como texto")
            << "Código" << "1" << "Código" << QList<int>{1, 10, 12, 19, 100, 123, 1000}
            << "Código";
        QTest::addRow("código 12")
            << "Código" << "12" << "Código" << QList<int>{12, 123} << "Código";
        QTest::addRow("código 100 por nombre")
            << "Código" << "100" << "Nombre" << QList<int>{1000, 100} << "Código";
        QTest::addRow("código con letras no encuentra")
            << "Código" << "A" << "Código" << QList<int>{} << "Código";
        QTest::addRow("nombre AN")
            << "Nombre" << "AN" << "Código" << QList<int>{1, 2, 9} << "Nombre";
        QTest::addRow("segundo apellido L")
            << "Segundo Apellido" << "L" << "Segundo Apellido" << QList<int>{1}
            << "Segundo Apellido";
        QTest::addRow("segundo apellido vacío, todos en español")
            << "Segundo Apellido" << "" << "Segundo Apellido"
            << QList<int>{4, 5, 6, 7, 8, 9, 10, 12, 19, 20, 100, 123, 1000, 3, 1, 2}
            << "Segundo Apellido";
        QTest::addRow("comilla")
            << "Primer Apellido" << "O'" << "Código" << QList<int>{4} << "Primer Apellido";
        QTest::addRow("comillas dobles")
            << "Primer Apellido" << "\"" << "Código" << QList<int>{5} << "Primer Apellido";
        QTest::addRow("subrayado no es comodín")
            << "Primer Apellido" << "GAR_" << "Código" << QList<int>{} << "Primer Apellido";
        QTest::addRow("por cien no es comodín")
            << "Primer Apellido" << "%" << "Código" << QList<int>{} << "Primer Apellido";
        QTest::addRow("por cien tal cual")
            << "Primer Apellido" << "GÓMEZ%" << "Código" << QList<int>{100} << "Primer Apellido";
        QTest::addRow("Ñ no empieza por N")
            << "Primer Apellido" << "N" << "Primer Apellido" << QList<int>{6} << "Primer Apellido";
        QTest::addRow("texto del buscar-por en minúsculas")
            << "primer apellido" << "NÚ" << "Código" << QList<int>{6} << "Primer Apellido";
        QTest::addRow("texto desconocido en buscar-por")
            << "Nombres" << "GARC" << "Código" << QList<int>{1, 3, 123} << "Primer Apellido";
    }

    void buscar()
    {
        QFETCH(QString, por);
        QFETCH(QString, tecleado);
        QFETCH(QString, orden);
        QFETCH(QList<int>, esperados);
        QFETCH(QString, porQueda);
        Entorno e;
        e.paciente(1, "GARCÍA", "ANA", "LÓPEZ");
        e.paciente(2, "DÍAZ", "ANTONIO", "RUIZ");
        e.paciente(3, "GARCÍA", "JUAN", "BLANCO");
        e.paciente(4, "O'BRIEN", "SEÁN", "");
        e.paciente(5, "\"MORA\"", "LUIS", "");
        e.paciente(6, "NÚÑEZ", "EVA", "");
        e.paciente(7, "ÁLVAREZ", "RUTH", "");
        e.paciente(8, "ÑÚÑEZ", "EVA", "");
        e.paciente(9, "ORTIZ", "ÁNGEL", "");
        e.paciente(10, "CANO", "PAZ", "");
        e.paciente(12, "PÉREZ", "ROSA", "");
        e.paciente(19, "GÓMEZ", "IRIS", "");
        e.paciente(20, "GÓMEZ", "IVÁN", "");
        e.paciente(100, "GÓMEZ%", "LUZ", "");
        e.paciente(123, "GARCÍA", "ZOE", "");
        e.paciente(1000, "ZAPATA", "BEA", "");
        QVERIFY(e.crearVentanas());
        e.abrir(FormBuscar, [&] {
            texto()->setText(tecleado);
            ordenarPor()->fijarTexto(orden);
            buscarPor()->fijarTexto(por);
            FormBuscar->ComboBox1Change();
            QCOMPARE(codigos(), esperados);
            QCOMPARE(buscarPor()->currentText(), porQueda);
            // Nobody found is said in the window, not left to an empty grid.
            auto* ninguno = hijo<QLabel>(FormBuscar, "LabelNinguno");
            QCOMPARE(!ninguno->isHidden(), esperados.isEmpty());
            if (esperados.isEmpty())
                QCOMPARE(ninguno->accessibleName(),
                         QString("Ningún paciente empieza por «%1» (%2).")
                             .arg(tecleado, porQueda.toLower()));
        });
    }

    void ordenPorDesplegable_data()
    {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QString>("campo");
        QTest::addColumn<QString>("queda");
        QTest::addRow("Código") << "Código" << "codigo" << "Código";
        QTest::addRow("Nombre") << "Nombre" << "nombre" << "Nombre";
        QTest::addRow("Segundo Apellido") << "Segundo Apellido" << "apellido2" << "Segundo Apellido";
        QTest::addRow("Primer Apellido") << "Primer Apellido" << "apellido1" << "Primer apellido";
        QTest::addRow("código en minúsculas") << "código" << "apellido1" << "Primer apellido";
        QTest::addRow("vacío") << "" << "apellido1" << "Primer apellido";
    }

    void ordenPorDesplegable()
    {
        QFETCH(QString, orden);
        QFETCH(QString, campo);
        QFETCH(QString, queda);
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.abrir(FormBuscar, [&] {
            ordenarPor()->setEditText(orden);
            QCOMPARE(FormBuscar->CampoOrden, campo);
            QCOMPARE(ordenarPor()->currentText(), queda);
        });
    }

    void cambiosDeLosDesplegablesBuscanAlMomento()
    {
        Entorno e;
        e.paciente(1, "GARCÍA", "MARÍA");
        e.paciente(2, "MARTÍN", "ANA", "BLANCO");
        e.paciente(3, "MARTÍN", "MARCOS", "ALONSO");
        QVERIFY(e.crearVentanas());
        e.abrir(FormBuscar, [&] {
            texto()->setText("MAR");
            // Picking an entry runs the search at once with the text already typed.
            elegir(buscarPor(), "Nombre");
            QCOMPARE(codigos(), (QList<int>{1, 3}));
            elegir(ordenarPor(), "Segundo Apellido");
            QCOMPARE(FormBuscar->CampoOrden, QString("apellido2"));
            QCOMPARE(codigos(), (QList<int>{3, 1}));
            // A letter typed into the search-by box matches no entry: the first surname is
            // searched and the box is put back.
            buscarPor()->lineEdit()->selectAll();
            teclear(buscarPor()->lineEdit(), "x");
            QCOMPARE(buscarPor()->currentText(), QString("Primer Apellido"));
            QCOMPARE(codigos(), (QList<int>{3, 2}));
            // The same in the order box, which is put back with a small a.
            ordenarPor()->lineEdit()->selectAll();
            teclear(ordenarPor()->lineEdit(), "z");
            QCOMPARE(ordenarPor()->currentText(), QString("Primer apellido"));
            QCOMPARE(FormBuscar->CampoOrden, QString("apellido1"));
            elegir(ordenarPor(), "Primer Apellido");
            QCOMPARE(ordenarPor()->currentText(), QString("Primer apellido"));
            // Enter in the text box runs the same search as the button.
            texto()->setText("GAR");
            QTest::keyClick(texto(), Qt::Key_Return);
            QCOMPARE(codigos(), (QList<int>{1}));
            texto()->setText("");
            hijo<QPushButton>(FormBuscar, "BitBtn2")->click();
            QCOMPARE(codigos(), (QList<int>{1, 2, 3}));
        });
    }

    void escapeCierraLaBusqueda()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        bool cerrada = false;
        e.abrir(FormBuscar, [&] {
            const auto c = connect(FormBuscar, &QDialog::finished, [&] { cerrada = true; });
            QTest::keyClick(FormBuscar, Qt::Key_Escape);
            disconnect(c);
        });
        QVERIFY(cerrada);
    }

    void reabrirConservaTextosResultadosYOrden()
    {
        Entorno e;
        e.paciente(1, "GARCÍA", "ZOE");
        e.paciente(2, "GARCÍA", "ANA");
        QVERIFY(e.crearVentanas());
        e.abrir(FormBuscar, [&] {
            texto()->setText("GAR");
            elegir(ordenarPor(), "Nombre");
            QCOMPARE(codigos(), (QList<int>{2, 1}));
        });
        e.abrir(FormBuscar, [&] {
            QCOMPARE(ordenarPor()->currentText(), QString("Nombre"));
            QCOMPARE(texto()->text(), QString("GAR"));
            QCOMPARE(codigos(), (QList<int>{2, 1}));
            QVERIFY(FormBuscar->ADODataSetBuscarPaciente->isActive());
            // The next search orders as the box says.
            FormBuscar->BitBtn2Click();
            QCOMPARE(codigos(), (QList<int>{2, 1}));
        });
    }

    void dobleClicAbreLaFichaYVolverConservaElOrden()
    {
        Entorno e;
        e.paciente(1, "GARCÍA", "ZOE");
        e.paciente(2, "GARCÍA", "ANA");
        QVERIFY(e.crearVentanas());
        int abierto = 0;
        e.guiones["FormDatos"] = [&](Ventana*) {
            abierto = FormDatos->CodigoPaciente;
            return int(QDialog::Rejected);
        };
        e.abrir(FormBuscar, [&] {
            // Nothing listed: nothing opens.
            FormBuscar->DBGrid1DblClick();
            QVERIFY(!e.abiertas.contains("FormDatos"));
            elegir(ordenarPor(), "Nombre");
            resultados()->setCurrentIndex(resultados()->model()->index(1, 0));
            QTest::keyClick(resultados(), Qt::Key_Return);
            QCOMPARE(abierto, 1);
            QCOMPARE(FormBuscar->CampoOrden, QString("nombre"));
        });
    }

    // ---------------------------------------------------------------- record
    void fichaVentanaConSusTextos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QCOMPARE(FormDatos->windowTitle(), QString("Clinora 1.1 - Datos del Paciente"));
        QCOMPARE(hijo<QLabel>(FormDatos, "Panel2")->text(), QString("DATOS DEL PACIENTE"));
        QVERIFY(hijo<QLabel>(FormDatos, "Panel3")->text().startsWith(
            "HISTORIAL DE CITAS DEL PACIENTE "));
        QCOMPARE(hijo<QGroupBox>(FormDatos, "GroupBox1")->title(),
                 QString("Datos del Paciente"));
        QStringList etiquetas;
        for (int n = 1; n <= 13; ++n) {
            for (const QLabel* l : FormDatos->findChildren<QLabel*>()) {
                if (l->buddy() == caja(n))
                    etiquetas << l->text();
            }
            QCOMPARE(caja(n)->accessibleName(), etiquetas.constLast());
        }
        QCOMPARE(etiquetas, (QStringList{"Fecha de alta:", "Nombre:", "Primer apellido:",
                                         "Segundo apellido:", "DNI:", "Telf. de contacto:",
                                         "Tel. alternativo", "Dirección:", "Población:",
                                         "Provincia:", "Aseguradora:", "Comentario:",
                                         "Código de paciente:"}));
        QVERIFY(caja(1)->isReadOnly() && caja(1)->isEnabled());
        QVERIFY(caja(13)->isReadOnly() && !caja(13)->isEnabled());
        for (int n = 2; n <= 12; ++n)
            QVERIFY(!caja(n)->isReadOnly() && caja(n)->isEnabled());
        QList<int> largos;
        for (int n = 1; n <= 13; ++n)
            largos << caja(n)->maxLength();
        QCOMPARE(largos, (QList<int>{10, 40, 40, 40, 15, 20, 20, 80, 40, 40, 40, 200, 11}));

        const QList<QPair<QString, QString>> botones = {
            {"&Nueva Cita", "Fija una nueva cita para este paciente."},
            {"Aplicar Cambios", "Guarda las modificaciones realizadas en los datos del paciente."},
            {"&Baja Paciente", "Da de baja el paciente del programa perdiendo toda su información "
                               "y su historial de visitas. "},
            {"&Cancelar", "Salir de datos del paciente."}};
        const char* nombres[] = {"BitBtn2", "BitBtn3", "BitBtn4", "BitBtn1"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(botonDatos(nombres[i])->text(), botones.at(i).first);
            QCOMPARE(botonDatos(nombres[i])->toolTip(), botones.at(i).second);
        }
        QVERIFY(!aplicar()->isEnabled());

        QStringList titulos;
        QList<int> anchos;
        for (int c = 0; c < historial()->model()->columnCount(); ++c) {
            titulos << historial()->model()->headerData(c, Qt::Horizontal).toString();
            anchos << historial()->columnWidth(c);
        }
        QCOMPARE(titulos, (QStringList{"Fecha", "Hora", "Observación"}));
        QCOMPARE(anchos, (QList<int>{70, 64, 160}));
        QVERIFY(FormDatos->width() <= 1024 && FormDatos->height() <= 768);
        // Escape does not throw the typing away: only the buttons close.
        QVERIFY(!FormDatos->findChildren<QPushButton*>().isEmpty());
    }

    void fichaTabulacion()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        // "Aplicar Cambios" takes the focus only while there is something to save.
        caja(2)->setText("X");
        QStringList sinNombre;
        const QStringList orden = ordenDeTabulacion(caja(2), &sinNombre);
        QCOMPARE(sinNombre, QStringList());
        QCOMPARE(orden, (QStringList{"DBEdit2", "DBEdit3", "DBEdit4", "DBEdit5", "DBEdit6",
                                     "DBEdit7", "DBEdit8", "DBEdit9", "DBEdit10", "DBEdit11",
                                     "DBEdit12", "DBEdit1", "DBGrid1", "BitBtn2", "BitBtn3",
                                     "BitBtn4", "BitBtn1", "Image3"}));
    }

    void aperturaCargaYQuedaSinCambios()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA", "GIL");
        e.visita(7, "02/03/2026", "16:30");
        QVERIFY(e.crearVentanas());
        QVERIFY(!FormDatos->abierta());
        abrirFicha(e, 7, [&] {
            QVERIFY(FormDatos->abierta());
            QStringList textos;
            for (int n = 1; n <= 13; ++n)
                textos << caja(n)->text();
            QCOMPARE(textos, (QStringList{"01/01/2026", "MARTA", "RUIZ", "GIL", "", "600000000",
                                          "", "", "", "", "", "", "7"}));
            QVERIFY(!aplicar()->isEnabled());
            QCOMPARE(FormDatos->focusWidget(), caja(2));
            QCOMPARE(fechasHistorial(), QStringList{"02/03/2026"});
            // One letter in any box is a change to save.
            teclear(caja(10), "s");
            QCOMPARE(caja(10)->text(), QString("S"));
            QVERIFY(aplicar()->isEnabled());
            QCOMPARE(aplicar()->cursor().shape(), Qt::PointingHandCursor);
        });
        // Closing from the title bar asks nothing and closes both datasets.
        QVERIFY(e.textos.isEmpty());
        QVERIFY(!FormDatos->ADODataSet1->isActive());
        QVERIFY(!FormDatos->ADODataSet2->isActive());
        QCOMPARE(e.valor("SELECT provincia FROM Paciente WHERE codigo = 7").toString(), QString());
    }

    void guardarConNoRestaura()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA", "GIL");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            caja(2)->setText("MARÍA");
            caja(12)->setText("ALERGIA");
            e.respuestas = {0};
            aplicar()->click();
            QCOMPARE(e.textos, QStringList{kPreguntaGuardar});
            QCOMPARE(e.tipos.constFirst(), mensajes::Tipo::Confirmacion);
            QCOMPARE(caja(2)->text(), QString("MARTA"));
            QCOMPARE(caja(12)->text(), QString());
            QVERIFY(!aplicar()->isEnabled());
            QCOMPARE(aplicar()->cursor().shape(), Qt::ArrowCursor);
        });
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 7").toString(),
                 QString("MARTA"));
    }

    void guardarEscribeLasOnceColumnasYRefresca()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA", "GIL");
        e.paciente(8, "RUIZ", "PEPE", "GIL");
        e.visita(7, hoyTexto(), "16:30");
        QVERIFY(e.crearVentanas());
        e.abrir(FormBuscar, [&] {
            texto()->setText("RUIZ");
            FormBuscar->BitBtn2Click();
            QCOMPARE(codigos(), (QList<int>{7, 8}));
            abrirFicha(e, 7, [&] {
                const QStringList nuevos = {"ÁNGELA", "ÑÚÑEZ", "D'ARCY \"LA\"", "1234%_",
                                            "611", "622", "C/ MAYOR, 1", "ÉCIJA", "SEVILLA",
                                            "ADESLAS", "NOTA; DROP TABLE PACIENTE"};
                for (int i = 0; i < nuevos.size(); ++i)
                    caja(i + 2)->setText(nuevos.at(i));
                aplicar()->click();
                QCOMPARE(e.textos, (QStringList{kPreguntaGuardar, kGuardado}));
                QCOMPARE(e.tipos.constLast(), mensajes::Tipo::Informacion);
                QVERIFY(!aplicar()->isEnabled());
                const QStringList esperada =
                    nuevos + QStringList{"01/01/2026", orden::clave("ÁNGELA"),
                                         orden::clave("ÑÚÑEZ"), orden::clave("D'ARCY \"LA\"")};
                QCOMPARE(filaPaciente(e, 7), esperada);
                QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente WHERE codigo = 7").toInt(), 1);
                // The main day list, its quick view and the search behind show the new name
                // at once.
                QCOMPARE(Form1->ADODataSetCitas->fieldByName("apellido1").toString(),
                         QString("ÑÚÑEZ"));
                QCOMPARE(Form1->ADODataSet1->fieldByName("apellido1").toString(),
                         QString("ÑÚÑEZ"));
                QCOMPARE(codigos(), (QList<int>{8}));
                // The boxes keep what was typed, which is now what is stored.
                QCOMPARE(caja(3)->text(), QString("ÑÚÑEZ"));
            });
        });
        // The other patient is untouched.
        QCOMPARE(filaPaciente(e, 8).mid(0, 3), (QStringList{"PEPE", "RUIZ", "GIL"}));
    }

    // A receptionist who saves and goes on pressing Enter: the focus is back in the first box,
    // never on "Baja Paciente"; the same after a No that restores.
    void guardarConTeclasDejaElFocoEnNombre()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA", "GIL");
        e.visita(7, hoyTexto(), "16:30");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            caja(3)->end(false);
            teclear(caja(3), "Z");
            aplicar()->setFocus();
            e.responderConEnter([&] {
                QTest::keyClick(aplicar(), Qt::Key_Return);
                QCOMPARE(FormDatos->focusWidget(), caja(2));
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(FormDatos->focusWidget(), Qt::Key_Return);
            });
            QCOMPARE(e.textos, (QStringList{kPreguntaGuardar, kGuardado}));
            teclear(caja(3), "Z");
            aplicar()->setFocus();
            e.respuestas = {0};
            QTest::keyClick(aplicar(), Qt::Key_Return);
            QCOMPARE(FormDatos->focusWidget(), caja(2));
        });
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente WHERE codigo = 7").toString(),
                 QString("RUIZZ"));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
    }

    // Enter alone on any deletion question keeps the data: the real box, its default button.
    void enterNoBorra_data()
    {
        QTest::addColumn<QString>("ventana");
        QTest::addRow("paciente") << "FormDatos";
        QTest::addRow("cita") << "FormDatosCita";
    }
    void enterNoBorra()
    {
        QFETCH(QString, ventana);
        Entorno e;
        e.paciente(7);
        e.visita(7, "01/02/2026", "16:30");
        QVERIFY(e.crearVentanas());
        FormDatos->CodigoPaciente = 7;
        FormDatosCita->CodigoPaciente = 7;
        FormDatosCita->FechaCita = "01/02/2026";
        Ventana* v = ventana == "FormDatos" ? static_cast<Ventana*>(FormDatos) : FormDatosCita;
        e.abrir(v, [&] {
            auto* baja = hijo<QPushButton>(v, "BitBtn4");
            baja->setFocus();
            e.responderConEnter([&] { QTest::keyClick(baja, Qt::Key_Return); });
            QCOMPARE(e.textos.size(), 1);
        });
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 1);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
    }

    void guardarPacienteDesaparecidoLoDice()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA", "GIL");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            caja(2)->setText("MARÍA");
            e.exec("DELETE FROM Paciente WHERE codigo = 7");
            aplicar()->click();
            QCOMPARE(e.textos.size(), 2);
            QVERIFY(!e.textos.at(1).contains("correctamente"));
            QCOMPARE(e.textos.at(1),
                     QString("ERROR: El paciente con código 7 ya no existe en la base de datos; "
                             "no se ha guardado ningún cambio."));
            QCOMPARE(caja(2)->text(), QString());
            QVERIFY(!aplicar()->isEnabled());
        });
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 0);
    }

    void cajasLimitadasSinCortarLoGuardado()
    {
        Entorno e;
        e.paciente(7, QString(60, 'A'), "MARTA", "GIL");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            // A text stored longer than the box takes is shown whole.
            QCOMPARE(caja(3)->text(), QString(60, 'A'));
            caja(2)->clear();
            teclear(caja(2), QString(45, 'b'));
            QCOMPARE(caja(2)->text(), QString(40, 'B'));
            aplicar()->click();
        });
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente WHERE codigo = 7").toString(),
                 QString(60, 'A'));
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 7").toString(),
                 QString(40, 'B'));
    }

    void historialDelMasNuevoAlMasViejo()
    {
        Entorno e;
        e.paciente(7);
        e.paciente(8);
        e.visita(7, "31/01/2008", "16:30");
        e.visita(7, "30/12/2008", "15:00");
        e.visita(7, "01/01/2009", "18:00");
        e.visita(7, "15/06/2009", "17:15");
        e.visita(7, "02/01/2009", "15:45", true);
        e.visita(8, "03/01/2009", "15:45");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            QCOMPARE(fechasHistorial(), (QStringList{"15/06/2009", "02/01/2009", "01/01/2009",
                                                     "30/12/2008", "31/01/2008"}));
            // Unpaid past visits in red, the paid one in the normal colour.
            const QAbstractItemModel* m = historial()->model();
            QCOMPARE(m->data(m->index(0, 2), Qt::ForegroundRole).value<QColor>(), estilo::kRojo);
            QVERIFY(!m->data(m->index(1, 0), Qt::ForegroundRole).isValid());
            QCOMPARE(m->data(m->index(4, 1), Qt::ForegroundRole).value<QColor>(), estilo::kRojo);
        });
    }

    void borrarConNoNoBorra()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, hoyTexto(), "16:30");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            e.respuestas = {0};
            botonDatos("BitBtn4")->click();
            QCOMPARE(e.textos, QStringList{kPreguntaBaja});
            QVERIFY(FormDatos->abierta());
        });
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 1);
    }

    void borrarQuitaPacienteYVisitasYRefresca()
    {
        Entorno e;
        e.paciente(7, "RUIZ");
        e.paciente(8, "RUIZ");
        e.visita(7, hoyTexto(), "16:30");
        e.visita(7, "01/01/2020", "16:30");
        e.visita(8, hoyTexto(), "17:15");
        QVERIFY(e.crearVentanas());
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 2);
        int resultado = -1;
        e.abrir(FormBuscar, [&] {
            texto()->setText("RUIZ");
            FormBuscar->BitBtn2Click();
            resultado = abrirFicha(e, 7, [&] {
                // Changes pending do not stop a deletion.
                caja(2)->setText("OTRO");
                botonDatos("BitBtn4")->click();
            });
            QCOMPARE(codigos(), QList<int>{8});
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        QCOMPARE(e.textos, (QStringList{kPreguntaBaja, kBorrado}));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente WHERE codigo = 7").toInt(), 0);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita WHERE codigo = 7").toInt(), 0);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
        // The main day list and the quick view of today lose the visit.
        QCOMPARE(Form1->ADODataSetCitas->model()->rowCount(), 1);
        QCOMPARE(Form1->ADODataSet1->model()->rowCount(), 1);
        QVERIFY(!FormDatos->abierta());
        QVERIFY(!aplicar()->isEnabled());
    }

    void borrarCierraLaCitaDeDebajo()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, hoyTexto(), "16:30");
        QVERIFY(e.crearVentanas());
        bool citaCerrada = false;
        // The visit's record, its "Ver datos completos", and there "Baja Paciente".
        e.alAbrir("FormDatos", [&] { botonDatos("BitBtn4")->click(); });
        e.alAbrir("FormDatosCita", [&] {
            const auto c = connect(FormDatosCita, &QDialog::finished, [&] { citaCerrada = true; });
            hijo<QPushButton>(FormDatosCita, "BitBtn6")->click();
            disconnect(c);
        });
        abrir::datosCita(7, hoyTexto());
        QCOMPARE(e.abiertas, (QStringList{"FormDatosCita", "FormDatos"}));
        QVERIFY(citaCerrada);
        QCOMPARE(e.textos.constLast(), kBorrado);
    }

    // Another desk saved the patient after this record loaded him: the later save (or delete)
    // is refused, nothing of it stored, and the record shows what the other desk stored.
    void cambiadoEnOtroPuesto_data()
    {
        QTest::addColumn<bool>("borrando");
        QTest::addRow("guardar") << false;
        QTest::addRow("borrar") << true;
    }
    void cambiadoEnOtroPuesto()
    {
        QFETCH(bool, borrando);
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA", "GIL");
        e.visita(7, "01/02/2026", "15:00");
        QVERIFY(e.crearVentanas());
        QSqlDatabase otro = e.otroPuesto("otro-puesto");
        abrirFicha(e, 7, [&] {
            comando::ejecutar({"UPDATE Paciente SET tlf1 = '611222333' WHERE codigo = 7", {}},
                              otro);
            caja(2)->setText("MARÍA");
            if (borrando) {
                e.respuestas = {1};
                botonDatos("BitBtn4")->click();
            } else {
                aplicar()->click();
            }
            QCOMPARE(e.textos.constLast(),
                     QStringLiteral("ERROR: Los datos del paciente con código 7 se han cambiado "
                                    "desde otro puesto después de abrirlos aquí; no se ha %1. Se "
                                    "muestran los datos guardados ahora.")
                         .arg(borrando ? "borrado nada" : "guardado ningún cambio"));
            QVERIFY(FormDatos->abierta());
            QCOMPARE(caja(2)->text(), QString("MARTA"));
            QCOMPARE(caja(6)->text(), QString("611222333"));
            QVERIFY(!aplicar()->isEnabled());
        });
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 7").toString(),
                 QString("MARTA"));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
        otro = QSqlDatabase();
        esquema::cerrar("otro-puesto");
    }

    void borrarPacienteDesaparecidoLoDice()
    {
        Entorno e;
        e.paciente(7);
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            e.exec("DELETE FROM Paciente WHERE codigo = 7");
            botonDatos("BitBtn4")->click();
            QCOMPARE(e.textos.constLast(),
                     QString("ERROR: El paciente con código 7 ya no existe en la base de datos; "
                             "no se ha borrado nada."));
            QVERIFY(FormDatos->abierta());
            QCOMPARE(caja(2)->text(), QString());
        });
    }

    void nuevaCitaOfreceGuardarYCierra()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA");
        QVERIFY(e.crearVentanas());
        int codigoReserva = 0;
        QStringList textosAlReservar;
        e.guiones["FormNuevaCita"] = [&](Ventana*) {
            codigoReserva = FormNuevaCita->CodigoPaciente;
            textosAlReservar = e.textos;
            return int(QDialog::Rejected);
        };
        const int resultado = abrirFicha(e, 7, [&] {
            caja(2)->setText("MARÍA");
            botonDatos("BitBtn2")->click();
        });
        QCOMPARE(codigoReserva, 7);
        QCOMPARE(textosAlReservar, (QStringList{kPreguntaGuardar, kGuardado}));
        QCOMPARE(resultado, int(QDialog::Accepted));
        QVERIFY(!FormDatos->abierta());
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 7").toString(),
                 QString("MARÍA"));
    }

    void cancelarOfreceGuardar()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            botonDatos("BitBtn1")->click();
        });
        QVERIFY(e.textos.isEmpty());
        abrirFicha(e, 7, [&] {
            caja(2)->setText("MARÍA");
            e.respuestas = {0};
            botonDatos("BitBtn1")->click();
        });
        QCOMPARE(e.textos, QStringList{kPreguntaGuardar});
        QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = 7").toString(),
                 QString("MARTA"));
        QVERIFY(!FormDatos->abierta());
    }

    void dobleClicEnHistorialAbreLaCita()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, "01/02/2026", "16:30");
        e.visita(7, "01/03/2026", "17:15");
        QVERIFY(e.crearVentanas());
        int codigo = 0;
        QString fecha;
        e.guiones["FormDatosCita"] = [&](Ventana*) {
            codigo = FormDatosCita->CodigoPaciente;
            fecha = FormDatosCita->FechaCita;
            return int(QDialog::Rejected);
        };
        abrirFicha(e, 7, [&] {
            // The second row, with a change pending that the user declines to save: the visit
            // opened is still the one chosen.
            historial()->setCurrentIndex(historial()->model()->index(1, 0));
            caja(2)->setText("MARÍA");
            e.respuestas = {0};
            QTest::keyClick(historial(), Qt::Key_Return);
            QCOMPARE(e.textos, QStringList{kPreguntaGuardar});
            QCOMPARE(e.abiertas.constLast(), QString("FormDatosCita"));
            // Back from the appointment record, this window is still open and clean.
            QVERIFY(FormDatos->abierta());
            QVERIFY(!aplicar()->isEnabled());
        });
        QCOMPARE(codigo, 7);
        QCOMPARE(fecha, QString("01/02/2026"));
    }

    void dobleClicConLaCitaDebajoLaReapunta()
    {
        Entorno e;
        e.paciente(7);
        e.visita(7, "01/02/2026", "16:30");
        e.visita(7, "01/03/2026", "17:15");
        QVERIFY(e.crearVentanas());
        int resultado = -1;
        // The visit's record, its "Ver datos completos", and there the other visit.
        e.alAbrir("FormDatos", [&] {
            const auto c = connect(FormDatos, &QDialog::finished, [&](int r) { resultado = r; });
            elegirFila(historial(), 0, "01/02/2026");
            QTest::keyClick(historial(), Qt::Key_Return);
            disconnect(c);
        });
        e.alAbrir("FormDatosCita", [&] {
            hijo<QPushButton>(FormDatosCita, "BitBtn6")->click();
            QCOMPARE(FormDatosCita->FechaCita, QString("01/02/2026"));
            QCOMPARE(FormDatosCita->CodigoPaciente, 7);
        });
        abrir::datosCita(7, "01/03/2026");
        // No second appointment record: the one beneath was re-pointed.
        QCOMPARE(e.abiertas, (QStringList{"FormDatosCita", "FormDatos"}));
        QCOMPARE(resultado, int(QDialog::Accepted));
    }

    void dobleClicEnHistorialVacioNoAbreNada()
    {
        Entorno e;
        e.paciente(7);
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] { FormDatos->DBGrid1DblClick(); });
        QCOMPARE(e.abiertas, QStringList{"FormDatos"});
    }

    void mostrarPacienteReapunta()
    {
        Entorno e;
        e.paciente(7, "RUIZ", "MARTA");
        e.paciente(8, "GIL", "PEPE");
        e.visita(8, "05/05/2025", "15:00");
        QVERIFY(e.crearVentanas());
        abrirFicha(e, 7, [&] {
            caja(2)->setText("X");
            FormDatos->mostrarPaciente(8);
            QCOMPARE(FormDatos->CodigoPaciente, 8);
            QCOMPARE(caja(2)->text(), QString("PEPE"));
            QCOMPARE(caja(13)->text(), QString("8"));
            QCOMPARE(fechasHistorial(), QStringList{"05/05/2025"});
            QVERIFY(!aplicar()->isEnabled());
            QCOMPARE(aplicar()->cursor().shape(), Qt::ArrowCursor);
        });
    }
};

CLINORA_TEST_MAIN(TestPacientes)
#include "tst_pacientes.moc"
