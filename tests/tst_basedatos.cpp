// The clinic database: schema and constraints, recognising our files, bound values, the
// dataset, backups.
#include "db/reloj.h"
#include "db/comando.h"
#include "db/copia.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/generador.h"
#include "db/sql.h"
#include "db/verificacion.h"
#include "tests/support/entorno.h"

#include <QFile>
#include <QSqlQuery>

namespace {

}  // namespace

class TestBaseDatos : public QObject {
    Q_OBJECT

private slots:
    void nuevaBaseTieneTablaCodigoEnUnoYEsPrivada()
    {
        Entorno e;
        QCOMPARE(e.valor("SELECT codigo FROM tabla_codigo").toInt(), 1);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM tabla_codigo").toInt(), 1);
        QCOMPARE(e.valor("PRAGMA application_id").toInt(), esquema::kApplicationId);
        QCOMPARE(QFile(e.rutaBD()).permissions()
                     & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void crearNoSobrescribe()
    {
        Entorno e;
        e.paciente(1);
        const QByteArray antes = huella(e.rutaBD());
        const QString mensaje = mensajeDe([&] { esquema::crearFichero(e.rutaBD()); });
        QVERIFY2(mensaje.contains("ya existe"), qPrintable(mensaje));
        QCOMPARE(huella(e.rutaBD()), antes);
        QVERIFY(!mensajeDe([&] { generador::crearDemo(e.rutaBD(), QDate(2026, 12, 7)); })
                     .isEmpty());
        QCOMPARE(huella(e.rutaBD()), antes);
    }

    void valoresGuardadosTalCualSeEscriben_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addRow("comilla doble") << "O\"BRIEN";
        QTest::addRow("comilla simple") << "O'BRIEN";
        QTest::addRow("porcentaje") << "50%";
        QTest::addRow("subrayado") << "_";
        QTest::addRow("inyeccion") << "'); DROP TABLE Paciente;--";
        QTest::addRow("acentos") << "ÑÁÉÍÓÚÜ €¿¡";
        QTest::addRow("blancos") << "   ";
    }
    void valoresGuardadosTalCualSeEscriben()
    {
        QFETCH(QString, texto);
        Entorno e;
        e.paciente(7, texto, texto);
        e.paciente(8, "OTRO");
        e.visita(7, "07/12/2026", "16:30", false, texto);
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente WHERE codigo = 7").toString(), texto);
        QCOMPARE(e.valor("SELECT observacion FROM Visita WHERE codigo = 7").toString(), texto);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 2);
        // The day list binds its date: a date text carrying SQL finds nothing and breaks nothing.
        QSqlQuery q = comando::preparar(sql::citasDelDia(texto, sql::kOrdenHora), e.conexion());
        QVERIFY(!q.next());
    }

    void ordenDesconocidoNoEntraEnLaSentencia()
    {
        const Sql s = sql::citasDelDia("07/12/2026", "ORDER BY hora; DROP TABLE Visita");
        QVERIFY(!s.text.contains("DROP"));
        QVERIFY(s.text.contains("ORDER BY hora"));
        QCOMPARE(s.values, QVariantList{"07/12/2026"});
        const Sql c = sql::citasDelDia("07/12/2026", "ORDER BY paciente.codigo");
        QVERIFY(c.text.contains("ORDER BY paciente.codigo"));
    }

