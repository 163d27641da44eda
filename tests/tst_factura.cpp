// The printed invoice: amounts and dates in words, the practice's header from clinora.ini, the
// page written to PDF and read back (size, one page, every text at its place, nothing
// overlapping whatever the values), the text-fitting of the shared page painter, and the
// print preview opened and closed by script.
#include "db/consulta.h"
#include "db/nif.h"
#include "reports/Unit7.h"
#include "reports/letras.h"
#include "reports/pagina.h"
#include "tests/support/entorno.h"
#include "tests/support/pdf.h"
#include "tests/support/vistaprevia.h"

#include <QAction>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>

Q_DECLARE_METATYPE(DatosFactura)

namespace {

// Where the page's bands begin, in millimetres from the paper's top-left corner.
constexpr double kMargen = 10.0;
constexpr double kDetalle = kMargen + 26.2;
constexpr double kResumen = kDetalle + 86.8;
constexpr double kDerechaBanda = kMargen + 161.9;
constexpr double kAbajoPagina = 257.0 - kMargen;

DatosFactura ejemplo()
{
    DatosFactura d;
    d.nombre = QStringLiteral("ANA MARÍA");
    d.apellido1 = QStringLiteral("GARCÍA");
    d.apellido2 = QStringLiteral("LÓPEZ");
    d.cantidad = 100;
    d.numeroFactura = QStringLiteral("7-01022026");
    d.fecha = QStringLiteral("01/02/2026");
    return d;
}

const QByteArray kIniPrueba = QStringLiteral(
    "[Consulta]\n"
    "Nombre=Dr. Íñigo Peña Ruiz\n"
    "Titulo=Médico especialista en Pediatría\n"
    "Colegiado=46/4612345\n"
    "NIF=87654321X\n"
    "Direccion=C/ Colón, 12\n"
    "Poblacion=46004 - València\n"
    "Telefono=963 00 00 00\n").toUtf8();

QString repetido(const QString& trozo, int largo)
{
    QString s;
    while (s.size() < largo)
        s += trozo;
    return s.left(largo);
}

}  // namespace

class TstFactura : public QObject {
    Q_OBJECT

private slots:
    void importeEnLetras_data()
    {
        QTest::addColumn<int>("euros");
        QTest::addColumn<QString>("letras");
        const QList<QPair<int, const char*>> casos = {
            {0, "CERO EUROS"},
            {1, "UN EURO"},
            {15, "QUINCE EUROS"},
            {16, "DIECISÉIS EUROS"},
            {21, "VEINTIÚN EUROS"},
            {22, "VEINTIDÓS EUROS"},
            {31, "TREINTA Y UN EUROS"},
            {45, "CUARENTA Y CINCO EUROS"},
            {100, "CIEN EUROS"},
            {101, "CIENTO UN EUROS"},
            {111, "CIENTO ONCE EUROS"},
            {150, "CIENTO CINCUENTA EUROS"},
            // Every word of the tens and the hundreds at least once.
            {234, "DOSCIENTOS TREINTA Y CUATRO EUROS"},
            {320, "TRESCIENTOS VEINTE EUROS"},
            {480, "CUATROCIENTOS OCHENTA EUROS"},
            {555, "QUINIENTOS CINCUENTA Y CINCO EUROS"},
            {646, "SEISCIENTOS CUARENTA Y SEIS EUROS"},
            {777, "SETECIENTOS SETENTA Y SIETE EUROS"},
            {868, "OCHOCIENTOS SESENTA Y OCHO EUROS"},
            {500, "QUINIENTOS EUROS"},
            {999, "NOVECIENTOS NOVENTA Y NUEVE EUROS"},
            {1000, "MIL EUROS"},
            {1001, "MIL UN EUROS"},
            {2000, "DOS MIL EUROS"},
            {21000, "VEINTIÚN MIL EUROS"},
            {31021, "TREINTA Y UN MIL VEINTIÚN EUROS"},
            {99999, "NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA Y NUEVE EUROS"},
            {100000, "CIEN MIL EUROS"},
            {1000000, "UN MILLÓN DE EUROS"},
            {2000100, "DOS MILLONES CIEN EUROS"},
        };
        for (const auto& [euros, texto] : casos)
            QTest::addRow("%d", euros) << euros << QString::fromUtf8(texto);
        QTest::addRow("negativo") << -5 << QString();
    }
    void importeEnLetras()
    {
        QFETCH(int, euros);
        QFETCH(QString, letras);
        QCOMPARE(letras::importe(euros), letras);
    }

