// The clinic database: schema and constraints, recognising our files, bound values, the
// dataset, backups.
#include "db/reloj.h"
#include "db/codigos.h"
#include "db/comando.h"
#include "db/consulta.h"
#include "db/copia.h"
#include "db/copiasauto.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/generador.h"
#include "db/servidor.h"
#include "db/sql.h"
#include "db/traslado.h"
#include "db/verificacion.h"
#include "tests/support/entorno.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>

#include <thread>

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
        SOLO_FICHERO();
        QCOMPARE(e.valor("PRAGMA application_id").toInt(), esquema::kApplicationId);
        QCOMPARE(QFile(e.rutaBD()).permissions()
                     & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void crearNoSobrescribe()
    {
        SOLO_FICHERO();
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
        QVERIFY(mensajeDe([&] { e.paciente(1); }).contains("ya existe un registro"));
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
        SOLO_FICHERO();
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
        SOLO_FICHERO();
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
        SOLO_FICHERO();
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
        SOLO_FICHERO();
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

    // ---- Automatic copies: a year and a month of them, thinned out as the days pass.

    void rotacionDeUnAnoDeCopias()
    {
        QTemporaryDir dir;
        const QString c = dir.path();
        // Look-alikes that are not ours: never removed.
        const QStringList ajenos = {"clinora-copia-2025-11-01.mdb",
                                    "clinora-copia-20251101-120000.mdb.bak",
                                    "clinora-copia-20251101-1200.mdb",
                                    "mi-clinora-copia-20251101-120000.mdb", "clinora.mdb"};
        for (const QString& n : ajenos)
            QVERIFY(escribirFichero(c + "/" + n, "ajeno"));
        QVERIFY(QDir(c).mkdir("clinora-copia-20251102-120000.mdb"));
        const QDate primero(2025, 11, 20);
        const QTime cierre(21, 30, 7);
        QList<QDate> conCopia;
        QDate dia;
        for (int n = 0; n < 400; ++n) {
            dia = primero.addDays(n);
            // A copy at closing; every other day one at lunch too; every ninth day none.
            if (n % 9 != 4) {
                for (const QTime& hora : {cierre, QTime(14, 5)}) {
                    if (hora == cierre || n % 2 == 0)
                        QVERIFY(escribirFichero(
                            c + "/" + copiasauto::nombreCopia(QDateTime(dia, hora)), "copia"));
                }
                conCopia.append(dia);
            }
            copiasauto::rotar(c, dia);
            QSet<QDate> dias;
            for (const copiasauto::CopiaEnCarpeta& k : copiasauto::copiasEn(c)) {
                QVERIFY2(!dias.contains(k.momento.date()) && k.momento.time() == cierre,
                         qPrintable(k.ruta));   // one a day, its last
                dias.insert(k.momento.date());
            }
            for (int atras = 0; atras < 7; ++atras) {
                const QDate d = dia.addDays(-atras);
                QCOMPARE(dias.contains(d), conCopia.contains(d));
            }
            QVERIFY(dias.size() <= 7 + 4 + 12);
            for (const QDate& d : dias)
                QVERIFY(d >= QDate(dia.year(), dia.month(), 1).addMonths(-12));
        }
        // After the year: the last copy of each of the 4 weeks and the 12 months before.
        const auto ultimaEntre = [&](const QDate& desde, const QDate& hasta) {
            QDate u;
            for (const QDate& d : conCopia)
                if (d >= desde && d <= hasta)
                    u = d;
            return u;
        };
        QSet<QDate> quedan;
        for (const copiasauto::CopiaEnCarpeta& k : copiasauto::copiasEn(c))
            quedan.insert(k.momento.date());
        const QDate lunes = dia.addDays(1 - dia.dayOfWeek());
        for (int s = 1; s <= 4; ++s)
            QVERIFY(quedan.contains(ultimaEntre(lunes.addDays(-7 * s), lunes.addDays(-7 * s + 6))));
        const QDate mes(dia.year(), dia.month(), 1);
        for (int m = 1; m <= 12; ++m) {
            const QDate desde = mes.addMonths(-m);
            QVERIFY(quedan.contains(ultimaEntre(desde, desde.addMonths(1).addDays(-1))));
        }
        for (const QString& n : ajenos)
            QVERIFY2(QFile::exists(c + "/" + n), qPrintable(n));
        QVERIFY(QFileInfo(c + "/clinora-copia-20251102-120000.mdb").isDir());
    }

    // Writing the backup folder into clinora.ini keeps every other line as it was.
    void iniConservaLoDemas_data()
    {
        QTest::addColumn<QString>("antes");
        QTest::addColumn<QString>("despues");
        const QString claves = "Carpeta=\"/media/usb, disco 2/copias\"\nAutomaticas=si\n";
        QTest::addRow("sin fichero") << "" << "[Copias]\n" + claves;
        QTest::addRow("datos de la consulta")
            << "; nota\n[Consulta]\nNombre=Dra. X\nDireccion=\"C/ A, 1\""
            << "; nota\n[Consulta]\nNombre=Dra. X\nDireccion=\"C/ A, 1\"\n\n[Copias]\n" + claves;
        QTest::addRow("grupo ya escrito")
            << "[Copias]\n; la mía\nCarpeta=/viejo\nOtra=1\n\n[Consulta]\nNombre=X\n"
            << "[Copias]\n; la mía\nCarpeta=\"/media/usb, disco 2/copias\"\nOtra=1\n"
               "Automaticas=si\n\n[Consulta]\nNombre=X\n";
        QTest::addRow("clave repetida") << "[Copias]\nCarpeta=/a\nCarpeta=/b\nAutomaticas=no\n"
                                        << "[Copias]\n" + claves;
    }

    void iniConservaLoDemas()
    {
        QFETCH(QString, antes);
        QFETCH(QString, despues);
        QCOMPARE(copiasauto::fijarClaves(antes, "Copias",
                                         {{"Carpeta", "/media/usb, disco 2/copias"},
                                          {"Automaticas", "si"}}),
                 despues);
        // And read back as written, through the file.
        QTemporaryDir dir;
        const QString bd = dir.filePath("clinora.mdb");
        QVERIFY(escribirFichero(dir.filePath("clinora.ini"), antes.toUtf8()));
        for (const QString& carpeta : {QString("/media/usb, disco 2/co\"pias"), QString("/"),
                                       dir.filePath("copias; de \\ Ana")}) {
            copiasauto::guardarAjustes(bd, carpeta, false);
            QCOMPARE(copiasauto::leerAjustes(bd).carpeta, QDir::cleanPath(carpeta));
            QVERIFY(!copiasauto::leerAjustes(bd).automaticas);
        }
        QFile f(dir.filePath("clinora.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString texto = QString::fromUtf8(f.readAll());
        QVERIFY(texto.contains("Carpeta=\"copias; de \\\\ Ana\"\n"));   // inside: relative
        for (const QString& l : antes.split('\n')) {
            if (!l.startsWith("Carpeta=") && !l.startsWith("Automaticas="))
                QVERIFY2(texto.contains(l), qPrintable(l));
        }
    }

    void demoTieneCitasHoyPagadasYFacturadas()
    {
        SOLO_FICHERO();
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

    // Two desks registering at once, round after round: each proposal runs under the counter's
    // lock, a code the other desk stored first is refused by the key and proposed afresh. No
    // code is ever stored twice, and every registration acknowledged is there.
    void carreraDeCodigosEntreDosPuestos()
    {
        // One file serves one desk (a second copy is refused by its lock).
        VARIOS_PUESTOS();
        Entorno e;
        const int rondas = 300;
        QList<qint64> guardados[2];
        int repetidos[2] = {0, 0};
        QString fallo[2];
        const auto puesto = [&](int n) {
            const QString nombre = QStringLiteral("puesto-%1").arg(n);
            try {
                QSqlDatabase db = e.otroPuesto(nombre);
                for (int i = 0; i < rondas; ++i) {
                    for (;;) {
                        sql::DatosPaciente p;
                        p.codigo = int(*codigos::proponer(false, db));
                        p.nombre = nombre;
                        const auto yaEsta = [&] {
                            return comando::valor(sql::contarPacientesConCodigo(p.codigo), db)
                                       .toInt()
                                   != 0;
                        };
                        if (comando::insertarSiSigueLibre(sql::insertarPaciente(p), yaEsta, db)) {
                            guardados[n] << p.codigo;
                            break;
                        }
                        ++repetidos[n];
                    }
                }
            } catch (const DbError& error) {
                fallo[n] = error.message();
            }
            esquema::cerrar(nombre);
        };
        std::thread otro(puesto, 1);
        puesto(0);
        otro.join();
        QVERIFY2(fallo[0].isEmpty() && fallo[1].isEmpty(), qPrintable(fallo[0] + fallo[1]));
        const QList<qint64> todos = guardados[0] + guardados[1];
        QCOMPARE(todos.size(), 2 * rondas);
        QCOMPARE(QSet<qint64>(todos.cbegin(), todos.cend()).size(), 2 * rondas);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 2 * rondas);
        QCOMPARE(e.valor("SELECT COUNT(DISTINCT codigo) FROM Paciente").toInt(), 2 * rondas);
        for (int n : {0, 1}) {
            for (qint64 codigo : guardados[n])
                QCOMPARE(e.valor("SELECT nombre FROM Paciente WHERE codigo = ?", {codigo})
                             .toString(),
                         QStringLiteral("puesto-%1").arg(n));
        }
        qInfo("propuestas ganadas por el otro puesto: %d y %d", repetidos[0], repetidos[1]);
    }

    // The server's tables are checked at start as the file's are: anything missing, extra or
    // defined otherwise is refused, naming it, and the program ends untouched.
    void esquemaDelServidorComprobado_data()
    {
        QTest::addColumn<QString>("cambio");
        QTest::addColumn<QString>("clave");
        QTest::addRow("tabla ajena") << "CREATE TABLE notas (texto TEXT)"
                                     << "contiene la tabla \"notas\"";
        QTest::addRow("indice quitado") << "DROP INDEX Paciente_nombre_orden"
                                        << "le falta el índice \"paciente_nombre_orden\"";
        QTest::addRow("clave de orden sin orden de bytes")
            << "ALTER TABLE Paciente ALTER COLUMN nombre_orden TYPE TEXT COLLATE \"default\""
            << "la tabla \"paciente\" no tiene la definición";
        QTest::addRow("par unico quitado")
            << "ALTER TABLE Visita DROP CONSTRAINT visita_codigo_fecha_key"
            << "la tabla \"visita\" no tiene la definición";
        QTest::addRow("regla cambiada")
            << "ALTER TABLE Visita DROP CONSTRAINT visita_pago_check"
            << "la tabla \"visita\" no tiene la definición";
        QTest::addRow("aviso quitado") << "DROP TRIGGER visita_aviso ON Visita"
                                       << "le falta el disparador \"visita_aviso\"";
        QTest::addRow("dos contadores") << "INSERT INTO tabla_codigo (codigo) VALUES (5)"
                                        << "una sola fila";
        // Only all of version 4's indexes missing is the release before, brought up to date.
        QTest::addRow("un índice de la versión 4 quitado")
            << "DROP INDEX Paciente_tlf2" << "le falta el índice \"paciente_tlf2\"";
    }
    void esquemaDelServidorComprobado()
    {
        VARIOS_PUESTOS();
        QFETCH(QString, cambio);
        QFETCH(QString, clave);
        Entorno e;
        e.paciente(1);
        // Found good first, so a later start knows it: the change must still be seen.
        servidor::verificar(e.conexion());
        e.exec(cambio);
        esquema::cerrar("entorno-previo");
        QVERIFY(!e.crearVentanas());
        QCOMPARE(e.textos.size(), 1);
        QVERIFY2(e.textos.at(0).contains(clave), qPrintable(e.textos.at(0)));
        QVERIFY2(e.textos.at(0).contains(Entorno::servidorDePruebas().base), qPrintable(e.textos.at(0)));
        QVERIFY(!QSqlDatabase::contains(QSqlDatabase::defaultConnection));
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 1);
        // A database that already holds tables is not made again.
        QVERIFY(mensajeDe([&] { servidor::crear(e.conexion()); }).contains("ya tiene tablas"));
    }

    // A server made by the release before lacks the indexes that find a patient registered
    // twice: the first desk to start makes them, or the administrator's clinora-bd, every row
    // kept, a copy of the data kept first beside the program; once only.
    void servidorDeLaVersion3SePoneAlDia_data()
    {
        QTest::addColumn<bool>("administrador");
        QTest::addRow("al arrancar un puesto") << false;
        QTest::addRow("clinora-bd servidor actualizar") << true;
    }
    void servidorDeLaVersion3SePoneAlDia()
    {
        VARIOS_PUESTOS();
        QFETCH(bool, administrador);
        Entorno e;
        e.paciente(1);
        e.visita(1, "02/01/2026", "16:00");
        for (const char* indice : {"Paciente_dni", "Paciente_nombre_completo", "Paciente_tlf1",
                                   "Paciente_tlf2"})
            e.exec(QStringLiteral("DROP INDEX %1").arg(QLatin1String(indice)));
        if (administrador) {
            const QString copia = esquema::rutaCopiaAntesDeActualizar(e.rutaBD());
            QVERIFY(servidor::actualizar(e.conexion(), copia));
            QVERIFY(!servidor::actualizar(e.conexion(), copia));
        }
        esquema::cerrar("entorno-previo");
        QVERIFY(e.crearVentanas());
        QVERIFY2(e.textos.isEmpty(), qPrintable(e.textos.join('\n')));
        servidor::verificar(QSqlDatabase::database());
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Visita").toInt(), 1);
        const QStringList copias =
            QDir(e.carpeta()).entryList({"clinora-antes-de-actualizar-*.mdb"}, QDir::Files);
        QCOMPARE(copias.size(), 1);
        QSqlDatabase copia = esquema::abrir(e.carpeta() + "/" + copias.first(), "copia");
        QCOMPARE(comando::valor({"SELECT COUNT(*) FROM Visita", {}}, copia).toInt(), 1);
        copia = QSqlDatabase();
        esquema::cerrar("copia");
    }

    // A practice's file up to the server and back: every row across, in one transaction, onto
    // empty tables only; the file written back is a standard clinic file with the same rows.
    void subirYBajarDelServidor()
    {
        VARIOS_PUESTOS();
        Entorno e;
        const QString fichero = e.carpeta() + "/demo.mdb";
        generador::crearDemo(fichero, QDate(2026, 12, 7));
        const auto filas = [](QSqlDatabase db) {
            QStringList todas;
            for (const char* consulta :
                 {"SELECT * FROM Paciente ORDER BY codigo", "SELECT * FROM Visita ORDER BY codigo, fecha",
                  "SELECT * FROM Factura ORDER BY ano, numero", "SELECT codigo FROM tabla_codigo"}) {
                QSqlQuery q = comando::preparar({consulta, {}}, db);
                while (q.next()) {
                    QStringList fila;
                    for (int c = 0; c < q.record().count(); ++c)
                        fila << q.value(c).toString();
                    todas << fila.join('|');
                }
            }
            return todas;
        };
        QSqlDatabase demo = esquema::abrir(fichero, "demo");
        // Texts with what shapes the server's bulk load (tabs, line ends, its escape and its
        // mark of none), and a number of the invoice register.
        comando::ejecutar({"INSERT INTO Paciente (codigo, apellido1, comentario) VALUES (?, ?, ?)",
                           {90001, "O'BRIEN\t\\N", "línea\r\nsegunda \\. \\"}},
                          demo);
        comando::ejecutar({"INSERT INTO Factura (ano, numero, codigo, fecha) "
                           "VALUES (2026, 1, 90001, '07/12/2026')",
                           {}},
                          demo);
        const QStringList enFichero = filas(demo);
        demo = QSqlDatabase();
        esquema::cerrar("demo");

        const traslado::Cuentas c = traslado::subir(fichero, e.conexion());
        QVERIFY(c.pacientes >= 35);
        QCOMPARE(filas(e.conexion()), enFichero);
        // Its indexes and keys, set aside for the load, stand as crear makes them.
        servidor::verificar(e.conexion());
        // Only onto empty tables: a second time is refused and changes nothing.
        e.exec("UPDATE tabla_codigo SET codigo = 777");
        QVERIFY(mensajeDe([&] { traslado::subir(fichero, e.conexion()); })
                    .contains("ya tienen datos"));
        QCOMPARE(e.valor("SELECT codigo FROM tabla_codigo").toInt(), 777);
        e.exec("UPDATE tabla_codigo SET codigo = ?", {enFichero.last().toInt()});

        const QString vuelta = e.carpeta() + "/vuelta.mdb";
        QCOMPARE(traslado::bajar(e.conexion(), vuelta).visitas, c.visitas);
        esquema::verificarFicheroCompleto(vuelta);
        QCOMPARE(QFile(vuelta).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
        QSqlDatabase otra = esquema::abrir(vuelta, "vuelta");
        QCOMPARE(filas(otra), enFichero);
        otra = QSqlDatabase();
        esquema::cerrar("vuelta");
        QVERIFY(mensajeDe([&] { traslado::bajar(e.conexion(), vuelta); }).contains("ya existe"));

        // "Cargar copia" on the server: the tables replaced whole.
        e.exec("DELETE FROM Visita");
        e.paciente(99999, "SOLO EN EL SERVIDOR");
        traslado::reemplazar(fichero, e.conexion());
        QCOMPARE(filas(e.conexion()), enFichero);
    }

    // The server away at start: a Spanish message naming it and what to check, within seconds,
    // and the program ends.
    // What the server prepared for a session goes with it: the same statements run again on the
    // session opened anew, alone and inside a write.
    void sentenciasPreparadasTrasReconectar()
    {
        VARIOS_PUESTOS();
        Entorno e;
        e.paciente(7);
        QSqlDatabase db = e.conexion();
        const Sql cuenta{"SELECT COUNT(*) FROM Paciente WHERE codigo = ?", {7}};
        QCOMPARE(comando::valor(cuenta, db).toInt(), 1);
        db.close();
        QVERIFY(db.open());
        QCOMPARE(comando::valor(cuenta, db).toInt(), 1);
        db.close();
        QVERIFY(db.open());
        comando::Transaccion t(db);
        QCOMPARE(comando::valor(cuenta, db).toInt(), 1);
        QCOMPARE(comando::ejecutar(sql::borrarVisita(7, "01/01/2020"), db), 0);
        t.commit();
    }

    void servidorAusenteAlArrancar()
    {
        VARIOS_PUESTOS();
        Entorno e;
        QFile ini(consulta::rutaJuntoA(e.rutaBD()));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // An address nothing answers on, and a port of this machine nothing listens on.
        ini.write("[Servidor]\nAnfitrion=127.0.0.1   ; este puesto\nPuerto=1\nBase=clinora\n"
                  "Usuario=recepcion\n");
        ini.close();
        QElapsedTimer reloj;
        reloj.start();
        QVERIFY(!e.crearVentanas());
        QVERIFY(reloj.elapsed() < 6000);
        QCOMPARE(e.textos.size(), 1);
        QVERIFY2(e.textos.at(0).contains("No se puede conectar con el servidor de datos "
                                         "«clinora» en «127.0.0.1:1»"),
                 qPrintable(e.textos.at(0)));
        QVERIFY(e.textos.at(0).contains("encendido"));
        QVERIFY(!QFile::exists(e.rutaBD()));
    }
};

CLINORA_TEST_MAIN(TestBaseDatos)
#include "tst_basedatos.moc"