    void restriccionesRespaldanLasComprobaciones()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(mensajeDe([&] { e.paciente(1); }).contains("UNIQUE"));
        e.visita(1, "07/12/2026", "15:00");
        QVERIFY(!mensajeDe([&] { e.visita(1, "07/12/2026", "16:30"); }).isEmpty());
        e.visita(1, "08/12/2026", "15:00");
        // A visit needs its patient; deleting the patient takes the visits along.
        QVERIFY(!mensajeDe([&] { e.visita(99, "07/12/2026", "15:00"); }).isEmpty());
        e.exec("DELETE FROM Paciente WHERE codigo = 1");
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 0);
        // Strict types: a text never lands in the code column; yes/no stays 0 or 1.
        QVERIFY(!mensajeDe([&] { e.exec("INSERT INTO Paciente (codigo) VALUES ('DOCE')"); })
                     .isEmpty());
        e.paciente(2);
        QVERIFY(!mensajeDe([&] {
                    e.exec("INSERT INTO Visita (codigo, fecha, pago) VALUES (2, '01/01/2027', 5)");
                }).isEmpty());
    }

    void textosDeFechaYHora()
    {
        QCOMPARE(formatos::textoFecha(QDate(2026, 3, 5)), QString("05/03/2026"));
        QCOMPARE(formatos::fechaDeTexto("31/12/2025"), QDate(2025, 12, 31));
        QVERIFY(!formatos::fechaDeTexto("3/2/2004").isValid());
        QVERIFY(!formatos::fechaDeTexto("2005-06-30").isValid());
        QVERIFY(!formatos::fechaDeTexto("31/02/2026").isValid());
        QVERIFY(formatos::esHoraValida("09:05"));
        QVERIFY(!formatos::esHoraValida("9:05"));
        QVERIFY(!formatos::esHoraValida("24:00"));
        QVERIFY(!formatos::esHoraValida(""));
        QCOMPARE(formatos::numeroFactura(40000, "06/12/2026"), QString("40000-06122026"));
        // Whatever the machine's locale says, the stored form stays dd/mm/yyyy.
        const IdiomaFijo ingles(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(formatos::textoFecha(QDate(2026, 12, 6)), QString("06/12/2026"));
    }

    void ficherosQueNoSonNuestros_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("clave");
        QTest::addRow("texto") << QByteArray("Esto no es una base de datos\n") << "no es una base";
        QTest::addRow("vacio") << QByteArray() << "no es una base";
        QTest::addRow("cabecera dañada")
            << QByteArray("SQLite format 2\0", 16) + QByteArray(200, '\0') << "no es una base";
    }
    void ficherosQueNoSonNuestros()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, clave);
        QTemporaryDir dir;
        const QString ruta = dir.filePath("clinora.mdb");
        QVERIFY(escribirFichero(ruta, contenido));
        const QByteArray antes = huella(ruta);
        const QString mensaje = mensajeDe([&] { esquema::abrirClinica(ruta); });
        QVERIFY2(mensaje.contains(clave), qPrintable(mensaje));
        QCOMPARE(huella(ruta), antes);
        QVERIFY(!QFile::exists(ruta + "-journal"));
    }

    void baseSqliteDeOtroProgramaOSinTablas()
    {
        QTemporaryDir dir;
        const QString ajena = dir.filePath("ajena.mdb");
        {
            QSqlDatabase db = esquema::abrir(ajena, "ajena");
            comando::ejecutar({"CREATE TABLE notas (texto TEXT)", {}}, db);
        }
        esquema::cerrar("ajena");
        QByteArray antes = huella(ajena);
        QVERIFY(mensajeDe([&] { esquema::abrirClinica(ajena); }).contains("otro programa"));
        QCOMPARE(huella(ajena), antes);

        // Ours by its header, but a table is missing.
        const QString coja = dir.filePath("coja.mdb");
        esquema::crearFichero(coja);
        {
            QSqlDatabase db = esquema::abrir(coja, "coja");
            comando::ejecutar({"DROP TABLE tabla_codigo", {}}, db);
        }
        esquema::cerrar("coja");
        antes = huella(coja);
        QVERIFY(mensajeDe([&] { esquema::abrirClinica(coja); }).contains("tabla_codigo"));
        QCOMPARE(huella(coja), antes);
        QVERIFY(!QSqlDatabase::contains(QSqlDatabase::defaultConnection));
    }

    void datasetCamposCursorYNombresCalificados()
    {
        Entorno e;
        e.paciente(3, "PÉREZ");
        e.paciente(5, "ABAD");
        e.visita(5, "07/12/2026", "15:45");
        e.visita(3, "07/12/2026", "15:00");
        e.conexion();
        DataSet d("prueba", nullptr, "entorno-previo");
        QVERIFY(d.eof());
        d.setCommand(sql::vistaRapida("07/12/2026"));
        d.open();
        QVERIFY(d.isActive());
        QCOMPARE(d.fieldByName("HORA").toString(), QString("15:00"));
        QCOMPARE(d.fieldByName("Paciente.CODIGO").toInt(), 3);
        QCOMPARE(d.fieldByName("visita.codigo").toInt(), 3);
        QCOMPARE(d.fieldByName("apellido1").toString(), QString("PÉREZ"));
        QVERIFY(mensajeDe([&] { d.fieldByName("noexiste"); }).contains("noexiste"));
        QStringList horas;
        for (d.first(); !d.eof(); d.next())
            horas << d.fieldByName("hora").toString();
        QCOMPARE(horas, QStringList({"15:00", "15:45"}));
        // Past the end the fields still read the last row.
        QCOMPARE(d.fieldByName("hora").toString(), QString("15:45"));
        d.close();
        QVERIFY(!d.isActive());
        d.open();   // re-run with the kept statement
        QCOMPARE(d.model()->rowCount(), 2);
    }

    void datasetRecorreMasAllaDeLoCargado()
    {
        Entorno e;
        comando::Transaccion t(e.conexion());
        e.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
               "INSERT INTO Paciente (codigo, nombre) SELECT i, 'X' FROM n");
        t.commit();
        DataSet d("todos", nullptr, "entorno-previo");
        d.setCommand({"SELECT codigo FROM Paciente ORDER BY codigo", {}});
        d.open();
        int filas = 0;
        int ultimo = 0;
        for (d.first(); !d.eof(); d.next()) {
            ++filas;
            ultimo = d.fieldByName("codigo").toInt();
        }
        QCOMPARE(filas, 1000);
        QCOMPARE(ultimo, 1000);
    }

    void copiaIdaYVuelta()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.paciente(1, "ANTES");
        const QString destino = e.carpeta() + "/copia.mdb";
        copia::guardar(QSqlDatabase::database(), destino);
        QCOMPARE(QFile(destino).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
        esquema::verificarFicheroCompleto(destino);

        e.exec("UPDATE Paciente SET apellido1 = 'DESPUES'");
        e.paciente(2);
        const QString seguridad = e.carpeta() + "/seguridad.mdb";
        Form1->ADODataSetCitas->close();
        Form1->ADODataSet1->close();
        copia::cargar(QSqlDatabase::database(), destino, seguridad);
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente").toString(), QString("ANTES"));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 1);
        // The safety copy holds the data as they were before the load.
        QSqlDatabase s = esquema::abrir(seguridad, "seguridad");
        QCOMPARE(comando::valor({"SELECT COUNT(*) FROM Paciente", {}}, s).toInt(), 2);
        s = QSqlDatabase();
        esquema::cerrar("seguridad");
    }

    void cargaRechazadaDejaLosDatos()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.paciente(1, "VIVO");
        const QString falsa = e.carpeta() + "/falsa.mdb";
        QVERIFY(escribirFichero(falsa, QByteArray("no soy una copia")));
        Form1->ADODataSetCitas->close();
        const QString mensaje = mensajeDe([&] {
            copia::cargar(QSqlDatabase::database(), falsa, e.carpeta() + "/seg.mdb");
        });
        QVERIFY(mensaje.contains("no es una base de datos de Clinora"));
        QCOMPARE(e.valor("SELECT apellido1 FROM Paciente").toString(), QString("VIVO"));
        QVERIFY(!QFile::exists(e.carpeta() + "/seg.mdb"));
    }

    void demoTieneCitasHoyPagadasYFacturadas()
    {
        QTemporaryDir dir;
        const QDate hoy(2026, 12, 7);
        const QString ruta = dir.filePath("demo.mdb");
        generador::crearDemo(ruta, hoy);
        QSqlDatabase db = esquema::abrirClinica(ruta, "demo");
        auto cuenta = [&](const QString& sql) {
            return comando::valor({sql, {}}, db).toInt();
        };
        QVERIFY(cuenta("SELECT COUNT(*) FROM Paciente") >= 35);
        QVERIFY(cuenta("SELECT COUNT(*) FROM Visita WHERE fecha = '07/12/2026'") >= 5);
        QVERIFY(cuenta("SELECT COUNT(*) FROM Visita WHERE pago = 1") > 0);
        QVERIFY(cuenta("SELECT COUNT(*) FROM Visita WHERE pago = 0") > 0);
        QVERIFY(cuenta("SELECT COUNT(*) FROM Visita WHERE factura = 1 AND num_factura <> ''") > 0);
        db = QSqlDatabase();
        esquema::cerrar("demo");
    }
};

CLINORA_TEST_MAIN(TestBaseDatos)
#include "tst_basedatos.moc"