    // The same words on paper: whole, at the size of the amount in figures, the sentence
    // running on where they need more room, the table where it was, one page.
    void importeImpresoEntero_data()
    {
        QTest::addColumn<int>("euros");
        for (const int euros : {100, 80, 234, 320, 480, 555, 646, 777, 868, 99999})
            QTest::addRow("%d", euros) << euros;
    }
    void importeImpresoEntero()
    {
        QFETCH(int, euros);
        Entorno e;
        QVERIFY(e.crearVentanas());
        DatosFactura d = ejemplo();
        d.cantidad = euros;
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        QVERIFY(ImprimeFactura->guardarPdf(d, ruta));
        const PdfLeido pdf = leerPdf(ruta);
        QCOMPARE(pdf.paginas, 1);
        QCOMPARE(pdf.solapes(), QString());
        QCOMPARE(fraseDelImporte(pdf), QStringLiteral("la cantidad de ") + letras::importe(euros)
                                           + QStringLiteral(", por concepto de Asistencia "
                                                            "Médica, por los servicios que se "
                                                            "indican."));
        const QString cifra = QString::number(euros);
        QCOMPARE(pdf.linea(kDetalle + 40.2), QStringLiteral("Consulta médica %1 .-").arg(cifra));
        const double alto = pdf.caja(cifra, kDetalle + 40.2).height();
        const QList<Palabra> frase =
            pdf.enOrden(kDetalle + 14.8 - 0.5, pdf.caja(QStringLiteral("indican.")).top());
        // The amount's words follow "la cantidad de", as large as its figures.
        const qsizetype enLetra = letras::importe(euros).count(QLatin1Char(' ')) + 1;
        QVERIFY(frase.size() > 3 + enLetra);
        for (qsizetype i = 3; i < 3 + enLetra; ++i)
            QVERIFY2(frase.at(i).caja.height() >= alto - 0.05, qPrintable(frase.at(i).texto));
        for (const Palabra& p : pdf.palabras)
            QVERIFY2(p.caja.right() <= kDerechaBanda + 0.05, qPrintable(p.texto));
    }

    void fechaEnLetras_data()
    {
        QTest::addColumn<QDate>("fecha");
        QTest::addColumn<QString>("letras");
        QTest::addRow("1 de febrero") << QDate(2026, 2, 1)
                                      << QStringLiteral("1 de febrero de 2026");
        QTest::addRow("fin de año") << QDate(2025, 12, 31)
                                    << QStringLiteral("31 de diciembre de 2025");
        QTest::addRow("septiembre") << QDate(2026, 9, 9)
                                    << QStringLiteral("9 de septiembre de 2026");
        QTest::addRow("inválida") << QDate() << QString();
    }
    void fechaEnLetras()
    {
        QFETCH(QDate, fecha);
        QFETCH(QString, letras);
        QCOMPARE(letras::fecha(fecha), letras);
    }

    void lineaFinal_data()
    {
        QTest::addColumn<QString>("poblacion");
        QTest::addColumn<QString>("fecha");
        QTest::addColumn<QString>("linea");
        QTest::addRow("con guion")
            << QStringLiteral("28009 - Madrid") << QStringLiteral("01/02/2026")
            << QStringLiteral("Madrid, a 1 de febrero de 2026");
        QTest::addRow("sin guion")
            << QStringLiteral("46004 València") << QStringLiteral("15/03/2026")
            << QStringLiteral("València, a 15 de marzo de 2026");
        QTest::addRow("sin población") << QString() << QStringLiteral("01/02/2026")
                                       << QStringLiteral("1 de febrero de 2026");
        QTest::addRow("fecha ilegible")
            << QStringLiteral("28009 - Madrid") << QStringLiteral("2026-02-01")
            << QStringLiteral("Madrid, a 2026-02-01");
    }
    void lineaFinal()
    {
        QFETCH(QString, poblacion);
        QFETCH(QString, fecha);
        QFETCH(QString, linea);
        DatosConsulta c;
        c.poblacion = poblacion;
        DatosFactura d = ejemplo();
        d.fecha = fecha;
        QCOMPARE(TImprimeFactura::lineaFinal(d, c), linea);
    }

    void leerConsulta()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("clinora.ini"));
        // An unquoted comma, a quoted one with a semicolon, accents, a missing key.
        QVERIFY(escribirFichero(ruta, QStringLiteral("; comentario\n[Consulta]\n"
                                      "Nombre=Dra. Núñez\n"
                                      "Direccion=C/ Mayor, 5\n"
                                      "Titulo=\"Médico; internista, cardióloga\"\n"
                                      "Telefono=  91 000 00 00  \n"
                                      "[Otro]\nNIF=NO\n").toUtf8()));
        const DatosConsulta c = consulta::leer(ruta);
        QCOMPARE(c.nombre, QStringLiteral("Dra. Núñez"));
        QCOMPARE(c.direccion, QStringLiteral("C/ Mayor, 5"));
        QCOMPARE(c.titulo, QStringLiteral("Médico; internista, cardióloga"));
        QCOMPARE(c.telefono, QStringLiteral("91 000 00 00"));
        QCOMPARE(c.nif, QString());
        QCOMPARE(c.colegiado, QString());

        const DatosConsulta vacia = consulta::leer(dir.filePath(QStringLiteral("no-existe.ini")));
        QCOMPARE(vacia.nombre, QString());
        QCOMPARE(vacia.poblacion, QString());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no-existe.ini"))));
    }

    void rutaJuntoABaseDatos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QCOMPARE(consulta::rutaActual(), e.carpeta() + QStringLiteral("/clinora.ini"));
        QCOMPARE(consulta::rutaJuntoA(QStringLiteral("/a/b/clinora.mdb")),
                 QStringLiteral("/a/b/clinora.ini"));
    }

    void demoNuncaSobrescribe()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("clinora.ini"));
        QVERIFY(consulta::escribirDemo(ruta));
        const DatosConsulta c = consulta::leer(ruta);
        QVERIFY(!c.nombre.isEmpty());
        QVERIFY(c.direccion.startsWith(QStringLiteral("C/")));
        QVERIFY(c.poblacion.contains(QStringLiteral(" - ")));
        QVERIFY(!c.colegiado.isEmpty() && !c.nif.isEmpty() && !c.telefono.isEmpty());
        QCOMPARE(c.direccion, QStringLiteral("C/ Alcalá, 123, 2º B"));

        QVERIFY(escribirFichero(ruta, kIniPrueba));
        QVERIFY(!consulta::escribirDemo(ruta));
        QCOMPARE(leerFichero(ruta), kIniPrueba);
    }

    // The control character of Spanish tax numbers.
    void nifControl_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("estado");
        QTest::addColumn<QString>("tipo");
        using nif::Estado;
        QTest::addRow("DNI válido") << "12345678Z" << int(Estado::Valido) << "DNI";
        QTest::addRow("DNI con puntos, guion y minúscula")
            << " 12.345.678-z " << int(Estado::Valido) << "DNI";
        QTest::addRow("DNI de letra errónea") << "12345678A" << int(Estado::ControlIncorrecto)
                                              << "DNI";
        QTest::addRow("DNI de ceros") << "00000000T" << int(Estado::Valido) << "DNI";
        QTest::addRow("NIE X válido") << "X1234567L" << int(Estado::Valido) << "NIE";
        QTest::addRow("NIE Y válido") << "Y1234567X" << int(Estado::Valido) << "NIE";
        QTest::addRow("NIE Z de letra errónea") << "Z1234567A" << int(Estado::ControlIncorrecto)
                                                << "NIE";
        QTest::addRow("NIF K válido") << "K1234567L" << int(Estado::Valido) << "NIF";
        QTest::addRow("CIF de cifra válido") << "B12345674" << int(Estado::Valido) << "CIF";
        QTest::addRow("CIF de cifra erróneo") << "B12345675" << int(Estado::ControlIncorrecto)
                                              << "CIF";
        QTest::addRow("CIF de letra válido") << "P1234567D" << int(Estado::Valido) << "CIF";
        QTest::addRow("CIF de letra con cifra") << "P12345674" << int(Estado::ControlIncorrecto)
                                                << "CIF";
        QTest::addRow("CIF de uno u otro") << "G12345674" << int(Estado::Valido) << "CIF";
        QTest::addRow("forma desconocida") << "1234Z" << int(Estado::FormaDesconocida) << "";
        QTest::addRow("vacío") << "  " << int(Estado::Vacio) << "";
    }
    void nifControl()
    {
        QFETCH(QString, texto);
        QFETCH(int, estado);
        QFETCH(QString, tipo);
        const nif::Comprobacion c = nif::comprobar(texto);
        QCOMPARE(int(c.estado), estado);
        QCOMPARE(c.tipo, tipo);
        // A warning for what is written and wrong, nothing otherwise.
        const bool valido = estado == int(nif::Estado::Valido) || estado == int(nif::Estado::Vacio);
        QCOMPARE(nif::aviso(texto).isEmpty(), valido);
        if (estado == int(nif::Estado::ControlIncorrecto))
            QVERIFY(nif::aviso(texto).contains(QStringLiteral("«%1»").arg(c.esperado)));
    }

    // The practice's data written back: hostile values read back as written, every other line
    // of the file (comments, other sections, keys of its own) as it was.
    void guardarConsulta()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("clinora.ini"));
        const QByteArray antes = QStringLiteral(
            "; Datos de la consulta\n[Servidor]\nNombre=servidor-1\n\n[Consulta]\n"
            "; el nombre tal como se firma\nNombre=Dr. Viejo\nOtra=se queda\nNombre=Repetido\n"
            "\n[Copias]\nCarpeta=/srv/copias\n").toUtf8();
        QVERIFY(escribirFichero(ruta, antes));
        DatosConsulta d;
        d.nombre = QStringLiteral("Dra. Ñúñez; \"la de siempre\", hija");
        d.titulo = QStringLiteral("@Pediatra \\ alergóloga");
        d.colegiado = QStringLiteral("28/2812345");
        d.nif = QStringLiteral("12345678Z");
        d.direccion = QStringLiteral("C/ Alcalá, 123 = 2º B # fondo");
        d.poblacion = QStringLiteral("28009 - Madrid");
        d.telefono = QString();
        d.exencion = QString();
        d.numeracion = DatosConsulta::Numeracion::Correlativa;
        QCOMPARE(consulta::guardar(ruta, d), QString());
        const DatosConsulta leido = consulta::leer(ruta);
        QCOMPARE(leido.nombre, d.nombre);
        QCOMPARE(leido.titulo, d.titulo);
        QCOMPARE(leido.colegiado, d.colegiado);
        QCOMPARE(leido.nif, d.nif);
        QCOMPARE(leido.direccion, d.direccion);
        QCOMPARE(leido.poblacion, d.poblacion);
        QCOMPARE(leido.telefono, QString());
        // Written empty: no exemption line, not the default one.
        QCOMPARE(leido.exencion, QString());
        QCOMPARE(leido.numeracion, DatosConsulta::Numeracion::Correlativa);
        const QString texto = QString::fromUtf8(leerFichero(ruta));
        for (const char* linea : {"; Datos de la consulta", "[Servidor]", "Nombre=servidor-1",
                                  "; el nombre tal como se firma", "Otra=se queda", "[Copias]",
                                  "Carpeta=/srv/copias", "[Facturas]", "Numeracion=correlativa"})
            QVERIFY2(texto.contains(QString::fromUtf8(linea)), linea);
        QVERIFY(!texto.contains(QStringLiteral("Repetido")));
        QVERIFY(!texto.contains(QStringLiteral("Dr. Viejo")));
        // Saved again with the design's numbering: the same line changes, none is added.
        d.numeracion = DatosConsulta::Numeracion::PacienteFecha;
        QCOMPARE(consulta::guardar(ruta, d), QString());
        const QString otra = QString::fromUtf8(leerFichero(ruta));
        QCOMPARE(otra.count(QStringLiteral("Numeracion=")), 1);
        QCOMPARE(otra.count(QStringLiteral("[Consulta]")), 1);
        QCOMPARE(consulta::leer(ruta).numeracion, DatosConsulta::Numeracion::PacienteFecha);
        // A file that did not exist is made.
        const QString nuevo = dir.filePath(QStringLiteral("nuevo.ini"));
        QCOMPARE(consulta::guardar(nuevo, d), QString());
        QCOMPARE(consulta::leer(nuevo).nombre, d.nombre);
    }

    // "Datos de la consulta": the boxes named as their labels, a wrong NIF warned of and kept
    // when the practice says so, Cancelar asking before dropping a change, the rest of the file
    // left as it was.
    void ventanaDatosConsulta()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        const QString ini = e.carpeta() + QStringLiteral("/clinora.ini");
        QVERIFY(escribirFichero(ini, "; mis datos\n[Consulta]\nNombre=Dra. Ruiz\n"));
        bool cerrada = false;
        e.guiones.insert(QStringLiteral("FormDatosConsulta"), [&](Ventana* v) {
            connect(v, &QDialog::finished, v, [&] { cerrada = true; });
            const QList<QPair<const char*, QString>> cajas = {
                {"EditNombre", "Nombre"},   {"EditTitulo", "Título"},
                {"EditColegiado", "Nº de colegiado"}, {"EditNif", "NIF"},
                {"EditDireccion", "Dirección"}, {"EditPoblacion", "Población"},
                {"EditTelefono", "Teléfono"}, {"EditExencion", "Exención de IVA"}};
            for (const auto& [nombre, etiqueta] : cajas)
                [&] { QCOMPARE(hijo<QLineEdit>(v, nombre)->accessibleName(), etiqueta); }();
            [&] {
                QCOMPARE(hijo<QLineEdit>(v, "EditNombre")->text(), QStringLiteral("Dra. Ruiz"));
                QCOMPARE(hijo<QLineEdit>(v, "EditExencion")->text(), consulta::kExencionPorDefecto);
                QVERIFY(hijo<QRadioButton>(v, "RadioPacienteFecha")->isChecked());
                QVERIFY(v->size().width() <= 1024 && v->size().height() <= 768);
            }();
            QTest::keyClicks(hijo<QLineEdit>(v, "EditNif"), "12345678A");
            QTest::keyClick(hijo<QRadioButton>(v, "RadioCorrelativa"), Qt::Key_Space);
            // A wrong letter: warned; No goes back to the box, nothing written.
            e.respuestas = {0};
            QTest::keyClick(hijo<QPushButton>(v, "BitBtnGuardar"), Qt::Key_Space);
            [&] {
                QVERIFY2(e.textos.last().contains("su carácter de control debería ser «Z»"),
                         qPrintable(e.textos.last()));
                QVERIFY(!cerrada);
                QVERIFY(consulta::leer(ini).nif.isEmpty());
            }();
            // Cancelar with a change asks; its Cancel stays.
            e.respuestas = {-1};
            QTest::keyClick(hijo<QPushButton>(v, "BitBtnCancelar"), Qt::Key_Space);
            [&] {
                QCOMPARE(e.tipos.last(), mensajes::Tipo::Eleccion);
                QVERIFY(!cerrada);
            }();
            // Kept as written when the practice says so.
            e.respuestas = {1};
            QTest::keyClick(hijo<QPushButton>(v, "BitBtnGuardar"), Qt::Key_Space);
            return v->result();
        });
        Form1->BitBtn7Click();
        QCOMPARE(e.abiertas, QStringList{QStringLiteral("FormDatosConsulta")});
        QVERIFY(cerrada);
        QCOMPARE(e.textos.last(), QStringLiteral("¡Datos de la consulta guardados correctamente!"));
        const DatosConsulta c = consulta::leer(ini);
        QCOMPARE(c.nif, QStringLiteral("12345678A"));
        QCOMPARE(c.nombre, QStringLiteral("Dra. Ruiz"));
        QCOMPARE(c.numeracion, DatosConsulta::Numeracion::Correlativa);
        QVERIFY(leerFichero(ini).startsWith("; mis datos\n[Consulta]\n"));
    }

    // "Imprimir Factura" without the practice's name or NIF names what is missing and offers to
    // fill it in; cancelling prints nothing.
    void avisoSinNombreONif_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("falta");
        QTest::addRow("sin fichero") << QByteArray() << "falta el nombre y el NIF";
        QTest::addRow("sin NIF") << QByteArray("[Consulta]\nNombre=Dra. Ruiz\n") << "falta el NIF";
        QTest::addRow("NIF vacío") << QByteArray("[Consulta]\nNombre=Dra. Ruiz\nNIF=\n")
                                   << "falta el NIF";
        QTest::addRow("sin nombre") << QByteArray("[Consulta]\nNIF=12345678Z\n")
                                    << "falta el nombre,";
    }
    void avisoSinNombreONif()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, falta);
        Entorno e;
        e.paciente(7);
        e.visita(7, QStringLiteral("01/02/2026"), QStringLiteral("15:00"), true);
        e.exec("UPDATE Visita SET factura = 1, cantidad = 100");
        QVERIFY(e.crearVentanas());
        if (!ini.isEmpty())
            QVERIFY(escribirFichero(e.carpeta() + QStringLiteral("/clinora.ini"), ini));
        FormDatosCita->CodigoPaciente = 7;
        FormDatosCita->FechaCita = QStringLiteral("01/02/2026");
        e.abrir(FormDatosCita, [&] {
            e.respuestas = {-1};
            hijo<QPushButton>(FormDatosCita, "BitBtn5")->click();
        });
        QCOMPARE(e.textos.size(), 1);
        QVERIFY2(e.textos.first().contains(falta), qPrintable(e.textos.first()));
        QVERIFY(e.textos.first().contains(QStringLiteral("¿Desea completarlos ahora?")));
        QCOMPARE(e.tipos.first(), mensajes::Tipo::Eleccion);
        QVERIFY(!e.abiertas.contains(QStringLiteral("FormDatosConsulta")));
    }

    // The page as a patient receives it: size, one page, every text at its millimetre place.
    void paginaEnPdf()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QVERIFY(escribirFichero(e.carpeta() + QStringLiteral("/clinora.ini"), kIniPrueba));
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        QVERIFY(ImprimeFactura->guardarPdf(ejemplo(), ruta));

        const PdfLeido pdf = leerPdf(ruta);
        QCOMPARE(pdf.paginas, 1);
        QCOMPARE(qRound(pdf.tamanoPt.width()), 516);
        QCOMPARE(qRound(pdf.tamanoPt.height()), 729);

        // Header: caption and number; identity on the left, address ending at 121 mm.
        QCOMPARE(pdf.linea(kMargen), QStringLiteral("Núm. 7-01022026"));
        QCOMPARE(pdf.linea(kMargen + 8.5),
                 QStringLiteral("Dr. Íñigo Peña Ruiz C/ Colón, 12"));
        QCOMPARE(pdf.linea(kMargen + 12.7),
                 QStringLiteral("Médico especialista en Pediatría 46004 - València"));
        QCOMPARE(pdf.linea(kMargen + 16.9),
                 QStringLiteral("Col. Nº 46/4612345 Teléfono: 963 00 00 00"));
        QCOMPARE(pdf.linea(kMargen + 21.2), QStringLiteral("N.I.F. 87654321X"));
        // Receipt.
        QCOMPARE(pdf.linea(kDetalle + 8.5),
                 QStringLiteral("He recibido de D/Dña. ANA MARÍA GARCÍA LÓPEZ"));
        QCOMPARE(pdf.linea(kDetalle + 14.8),
                 QStringLiteral("la cantidad de CIEN EUROS , por concepto de Asistencia Médica,"));
        QCOMPARE(pdf.linea(kDetalle + 21.2), QStringLiteral("por los servicios que se indican."));
        QCOMPARE(pdf.linea(kDetalle + 40.2), QStringLiteral("Consulta médica 100 .-"));
        QCOMPARE(pdf.linea(kResumen + 5.3), QStringLiteral("València, a 1 de febrero de 2026"));
        // No Exencion key: the exemption of a doctor's services, under the table.
        QCOMPARE(pdf.linea(kDetalle + 87.0 + 0.8, 0.6),
                 QStringLiteral("Operación exenta de IVA (art. 20.Uno.3º de la Ley 37/1992)"));
        QVERIFY(qAbs(pdf.caja(QStringLiteral("Operación")).left() - (kMargen + 10.6)) < 0.3);

        struct Sitio {
            const char* texto;
            double x, y;
        };
        const QList<Sitio> sitios = {
            {"Núm.", 86.8, 0.0},           {"Dr.", 8.5, 8.5},     {"Médico", 8.5, 12.7},
            {"Col.", 8.5, 16.9},           {"N.I.F.", 8.5, 21.2}, {"He", 16.9, 26.2 + 8.5},
            {"la", 6.3, 26.2 + 14.8},      {"CIEN", 31.8, 26.2 + 14.8},
            {",", 55.0, 26.2 + 14.8},      {"por", 6.3, 26.2 + 21.2},
            {"100", 95.2, 26.2 + 40.2},    {"València,", 19.1, 26.2 + 86.8 + 5.3},
        };
        for (const Sitio& s : sitios) {
            const QString texto = QString::fromUtf8(s.texto);
            const QRectF c = pdf.caja(texto, kMargen + s.y);
            QVERIFY2(!c.isNull(), qPrintable(texto));
            QVERIFY2(qAbs(c.left() - (kMargen + s.x)) < 0.3,
                     qPrintable(texto + QStringLiteral(" en x=") + QString::number(c.left())));
        }
        // The payer's name at 55.6 mm, clear of the words before it; the amount at 31.8 mm.
        const QRectF ana = pdf.caja(QStringLiteral("ANA"), kDetalle + 8.5);
        QVERIFY(qAbs(ana.left() - (kMargen + 55.6)) < 0.1);
        QVERIFY(ana.left() > pdf.caja(QStringLiteral("D/Dña."), kDetalle + 8.5).right() + 0.4);
        const QRectF cien = pdf.caja(QStringLiteral("CIEN"), kDetalle + 14.8);
        QVERIFY(qAbs(cien.left() - (kMargen + 31.8)) < 0.1);
        // The address column ends together at 121 mm from the band's edge.
        for (const auto& [palabra, y] : QList<QPair<QString, double>>{
                 {QStringLiteral("12"), 8.5}, {QStringLiteral("València"), 12.7},
                 {QStringLiteral("00"), 16.9}}) {
            double derecha = 0;
            for (const Palabra& p : pdf.palabras) {
                if (qAbs(p.caja.top() - (kMargen + y)) < 0.4)
                    derecha = std::max(derecha, p.caja.right());
            }
            QVERIFY2(qAbs(derecha - (kMargen + 121.0)) < 0.3, qPrintable(palabra));
        }
        // The table's headings: CONCEPTO spaced out over the wide column, EUROS centred over
        // the narrow one.
        const double yTitulos = kDetalle + 29.6 + 2.2;
        QCOMPARE(pdf.linea(yTitulos), QStringLiteral("C O N C E P T O EUROS"));
        const QRectF c1 = pdf.caja(QStringLiteral("C"), yTitulos);
        const QRectF o1 = pdf.caja(QStringLiteral("O"), yTitulos);
        QVERIFY(o1.left() - c1.right() > 1.0);
        const QRectF euros = pdf.caja(QStringLiteral("EUROS"), yTitulos);
        QVERIFY(qAbs(euros.center().x() - (kMargen + (92.6 + 118.8) / 2)) < 0.3);
        QVERIFY(euros.right() < kMargen + 118.8);
        QCOMPARE(pdf.solapes(), QString());
    }

    // The table is drawn, not pasted: its rules land where the millimetres say on any device.
    void tablaEnCualquierResolucion_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addRow("pantalla") << 96.0;
        QTest::addRow("impresora") << 300.0;
    }
    void tablaEnCualquierResolucion()
    {
        QFETCH(double, dpi);
        const QSizeF b5(182, 257);
        QImage img(qRound(pagina::pixeles(b5.width(), dpi)),
                   qRound(pagina::pixeles(b5.height(), dpi)), QImage::Format_RGB32);
        img.setDotsPerMeterX(qRound(dpi / 0.0254));
        img.setDotsPerMeterY(qRound(dpi / 0.0254));
        img.fill(Qt::white);
        {
            QPainter p(&img);
            const double m = pagina::pixeles(10, dpi);
            TImprimeFactura::pintar(p, QRectF(m, m, img.width() - 2 * m, img.height() - 2 * m), dpi,
                                    ejemplo(), DatosConsulta{});
        }
        // A thin rule may fall between two pixels at screen resolution: the darkest of the
        // pixels around the point counts.
        auto oscuro = [&](double xMm, double yMm) {
            const int cx = qRound(pagina::pixeles(xMm, dpi));
            const int cy = qRound(pagina::pixeles(yMm, dpi));
            int minimo = 255;
            for (int dx = -1; dx <= 1; ++dx) {
                for (int dy = -1; dy <= 1; ++dy)
                    minimo = std::min(minimo, img.pixelColor(cx + dx, cy + dy).lightness());
            }
            return minimo < 128;
        };
        const double x0 = kMargen + 10.6, y0 = kDetalle + 29.6;
        QVERIFY(oscuro(x0 + 20, y0));              // top rule
        QVERIFY(oscuro(x0, y0 + 30));              // left rule
        QVERIFY(oscuro(x0 + 108.2, y0 + 30));      // right rule
        QVERIFY(oscuro(x0 + 20, y0 + 57.4));       // bottom rule
        QVERIFY(oscuro(kMargen + 92.6, y0 + 30));  // the line between the columns
        QVERIFY(!oscuro(x0 + 20, y0 - 2));         // clear outside the box
        QVERIFY(!oscuro(x0 - 2, y0 + 30));
        QVERIFY(!oscuro(kMargen + 105, y0 + 30)); // nothing below the amount
    }

    // Whatever the values, one page, everything inside its room, nothing overlapping.
    void siempreUnaPagina_data()
    {
        QTest::addColumn<DatosFactura>("datos");
        QTest::addColumn<bool>("conIni");
        DatosFactura largo = ejemplo();
        largo.nombre = repetido(QStringLiteral("MARÍA JOSÉ "), 300);
        QTest::addRow("nombre de 300 letras") << largo << true;
        DatosFactura palabra = ejemplo();
        palabra.nombre = repetido(QStringLiteral("W"), 300);
        QTest::addRow("una palabra de 300 letras") << palabra << true;
        DatosFactura importe = ejemplo();
        importe.cantidad = 99999;
        QTest::addRow("99999 euros") << importe << true;
        DatosFactura escrito = ejemplo();
        escrito.importeEnLetra = repetido(QStringLiteral("OCHOCIENTOS "), 300);
        escrito.numeroFactura = repetido(QStringLiteral("9"), 200);
        escrito.fecha = repetido(QStringLiteral("X"), 200);
        QTest::addRow("todo larguísimo") << escrito << true;
        QTest::addRow("todo vacío") << DatosFactura{} << false;
    }
    void siempreUnaPagina()
    {
        QFETCH(DatosFactura, datos);
        QFETCH(bool, conIni);
        Entorno e;
        QVERIFY(e.crearVentanas());
        if (conIni) {
            const QString largo = repetido(QStringLiteral("Consulta "), 300);
            QVERIFY(escribirFichero(e.carpeta() + QStringLiteral("/clinora.ini"),
                     (QStringLiteral("[Consulta]\n") + QStringLiteral("Nombre=%1\nTitulo=%1\n"
                                                                      "Colegiado=%1\nNIF=%1\n"
                                                                      "Direccion=%1\n"
                                                                      "Poblacion=%1\n"
                                                                      "Telefono=%1\n")
                                                           .arg(largo))
                         .toUtf8()));
        }
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        QVERIFY(ImprimeFactura->guardarPdf(datos, ruta));
        const PdfLeido pdf = leerPdf(ruta);
        QCOMPARE(pdf.paginas, 1);
        QCOMPARE(pdf.solapes(), QString());
        for (const Palabra& p : pdf.palabras) {
            QVERIFY2(p.caja.left() >= kMargen - 0.05 && p.caja.right() <= kDerechaBanda + 0.05,
                     qPrintable(p.texto));
            QVERIFY2(p.caja.top() >= kMargen - 0.05 && p.caja.bottom() <= kAbajoPagina + 0.05,
                     qPrintable(p.texto));
        }
        // A name that does not fit ends in an ellipsis within its room, above the next line.
        const QString nombre = TImprimeFactura::nombreCompleto(datos);
        if (nombre.size() > 100) {
            QString impreso;
            for (const Palabra& p : pdf.palabras) {
                if (p.caja.top() >= kDetalle + 8.5 - 0.3 && p.caja.bottom() <= kDetalle + 14.8
                    && p.caja.left() >= kMargen + 55.6 - 0.05) {
                    QVERIFY(p.caja.right() <= kDerechaBanda + 0.05);
                    impreso += p.texto;
                }
            }
            QVERIFY2(impreso.endsWith(QStringLiteral("…")), qPrintable(impreso));
            QVERIFY(impreso.size() > 40);   // cut, but not to nothing
        }
        // The words after the amount follow it whole, however long it is.
        const QString frase = fraseDelImporte(pdf);
        QVERIFY2(frase.startsWith(QStringLiteral("la cantidad de "))
                     && frase.endsWith(QStringLiteral(", por concepto de Asistencia Médica, por "
                                                      "los servicios que se indican.")),
                 qPrintable(frase));
    }

    void sinFicheroDeConsulta()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QVERIFY(!QFile::exists(e.carpeta() + QStringLiteral("/clinora.ini")));
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        QVERIFY(ImprimeFactura->guardarPdf(ejemplo(), ruta));
        const PdfLeido pdf = leerPdf(ruta);
        QCOMPARE(pdf.paginas, 1);
        for (const double y : {8.5, 12.7, 16.9, 21.2})
            QCOMPARE(pdf.linea(kMargen + y), QString());
        QCOMPARE(pdf.linea(kMargen), QStringLiteral("Núm. 7-01022026"));
        QCOMPARE(pdf.linea(kResumen + 5.3), QStringLiteral("1 de febrero de 2026"));
        QVERIFY(!pdf.contiene(QStringLiteral("Col.")));
        QVERIFY(!pdf.contiene(QStringLiteral("Teléfono:")));
    }

    // The fixed captions of the header are printed once, whether the practice wrote them or not.
    void prefijosDeCabecera()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QVERIFY(escribirFichero(e.carpeta() + QStringLiteral("/clinora.ini"),
                 QStringLiteral("[Consulta]\nColegiado=Col. Nº 28/1\nNIF=n.i.f. 1Z\n"
                                "Telefono=91 000\n").toUtf8()));
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        QVERIFY(ImprimeFactura->guardarPdf(ejemplo(), ruta));
        const PdfLeido pdf = leerPdf(ruta);
        QCOMPARE(pdf.linea(kMargen + 16.9), QStringLiteral("Col. Nº 28/1 Teléfono: 91 000"));
        QCOMPARE(pdf.linea(kMargen + 21.2), QStringLiteral("n.i.f. 1Z"));
        QCOMPARE(pdf.linea(kMargen + 8.5), QString());
    }

    // The amount in words the user wrote wins over the written-out figure, in capitals.
    void importeEscritoEnMayusculas()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        DatosFactura d = ejemplo();
        d.cantidad = 80;
        d.importeEnLetra = QStringLiteral("ochenta euros");
        QCOMPARE(TImprimeFactura::importeEnLetra(d), QStringLiteral("OCHENTA EUROS"));
        d.importeEnLetra.clear();
        QCOMPARE(TImprimeFactura::importeEnLetra(d), QStringLiteral("OCHENTA EUROS"));
        d.cantidad = 150;
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        QVERIFY(ImprimeFactura->guardarPdf(d, ruta));
        const PdfLeido pdf = leerPdf(ruta);
        // Longer than the form's 23 mm: the sentence runs on, nothing cut.
        QCOMPARE(fraseDelImporte(pdf),
                 QStringLiteral("la cantidad de CIENTO CINCUENTA EUROS, por concepto de "
                                "Asistencia Médica, por los servicios que se indican."));
        QCOMPARE(pdf.linea(kDetalle + 40.2), QStringLiteral("Consulta médica 150 .-"));
        QCOMPARE(ImprimeFactura->datos().cantidad, 150);
    }

    void rutaImposible()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        const QString ruta = e.carpeta() + QStringLiteral("/no/hay/f.pdf");
        QVERIFY(!ImprimeFactura->guardarPdf(ejemplo(), ruta));
    }

    // The shared fitting: its own size, smaller, two lines, then cut, never out of its box.
    void ajusteDeTextos_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<double>("alto");
        QTest::addColumn<int>("lineas");
        QTest::addColumn<bool>("encoge");
        QTest::addColumn<bool>("cortado");
        QTest::addRow("cabe") << QStringLiteral("CIEN EUROS") << 0.0 << 1 << false << false;
        QTest::addRow("encoge") << QStringLiteral("DOSCIENTOS EUROS") << 0.0 << 1 << true << false;
        QTest::addRow("dos líneas") << QStringLiteral("CIENTO CINCUENTA EUROS") << 6.2 << 2 << true
                                    << false;
        QTest::addRow("cortado en una")
            << QStringLiteral("CIENTO CINCUENTA Y CINCO EUROS") << 0.0 << 1 << true << true;
        QTest::addRow("cortado en dos")
            << repetido(QStringLiteral("NOVENTA Y NUEVE "), 200) << 6.2 << 2 << true << true;
        QTest::addRow("vacío") << QString() << 6.2 << 0 << false << false;
    }
    void ajusteDeTextos()
    {
        QFETCH(QString, texto);
        QFETCH(double, alto);
        QFETCH(int, lineas);
        QFETCH(bool, encoge);
        QFETCH(bool, cortado);
        const double dpi = 600;
        QImage img(10, 10, QImage::Format_RGB32);
        img.setDotsPerMeterX(qRound(dpi / 0.0254));
        img.setDotsPerMeterY(qRound(dpi / 0.0254));
        QPainter p(&img);
        pagina::Pagina pg(p, QRectF(0, 0, 1000, 1000), dpi);
        const pagina::Letra letra{10, true};
        const pagina::Caja caja{0, 0, 23.2, alto};
        const pagina::Ajuste a = pg.ajustar(texto, letra, caja);
        QCOMPARE(a.lineas.size(), lineas);
        QCOMPARE(a.puntos < letra.puntos, encoge);
        QCOMPARE(a.cortado, cortado);
        QVERIFY(a.puntos >= pagina::kPuntosMinimos);
        pagina::Letra usada = letra;
        usada.puntos = a.puntos;
        for (const QString& l : a.lineas)
            QVERIFY2(pg.ancho(l, usada) <= caja.ancho + 1e-6, qPrintable(l));
        if (cortado)
            QVERIFY(a.lineas.last().endsWith(QStringLiteral("…")));
        else
            QCOMPARE(a.lineas.join(QLatin1Char(' ')), texto.simplified());
    }

    // A smaller paper chosen in the preview: the invoice shrinks to it, whole, on one page.
    void paginaElegidaEnLaVistaPrevia()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QVERIFY(escribirFichero(e.carpeta() + QStringLiteral("/clinora.ini"), kIniPrueba));
        const QString ruta = e.carpeta() + QStringLiteral("/factura.pdf");
        const QPageLayout a5(QPageSize(QPageSize::A5), QPageLayout::Portrait,
                             QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        QVERIFY(enVistaPrevia([] { ImprimeFactura->mostrar(ejemplo()); },
                              [&](QPrintPreviewDialog* vista) {
                                  cambiarPagina(vista, a5);
                                  imprimirEnPdf(vista, ruta);
                              }));
        const PdfLeido pdf = leerPdf(ruta);
        QCOMPARE(pdf.paginas, 1);
        QCOMPARE(pdf.tamanoPt.toSize(), QSize(420, 595));
        const QRectF dentro = QRectF(0, 0, 148, 210).marginsRemoved(QMarginsF(10, 10, 10, 10));
        for (const Palabra& p : pdf.palabras)
            QVERIFY2(dentro.contains(p.caja), qPrintable(p.texto));
        for (const char* texto : {"7-01022026", "Teléfono:", "EUROS", "Médica,", "100", "2026"})
            QVERIFY2(pdf.contiene(texto), texto);
        QCOMPARE(pdf.solapes(), QString());
    }

    // The preview: B5 portrait, one page painted, the window's caption; closed by script.
    void vistaPrevia()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        QString titulo;
        int paginas = -1;
        QPageLayout formato;
        int sinFoco = 0;
        QString imprimir;
        const auto mirar = [&](QPrintPreviewDialog* d) {
            titulo = d->windowTitle();
            paginas = d->findChild<QPrintPreviewWidget*>()->pageCount();
            formato = d->printer()->pageLayout();
            for (QToolButton* b : d->findChildren<QToolButton*>())
                sinFoco += b->focusPolicy() == Qt::NoFocus;
            for (QAction* a : d->findChildren<QAction*>()) {
                if (a->shortcut() == QKeySequence(QKeySequence::Print))
                    imprimir = a->text();
            }
        };
        const bool vista = enVistaPrevia([] { ImprimeFactura->mostrar(ejemplo()); }, mirar);
        QVERIFY(vista);
        QCOMPARE(titulo, QStringLiteral("Clinora 1.1 -  Imprimir Factura"));
        QCOMPARE(paginas, 1);
        QCOMPARE(formato.pageSize().id(), QPageSize::JisB5);
        QCOMPARE(formato.orientation(), QPageLayout::Portrait);
        QCOMPARE(formato.margins(QPageLayout::Millimeter), QMarginsF(10, 10, 10, 10));
        QCOMPARE(ImprimeFactura->datos().numeroFactura, QStringLiteral("7-01022026"));
        QVERIFY(e.textos.isEmpty());
        // Keyboard: every toolbar button takes Tab, Ctrl+P prints, in Spanish.
        QCOMPARE(sinFoco, 0);
        QCOMPARE(imprimir, QStringLiteral("Imprimir"));
    }
};

CLINORA_TEST_MAIN(TstFactura)
#include "tst_factura.moc"
