// The clinic's file under faults: damaged and foreign files, a second copy of the program,
// read-only places, a full disk, files of the first release, leftovers of interrupted saves,
// and the engine's refusals in Spanish. The writer killed at random moments is tst_matanzas.
#include "db/acceso.h"
#include "db/comando.h"
#include "db/copia.h"
#include "db/copiasauto.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/orden.h"
#include "db/sql.h"
#include "db/verificacion.h"
#include "db/vigilancia.h"
#include "db/reloj.h"
#include "tests/support/discolleno.h"
#include "tests/support/entorno.h"
#include "tests/support/ficheros.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QRegularExpression>

#include <sqlite3.h>

#include <chrono>

namespace {

// Overwrites `n` bytes at `desde` with bytes that are not what was there.
void estropear(const QString& ruta, qint64 desde, int n)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadWrite))
        return;
    f.seek(desde);
    QByteArray viejo = f.read(n);
    for (char& c : viejo)
        c = char(~quint8(c) ^ 0x5A);
    f.seek(desde);
    f.write(viejo);
}

void ejecutar(QSqlDatabase db, const QString& texto, const QVariantList& valores = {})
{
    comando::ejecutar(Sql{texto, valores}, db);
}

int entero(QSqlDatabase db, const QString& texto)
{
    return comando::valor(Sql{texto, {}}, db).toInt();
}

// The first release's tables, as it created them.
const char* const kTablasVersion1[] = {
    "CREATE TABLE Paciente ("
    " codigo INTEGER PRIMARY KEY CHECK (codigo BETWEEN -2147483648 AND 2147483647),"
    " nombre TEXT NOT NULL DEFAULT '', apellido1 TEXT NOT NULL DEFAULT '',"
    " apellido2 TEXT NOT NULL DEFAULT '', dni TEXT NOT NULL DEFAULT '',"
    " tlf1 TEXT NOT NULL DEFAULT '', tlf2 TEXT NOT NULL DEFAULT '',"
    " direccion TEXT NOT NULL DEFAULT '', poblacion TEXT NOT NULL DEFAULT '',"
    " provincia TEXT NOT NULL DEFAULT '', fecha_alta TEXT NOT NULL DEFAULT '',"
    " sociedad TEXT NOT NULL DEFAULT '', comentario TEXT NOT NULL DEFAULT ''"
    ") STRICT",
    "CREATE TABLE Visita ("
    " codigo INTEGER NOT NULL REFERENCES Paciente (codigo) ON DELETE CASCADE,"
    " fecha TEXT NOT NULL CHECK (length(fecha) <= 20),"
    " pago INTEGER NOT NULL DEFAULT 0 CHECK (pago IN (0, 1)),"
    " cantidad INTEGER NOT NULL DEFAULT 0 CHECK (cantidad BETWEEN -2147483648 AND 2147483647),"
    " observacion TEXT NOT NULL DEFAULT '' CHECK (length(observacion) <= 50),"
    " hora TEXT NOT NULL DEFAULT '' CHECK (length(hora) <= 6),"
    " factura INTEGER NOT NULL DEFAULT 0 CHECK (factura IN (0, 1)),"
    " num_factura TEXT NOT NULL DEFAULT '',"
    " UNIQUE (codigo, fecha)"
    ") STRICT",
    "CREATE TABLE tabla_codigo (codigo INTEGER NOT NULL) STRICT",
    "CREATE INDEX Visita_fecha_hora ON Visita (fecha, hora)",
    "INSERT INTO tabla_codigo (codigo) VALUES (4)",
    "INSERT INTO Paciente (codigo, nombre, apellido1, apellido2) VALUES"
    " (1, 'ÁLVARO', 'ÑÚÑEZ', 'ZAPATA'), (2, 'ana', 'Ortega', 'Ávila'), (3, 'EVA', 'NUÑO', '')",
    "INSERT INTO Visita (codigo, fecha, hora) VALUES (1, '07/12/2026', '15:00')",
    "PRAGMA user_version = 1",
};

void crearVersion1(const QString& ruta)
{
    const QString nombre = conexionNueva();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(ruta);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA application_id = %1").arg(esquema::kApplicationId)));
        for (const char* s : kTablasVersion1)
            QVERIFY2(q.exec(QString::fromUtf8(s)), s);
    }
    QSqlDatabase::removeDatabase(nombre);
}

// A load needs every list closed, as the backup window does.
void cerrarListas()
{
    const QList<DataSet*> abiertos = DataSet::abiertos();
    for (DataSet* d : abiertos)
        d->close();
}

// How each damaged or foreign file is made from a sound one of ours at `ruta`.
using Preparar = std::function<void(const QString& ruta)>;

}  // namespace

Q_DECLARE_METATYPE(Preparar)

class TestFallos : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        comando::prohibirEscritura(QString());
    }

    // ---- The engine's refusals in the one error box, in Spanish, with its own text as detail.

    void textoErrorPorCodigoOTexto_data()
    {
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("clave");
        QTest::addRow("ocupado") << SQLITE_BUSY << "database is locked" << "ocupado por otro";
        QTest::addRow("bloqueado sin codigo") << 0 << "database is locked" << "ocupado por otro";
        QTest::addRow("solo lectura") << SQLITE_READONLY
                                      << "attempt to write a readonly database" << "solo lectura";
        QTest::addRow("disco lleno") << SQLITE_FULL << "database or disk is full"
                                     << "disco está lleno";
        QTest::addRow("disco lleno sin codigo") << 0 << "database or disk is full"
                                                << "disco está lleno";
        QTest::addRow("dañado") << SQLITE_CORRUPT << "database disk image is malformed"
                                << "está dañado";
        QTest::addRow("no es base") << SQLITE_NOTADB << "file is not a database" << "está dañado";
        QTest::addRow("dañado sin codigo") << 0 << "database disk image is malformed"
                                           << "está dañado";
        QTest::addRow("clave ajena") << SQLITE_CONSTRAINT_FOREIGNKEY
                                     << "FOREIGN KEY constraint failed" << "paciente existente";
        QTest::addRow("clave ajena codigo simple") << SQLITE_CONSTRAINT
                                                   << "FOREIGN KEY constraint failed"
                                                   << "paciente existente";
        QTest::addRow("unica") << SQLITE_CONSTRAINT_UNIQUE
                               << "UNIQUE constraint failed: Visita.codigo, Visita.fecha"
                               << "ya existe";
        QTest::addRow("clave primaria") << SQLITE_CONSTRAINT_PRIMARYKEY
                                        << "UNIQUE constraint failed: Paciente.codigo"
                                        << "ya existe";
        QTest::addRow("regla") << SQLITE_CONSTRAINT_CHECK << "CHECK constraint failed: pago"
                               << "forma o el tamaño";
        QTest::addRow("otro") << SQLITE_ERROR << "no such table: Nada" << "ha rechazado";
    }
    void textoErrorPorCodigoOTexto()
    {
        QFETCH(int, codigo);
        QFETCH(QString, texto);
        QFETCH(QString, clave);
        const QString mensaje = comando::textoErrorMotor(codigo, texto);
        QVERIFY2(mensaje.contains(clave), qPrintable(mensaje));
        QVERIFY2(mensaje.endsWith(QStringLiteral("Detalle: ") + texto), qPrintable(mensaje));
    }

    void rechazosRealesDelMotorEnCastellano()
    {
        Entorno e;
        e.paciente(1);
        QString m = mensajeDe([&] { e.paciente(1); });
        QVERIFY2(m.contains("ya existe") && m.contains("UNIQUE"), qPrintable(m));
        m = mensajeDe([&] { e.visita(99, "07/12/2026", "15:00"); });
        QVERIFY2(m.contains("paciente existente") && m.contains("FOREIGN KEY"), qPrintable(m));
        m = mensajeDe([&] { e.exec("INSERT INTO Visita (codigo, fecha, pago) VALUES (1, 'x', 7)"); });
        QVERIFY2(m.contains("forma o el tamaño"), qPrintable(m));
    }

    // Reading then writing starts with the write lock: a second writer waits its busy time at
    // BEGIN and is told, in Spanish, that the file is in use, before it read anything.
    void transaccionTomaElBloqueoDeEscrituraAlEmpezar()
    {
        Entorno e;
        QSqlDatabase a = e.conexion();
        const QString nombre = conexionNueva();
        {
            QSqlDatabase b = esquema::abrir(e.rutaBD(), nombre);
            ejecutar(b, "PRAGMA busy_timeout = 100");
            comando::Transaccion t(a);
            QElapsedTimer reloj;
            reloj.start();
            const QString m = mensajeDe([&] { comando::Transaccion otra(b); });
            QVERIFY2(m.contains("ocupado por otro programa"), qPrintable(m));
            QVERIFY(reloj.elapsed() >= 90);
            t.commit();
            comando::Transaccion ahora(b);   // free again
            ahora.commit();
        }
        esquema::cerrar(nombre);
    }

    // ---- Disk full: Spanish message, nothing stored, the file sound.

    void discoLlenoNoGuardaNadaYElFicheroSigueSano()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.paciente(1);
        QSqlDatabase db = QSqlDatabase::database();
        const int paginas = entero(db, "PRAGMA page_count");
        ejecutar(db, QStringLiteral("PRAGMA max_page_count = %1").arg(paginas));
        const QString m = mensajeDe([&] {
            comando::Transaccion t(db);
            for (int i = 2; i < 200; ++i)
                insertarPaciente(db, i, "LLENO", QString(2000, 'X'));
            t.commit();
        });
        QVERIFY2(m.contains("El disco está lleno: no se ha guardado nada"), qPrintable(m));
        QCOMPARE(entero(db, "SELECT COUNT(*) FROM Paciente"), 1);
        QCOMPARE(comando::valor({"PRAGMA integrity_check", {}}, db).toString(), QString("ok"));
    }

    // ---- Files that are refused at start and at "Cargar copia", untouched.

    void ficherosRechazados_data()
    {
        QTest::addColumn<Preparar>("preparar");
        QTest::addColumn<QString>("clave");
        const auto sql = [](const QStringList& sentencias, bool sinClaves = false) {
            return Preparar([sentencias, sinClaves](const QString& ruta) {
                conConexion(ruta, [&](QSqlDatabase db) {
                    if (sinClaves)
                        ejecutar(db, "PRAGMA foreign_keys = OFF");
                    for (const QString& s : sentencias)
                        ejecutar(db, s);
                });
            });
        };
        QTest::addRow("vacío") << Preparar([](const QString& r) { escribirFichero(r, {}); })
                               << "está vacío";
        QTest::addRow("bytes al azar") << Preparar([](const QString& r) {
            QByteArray b(8192, '\0');
            QRandomGenerator azar(7);
            for (char& c : b)
                c = char(azar.bounded(256));
            escribirFichero(r, b);
        }) << "no es una base de datos SQLite";
        QTest::addRow("cortado a media página") << Preparar([](const QString& r) {
            escribirFichero(r, leerFichero(r).left(4096 * 3 + 1000));
        }) << "longitud";
        QTest::addRow("cortado en páginas enteras") << Preparar([](const QString& r) {
            const QByteArray b = leerFichero(r);
            escribirFichero(r, b.left(b.size() - 4096));
        }) << "longitud";
        QTest::addRow("con datos de más") << Preparar([](const QString& r) {
            escribirFichero(r, leerFichero(r) + QByteArray(4096, 'Z'));
        }) << "longitud";
        QTest::addRow("cabecera dañada") << Preparar([](const QString& r) { estropear(r, 16, 8); })
                                         << "cabecera";
        QTest::addRow("primera página dañada")
            << Preparar([](const QString& r) { estropear(r, 100, 12); }) << "primera página";
        QTest::addRow("de otro programa") << Preparar([](const QString& r) {
            QFile::remove(r);
            conConexion(r, [](QSqlDatabase db) { ejecutar(db, "CREATE TABLE notas (t TEXT)"); });
        }) << "otro programa";
        QTest::addRow("falta una tabla") << sql({"DROP TABLE tabla_codigo"})
                                         << "le falta la tabla \"tabla_codigo\"";
        QTest::addRow("falta una columna") << sql({"ALTER TABLE Visita DROP COLUMN num_factura"})
                                           << "le falta la columna \"num_factura\"";
        QTest::addRow("columna de más") << sql({"ALTER TABLE Visita ADD COLUMN extra TEXT"})
                                        << "columnas que Clinora no crea";
        QTest::addRow("mismos nombres sin reglas")
            << sql({"DROP TABLE Visita", "DROP TABLE Paciente",
                    "CREATE TABLE Paciente (codigo, nombre, apellido1, apellido2, dni, tlf1, "
                    "tlf2, direccion, poblacion, provincia, fecha_alta, sociedad, comentario, "
                    "nombre_orden, apellido1_orden, apellido2_orden)",
                    "CREATE TABLE Visita (codigo, fecha, pago, cantidad, observacion, hora, "
                    "factura, num_factura)"})
            << "no tiene la definición que crea Clinora";
        QTest::addRow("índice que falta") << sql({"DROP INDEX Paciente_nombre_orden"})
                                          << "le falta el índice";
        QTest::addRow("disparador ajeno")
            << sql({"CREATE TRIGGER borra AFTER INSERT ON Visita BEGIN DELETE FROM Paciente; END"})
            << "que Clinora no crea";
        QTest::addRow("contador con dos filas") << sql({"INSERT INTO tabla_codigo VALUES (9)"})
                                                << "una sola fila";
        QTest::addRow("modo WAL") << sql({"PRAGMA journal_mode = WAL"}) << "modo WAL";
        QTest::addRow("registro de facturas cambiado")
            << sql({"DROP INDEX Factura_visita", "DROP TABLE Factura",
                    "CREATE TABLE Factura (ano INTEGER, numero INTEGER, codigo INTEGER, "
                    "fecha TEXT, emitida TEXT)",
                    "CREATE INDEX Factura_visita ON Factura (codigo, fecha)"})
            << "no tiene la definición que crea Clinora";
        QTest::addRow("versión más reciente") << sql({"PRAGMA user_version = 5"})
                                              << "versión más reciente";
        QTest::addRow("sin versión") << sql({"PRAGMA user_version = 0"}) << "qué versión";
    }
    void ficherosRechazados()
    {
        QFETCH(Preparar, preparar);
        QFETCH(QString, clave);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(esquema::kNombreFichero);
        crearNuestro(ruta);
        preparar(ruta);

        // At start.
        refusadoAlArrancarYAlCargar(ruta, dir.path(), clave);
    }

    // A visit of a patient that does not exist: start-up leaves the search to the background
    // check (it reads every visit), which then stops every write; as a backup it is refused.
    void citaHuerfana()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(esquema::kNombreFichero);
        crearNuestro(ruta);
        conConexion(ruta, [](QSqlDatabase db) {
            ejecutar(db, "PRAGMA foreign_keys = OFF");
            ejecutar(db, "INSERT INTO Visita (codigo, fecha) VALUES (999, '01/01/2027')");
        });
        const QByteArray antes = huella(ruta);
        {
            QSqlDatabase db = esquema::abrirClinica(ruta, "inicio");
            vigilancia::Comprobacion comprobacion(ruta);
            QSignalSpy terminada(&comprobacion, &vigilancia::Comprobacion::terminada);
            comprobacion.iniciar();
            QVERIFY(terminada.wait(10000));
            QCOMPARE(terminada.first().at(0).toBool(), false);
            QVERIFY2(terminada.first().at(1).toString().contains("pacientes que no existen"),
                     qPrintable(terminada.first().at(1).toString()));
            vigilancia::declararDanado(db, ruta);
            QVERIFY(mensajeDe([&] { insertarPaciente(db, 999); }).contains("no escribirá nada"));
        }
        esquema::cerrar("inicio");
        QCOMPARE(huella(ruta), antes);
        const QString m = mensajeDe([&] { esquema::verificarFichero(ruta); });
        QVERIFY2(m.contains("citas de pacientes que no existen"), qPrintable(m));
        Entorno e;
        QVERIFY(e.crearVentanas());
        cerrarListas();
        const QString c = mensajeDe([&] {
            copia::cargar(QSqlDatabase::database(), ruta, e.carpeta() + "/s.mdb");
        });
        QVERIFY2(c.contains("citas de pacientes que no existen"), qPrintable(c));
        QCOMPARE(huella(ruta), antes);
    }

private:
    void refusadoAlArrancarYAlCargar(const QString& ruta, const QString& carpeta,
                                     const QString& clave)
    {
        const QByteArray antes = huella(ruta);
        const QStringList ficheros = QDir(carpeta).entryList(QDir::Files | QDir::Hidden);
        const QString m = mensajeDe([&] { esquema::abrirClinica(ruta, "inicio"); });
        QVERIFY2(m.contains(clave), qPrintable(m));
        QVERIFY2(m.startsWith("ERROR: ") && m.contains("No se ha tocado"), qPrintable(m));
        QCOMPARE(huella(ruta), antes);
        QVERIFY(!QSqlDatabase::contains("inicio"));
        // Nothing left beside it but what was there (the lock went with the refusal).
        QCOMPARE(QDir(carpeta).entryList(QDir::Files | QDir::Hidden), ficheros);

        // As a backup to load: refused, the live data and the backup as they were.
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.paciente(50, "VIVO");
        const QByteArray vivo = huella(e.rutaBD());
        cerrarListas();
        const QString seguridad = e.carpeta() + "/seguridad.mdb";
        const QString c = mensajeDe([&] {
            copia::cargar(QSqlDatabase::database(), ruta, seguridad);
        });
        QVERIFY2(c.contains(clave) && c.contains("No se ha cargado nada"), qPrintable(c));
        QCOMPARE(huella(ruta), antes);
        QCOMPARE(huella(e.rutaBD()), vivo);
        QVERIFY(!QFile::exists(seguridad));
        QVERIFY(temporalesEn(e.carpeta()).isEmpty());
    }

    // The state a power cut leaves in the middle of a large change to a file of `pacientes`
    // patients: `destino` and its journal, as they were at that moment.
    static void cortadoAMedias(const QString& destino, int pacientes)
    {
        const QString ruta = destino + ".vivo";
        crearNuestro(ruta, pacientes);
        const QString nombre = conexionNueva();
        {
            QSqlDatabase db = esquema::abrir(ruta, nombre);
            ejecutar(db, "PRAGMA cache_size = 1");   // pages spill into the file mid-change
            comando::Transaccion t(db);
            for (int i = 1000; i < 1300; ++i)
                insertarPaciente(db, i, "A MEDIAS", QString(300, 'M'));
            QVERIFY(QFile::exists(ruta + "-journal"));
            QFile::copy(ruta, destino);
            QFile::copy(ruta + "-journal", destino + "-journal");
        }
        esquema::cerrar(nombre);
        QFile::remove(ruta);
    }

    // What start-up keeps of a file found with a journal beside it.
    static QStringList copiasDelDiario(const QString& carpeta)
    {
        return QDir(carpeta).entryList({"clinora-antes-de-recuperar-*"}, QDir::Files);
    }

private slots:
    // A change a crash interrupted: at start the engine plays the journal back and the file
    // opens sound with the data before the change; as a backup it is refused, both untouched.
    void diarioPendienteJuntoAlFichero()
    {
        QTemporaryDir dir;
        const QString copiaRuta = dir.filePath("clinora.mdb");
        cortadoAMedias(copiaRuta, 5);

        const QByteArray antes = huella(copiaRuta);
        const QByteArray diario = huella(copiaRuta + "-journal");
        Entorno e;
        QVERIFY(e.crearVentanas());
        cerrarListas();
        const QString m = mensajeDe([&] {
            copia::cargar(QSqlDatabase::database(), copiaRuta, e.carpeta() + "/s.mdb");
        });
        QVERIFY2(m.contains("diario de cambios sin terminar"), qPrintable(m));
        QCOMPARE(huella(copiaRuta), antes);
        QCOMPARE(huella(copiaRuta + "-journal"), diario);

        QSqlDatabase db = esquema::abrirClinica(copiaRuta, "recuperado");
        QCOMPARE(entero(db, "SELECT COUNT(*) FROM Paciente"), 5);
        QCOMPARE(entero(db, "SELECT COUNT(*) FROM Paciente WHERE apellido1 = 'A MEDIAS'"), 0);
        QCOMPARE(comando::valor({"PRAGMA integrity_check", {}}, db).toString(), QString("ok"));
        db = QSqlDatabase();
        esquema::cerrar("recuperado");
        QVERIFY(!QFile::exists(copiaRuta + "-journal"));
        // Sound: the copy kept while the journal was played back is gone again.
        QCOMPARE(copiasDelDiario(dir.path()), QStringList());
    }

    // A journal that belongs to another file: the file was replaced by hand (a backup copied
    // over it) while a crashed session's journal lay beside it. Playing that journal back
    // damages the file; both are kept as they were, and the message names where.
    void diarioDeOtroFicheroSeConservaConElFichero()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(esquema::kNombreFichero);
        cortadoAMedias(ruta, 5);
        const QString aMano = dir.filePath("copia-a-mano.mdb");
        crearNuestro(aMano, 200);
        QVERIFY(QFile::remove(ruta) && QFile::copy(aMano, ruta));
        const QByteArray fichero = huella(ruta);
        const QByteArray diario = huella(ruta + "-journal");

        const QString m = mensajeDe([&] { esquema::abrirClinica(ruta, "inicio"); });
        QVERIFY(!QSqlDatabase::contains("inicio"));
        const QStringList copias = copiasDelDiario(dir.path());
        QCOMPARE(copias.size(), 2);
        const QString copiaFichero = dir.filePath(copias.filter(QRegularExpression("\\.mdb$")).value(0));
        const QString copiaDiario = dir.filePath(copias.filter("diario").value(0));
        QVERIFY2(m.contains("diario") && m.contains("dañado") && m.contains(ruta)
                     && m.contains(QFileInfo(copiaFichero).fileName())
                     && m.contains(QFileInfo(copiaDiario).fileName()),
                 qPrintable(m));
        QCOMPARE(huella(copiaFichero), fichero);
        QCOMPARE(huella(copiaDiario), diario);
        for (const QString& c : {copiaFichero, copiaDiario})
            QCOMPARE(QFileInfo(c).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                     QFileDevice::Permissions());
        // The copy kept is the file copied by hand, whole: loaded as a backup it holds its data.
        QCOMPARE(esquema::verificarFichero(copiaFichero), esquema::kUserVersion);
    }

    // ---- Damage in the middle of the file: found in the background, then nothing is written.

    void paginaDelMedioDanadaSeDescubreYNoSeEscribeMas()
    {
        Entorno e;
        {
            QSqlDatabase db = e.conexion();
            comando::Transaccion t(db);
            for (int i = 1; i <= 600; ++i)
                insertarPaciente(db, i, QStringLiteral("P%1").arg(i), QString(200, 'C'));
            t.commit();
        }
        esquema::cerrar("entorno-previo");
        const QString buena = e.carpeta() + "/buena.mdb";
        QVERIFY(QFile::copy(e.rutaBD(), buena));
        const qint64 paginas = QFileInfo(e.rutaBD()).size() / 4096;
        estropear(e.rutaBD(), (paginas / 2) * 4096 + 8, 64);
        const QByteArray danado = huella(e.rutaBD());
        const QByteArray datosDanados = leerFichero(e.rutaBD());

        // The damage is not at the start: the program starts.
        QVERIFY(e.crearVentanas());
        vigilancia::Comprobacion comprobacion(e.rutaBD());
        QSignalSpy terminada(&comprobacion, &vigilancia::Comprobacion::terminada);
        comprobacion.iniciar();
        QVERIFY(terminada.wait(10000));
        QCOMPARE(terminada.first().at(0).toBool(), false);
        vigilancia::declararDanado(QSqlDatabase::database(), e.rutaBD());

        // Every write is refused with the message that says how to recover.
        const QString m = mensajeDe([&] { e.paciente(9999, "NUEVO"); });
        QVERIFY2(m.contains("está dañado") && m.contains("no escribirá nada más")
                     && m.contains("\"Backup\" › \"Cargar copia\""),
                 qPrintable(m));
        QVERIFY(m.contains(e.rutaBD()));
        // Even a statement that goes round the program's layer.
        QSqlQuery directa(QSqlDatabase::database());
        QVERIFY(!directa.exec("DELETE FROM tabla_codigo"));
        QVERIFY(comando::textoError(directa.lastError()).contains("no escribirá nada más"));
        // "Guardar copia" names the live file as damaged, not its own temporary.
        const QString g = mensajeDe([&] {
            copia::guardar(QSqlDatabase::database(), e.carpeta() + "/copia.mdb");
        });
        QVERIFY2(g.contains(e.rutaBD()) && g.contains("está dañado"), qPrintable(g));
        QVERIFY2(!g.contains(".tmp"), qPrintable(g));
        QVERIFY(!QFile::exists(e.carpeta() + "/copia.mdb"));
        QVERIFY(temporalesEn(e.carpeta()).isEmpty());
        QCOMPARE(huella(e.rutaBD()), danado);

        // Loading the last good backup is the way out, and writing works again after it.
        cerrarListas();
        copia::cargar(QSqlDatabase::database(), buena, e.carpeta() + "/antes.mdb");
        QCOMPARE(comando::valor({"PRAGMA integrity_check", {}}, QSqlDatabase::database())
                     .toString(),
                 QString("ok"));
        e.paciente(9999, "NUEVO");
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 601);
        // The safety copy holds the damaged pages as they were (the engine renumbers only the
        // change counters in the header).
        QCOMPARE(leerFichero(e.carpeta() + "/antes.mdb").mid(100), datosDanados.mid(100));
    }

    void ficheroSanoPasaLaComprobacionDeFondo()
    {
        Entorno e;
        e.paciente(1);
        QVERIFY(e.crearVentanas());
        vigilancia::Comprobacion comprobacion(e.rutaBD());
        QSignalSpy terminada(&comprobacion, &vigilancia::Comprobacion::terminada);
        comprobacion.iniciar();
        QVERIFY(terminada.wait(10000));
        QCOMPARE(terminada.first().at(0).toBool(), true);
        e.paciente(2);
    }

    // ---- One program per file.

    void segundaCopiaRechazadaNombrandoElFichero()
    {
        Entorno e;
        QVERIFY(e.crearVentanas());
        const QByteArray antes = huella(e.rutaBD());
        const QString m = mensajeDe([&] { esquema::abrirClinica(e.rutaBD(), "segunda"); });
        QVERIFY2(m.contains("Otra copia de Clinora ya está abierta") && m.contains(e.rutaBD()),
                 qPrintable(m));
        QCOMPARE(huella(e.rutaBD()), antes);
        QVERIFY(!QSqlDatabase::contains("segunda"));
        // The first one goes on working.
        e.paciente(1);
        // Once it ends, the file is free again, and its lock is gone.
        QVERIFY(QFile::exists(e.carpeta() + "/.clinora.mdb.lock"));
        programa::destruirVentanas();
        QVERIFY(!QFile::exists(e.carpeta() + "/.clinora.mdb.lock"));
        QSqlDatabase db = esquema::abrirClinica(e.rutaBD(), "segunda");
        QVERIFY(db.isOpen());
        db = QSqlDatabase();
        esquema::cerrar("segunda");
        QVERIFY(e.crearVentanas());
    }

    // Another process of ours at work on the file: refused; once it is killed, its lock is
    // taken over.
    void otroProcesoConElFicheroLoImpideHastaQueMuere()
    {
        QTemporaryDir dir;
        const QString datos = dir.filePath(esquema::kNombreFichero);
        crearNuestro(datos, 1);
        QProcess hijo;
        hijo.start(QCoreApplication::applicationDirPath() + "/clinora-escritor",
                   {datos, dir.path(), "-", "3"});
        QVERIFY(hijo.waitForReadyRead(10000));
        QVERIFY(hijo.readLine().startsWith("abierto"));
        const QString m = mensajeDe([&] { esquema::abrirClinica(datos, "segunda"); });
        QVERIFY2(m.contains("Otra copia de Clinora ya está abierta") && m.contains(datos),
                 qPrintable(m));
        hijo.kill();
        QVERIFY(hijo.waitForFinished(5000));
        QSqlDatabase db = esquema::abrirClinica(datos, "segunda");
        QCOMPARE(comando::valor({"PRAGMA integrity_check", {}}, db).toString(), QString("ok"));
        db = QSqlDatabase();
        esquema::cerrar("segunda");
    }

    // A copy killed while it was writing its lock leaves it empty or cut short.
    void bloqueoVacioOCortadoNoImpideArrancar_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addRow("vacío") << QByteArray();
        QTest::addRow("cortado") << QByteArray("12");
        QTest::addRow("sin fin de línea") << QByteArray("1");
    }
    void bloqueoVacioOCortadoNoImpideArrancar()
    {
        QFETCH(QByteArray, contenido);
        Entorno e;
        escribirFichero(e.carpeta() + "/.clinora.mdb.lock", contenido);
        QVERIFY(e.crearVentanas());
        e.paciente(1);
    }

    void bloqueoDeUnaCopiaMuertaNoImpideArrancar()
    {
        Entorno e;
        // A lock written by a program that no longer runs.
        QProcess muerto;
        muerto.start("true");
        QVERIFY(muerto.waitForFinished());
        const qint64 pid = muerto.processId() ? muerto.processId() : 999999;
        const QString cerrojo = e.carpeta() + "/.clinora.mdb.lock";
        escribirFichero(cerrojo, QByteArray::number(pid > 0 ? pid : 999999) + "\nclinora\n"
                                  + QSysInfo::machineHostName().toUtf8() + "\n");
        QVERIFY(e.crearVentanas());
        e.paciente(1);
    }

    // ---- Read-only file or folder: refused at start with the reason, the program ends.

    void soloLecturaRechazadoAlArrancar_data()
    {
        QTest::addColumn<bool>("carpeta");
        QTest::addColumn<QString>("clave");
        QTest::addRow("fichero") << false << "el fichero es de solo lectura";
        QTest::addRow("carpeta") << true << "es de solo lectura, y cada cambio necesita";
    }
    void soloLecturaRechazadoAlArrancar()
    {
        QFETCH(bool, carpeta);
        QFETCH(QString, clave);
        Entorno e;
        e.paciente(1);
        esquema::cerrar("entorno-previo");
        const QString objetivo = carpeta ? e.carpeta() : e.rutaBD();
        const QFileDevice::Permissions antes = QFile::permissions(objetivo);
        QFile::setPermissions(objetivo, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray huellaAntes = huella(e.rutaBD());
        const QStringList ficheros = QDir(e.carpeta()).entryList(QDir::Files | QDir::Hidden);
        const bool arranca = e.crearVentanas();
        QFile::setPermissions(objetivo, antes);
        QVERIFY(!arranca);
        QCOMPARE(e.textos.size(), 1);
        QVERIFY2(e.textos.first().contains(clave)
                     && e.textos.first().contains("no se pueden modificar ahí"),
                 qPrintable(e.textos.first()));
        QCOMPARE(e.tipos.first(), mensajes::Tipo::Error);
        QCOMPARE(huella(e.rutaBD()), huellaAntes);
        QCOMPARE(QDir(e.carpeta()).entryList(QDir::Files | QDir::Hidden), ficheros);
    }

    // ---- Files of the first release.

    void ficheroDeLaVersionAnteriorSePoneAlDia()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(esquema::kNombreFichero);
        crearVersion1(ruta);
        const QByteArray original = huella(ruta);
        QSqlDatabase db = esquema::abrirClinica(ruta, "actualizado");
        QCOMPARE(entero(db, "PRAGMA user_version"), esquema::kUserVersion);
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT nombre, apellido1, apellido2, nombre_orden, apellido1_orden, "
                       "apellido2_orden FROM Paciente ORDER BY codigo"));
        int filas = 0;
        while (q.next()) {
            ++filas;
            for (int i = 0; i < 3; ++i)
                QCOMPARE(q.value(3 + i).toString(), orden::clave(q.value(i).toString()));
        }
        QCOMPARE(filas, 3);
        QCOMPARE(entero(db, "SELECT COUNT(*) FROM sqlite_schema WHERE type = 'index' AND "
                            "name LIKE 'Paciente\\_%\\_orden' ESCAPE '\\'"),
                 3);
        QCOMPARE(entero(db, "SELECT COUNT(*) FROM Visita"), 1);
        QCOMPARE(entero(db, "SELECT COUNT(*) FROM Factura"), 0);
        db = QSqlDatabase();
        esquema::cerrar("actualizado");
        // Now exactly what this version creates, and the old file kept beside it as it was.
        QCOMPARE(esquema::verificarFichero(ruta), esquema::kUserVersion);
        const QStringList seguridad =
            QDir(dir.path()).entryList({"clinora-antes-de-actualizar-*.mdb"}, QDir::Files);
        QCOMPARE(seguridad.size(), 1);
        const QString vieja = dir.filePath(seguridad.first());
        QCOMPARE(esquema::verificarFichero(vieja), 1);
        conConexion(vieja, [](QSqlDatabase v) {
            QCOMPARE(entero(v, "SELECT COUNT(*) FROM Paciente"), 3);
        });
        QVERIFY(huella(ruta) != original);
    }

    // A file of version 2 gets the register of invoice numbers, empty, and one of version 3 the
    // indexes that find a patient registered twice; no row changes.
    void ficheroDeVersionAnteriorSePoneAlDia_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("quitar");
        const QStringList indices4 = {"DROP INDEX Paciente_dni",
                                      "DROP INDEX Paciente_nombre_completo",
                                      "DROP INDEX Paciente_tlf1", "DROP INDEX Paciente_tlf2"};
        QTest::addRow("versión 2") << 2
                                   << (indices4 + QStringList{"DROP INDEX Factura_visita",
                                                              "DROP TABLE Factura"});
        QTest::addRow("versión 3") << 3 << indices4;
    }
    void ficheroDeVersionAnteriorSePoneAlDia()
    {
        QFETCH(int, version);
        QFETCH(QStringList, quitar);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(esquema::kNombreFichero);
        esquema::crearFichero(ruta);
        conConexion(ruta, [&](QSqlDatabase db) {
            for (const QString& s : quitar)
                ejecutar(db, s);
            ejecutar(db, "INSERT INTO Paciente (codigo, nombre) VALUES (5, 'EVA')");
            ejecutar(db, "INSERT INTO Visita (codigo, fecha, factura, num_factura) VALUES "
                         "(5, '02/01/2026', 1, '5-02012026')");
            ejecutar(db, QStringLiteral("PRAGMA user_version = %1").arg(version));
        });
        QCOMPARE(esquema::verificarFichero(ruta), version);
        {
            QSqlDatabase db = esquema::abrirClinica(ruta, "anterior");
            QCOMPARE(entero(db, "PRAGMA user_version"), esquema::kUserVersion);
            QCOMPARE(entero(db, "SELECT COUNT(*) FROM Factura"), 0);
            QCOMPARE(entero(db, "SELECT COUNT(*) FROM Visita WHERE num_factura = '5-02012026'"),
                     1);
            QCOMPARE(entero(db, "SELECT COUNT(*) FROM Paciente WHERE nombre = 'EVA'"), 1);
        }
        esquema::cerrar("anterior");
        QCOMPARE(esquema::verificarFichero(ruta), esquema::kUserVersion);
        // The file as it was is kept beside it, still of its version.
        const QStringList seguridad =
            QDir(dir.path()).entryList({"clinora-antes-de-actualizar-*.mdb"}, QDir::Files);
        QCOMPARE(seguridad.size(), 1);
        QCOMPARE(esquema::verificarFichero(dir.filePath(seguridad.first())), version);
    }

    // The conversion is one transaction: when it cannot finish, the file stays at version 1.
    void actualizacionQueFallaNoDejaNadaAMedias()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(esquema::kNombreFichero);
        crearVersion1(ruta);
        const QByteArray antes = huella(ruta);
        const QString nombre = conexionNueva();
        QString m;
        {
            QSqlDatabase db = esquema::abrir(ruta, nombre);
            ejecutar(db, QStringLiteral("PRAGMA max_page_count = %1")
                             .arg(entero(db, "PRAGMA page_count")));
            m = mensajeDe([&] { esquema::actualizar(db, ruta, QString()); });
        }
        esquema::cerrar(nombre);
        QVERIFY2(m.contains("versión anterior") && m.contains("sigue como estaba")
                     && m.contains("disco está lleno"),
                 qPrintable(m));
        QCOMPARE(huella(ruta), antes);
        QCOMPARE(esquema::verificarFichero(ruta), 1);
    }

    void copiaDeLaVersionAnteriorSeCargaAlDia()
    {
        QTemporaryDir dir;
        const QString vieja = dir.filePath("vieja.mdb");
        crearVersion1(vieja);
        const QByteArray antes = huella(vieja);
        Entorno e;
        QVERIFY(e.crearVentanas());
        e.paciente(77);
        cerrarListas();
        copia::cargar(QSqlDatabase::database(), vieja, e.carpeta() + "/antes.mdb");
        QCOMPARE(huella(vieja), antes);
        QCOMPARE(e.valor("PRAGMA user_version").toInt(), esquema::kUserVersion);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM Paciente").toInt(), 3);
        QCOMPARE(e.valor("SELECT apellido1_orden FROM Paciente WHERE codigo = 2").toString(),
                 orden::clave("Ortega"));
        QVERIFY(temporalesEn(e.carpeta()).isEmpty());
        QCOMPARE(esquema::verificarFichero(e.rutaBD()), esquema::kUserVersion);
    }

    // ---- Leftovers of interrupted saves and loads: ours removed, nobody else's.

    void temporalesPropiosSeQuitanLosAjenosNo()
    {
        Entorno e;
        const QString c = e.carpeta();
        const QStringList nuestros = {".clinora.mdb.clinora-0123abcd.tmp",
                                      ".clinora.mdb.clinora-0123abcd.tmp-journal",
                                      ".copia.mdb.clinora-89abcdef.tmp",
                                      // of a conversion from an old Access file
                                      "clinora-nuevo-0123abcd.mdb",
                                      "clinora-nuevo-0123abcd.mdb.importando-89abcdef",
                                      "clinora-nuevo-0123abcd.mdb.importando-89abcdef-journal"};
        const QStringList ajenos = {".clinora.mdb.otro-0123abcd.tmp", ".notas.tmp",
                                    "copia.mdb.clinora-0123abcd.tmp", "clinora.mdb-journal.bak",
                                    ".x.clinora-0123abcd.tmp.bak", ".y.clinora-XYZ.tmp",
                                    "clinora-nuevo.mdb", "clinora-nuevo-0123abcd.mdb.bak",
                                    "x.importando-XYZ", "clinora-access-20261207-093015.mdb"};
        const QString otra = c + "/otra";
        QDir().mkpath(otra);
        for (const QString& n : nuestros + ajenos) {
            escribirFichero(c + "/" + n, "datos");
            escribirFichero(otra + "/" + n, "datos");
        }
        QVERIFY(e.crearVentanas());
        for (const QString& n : nuestros)
            QVERIFY2(!QFile::exists(c + "/" + n), qPrintable(n));
        for (const QString& n : ajenos)
            QVERIFY2(QFile::exists(c + "/" + n), qPrintable(n));
        // At the next save into that other folder.
        copia::guardar(QSqlDatabase::database(), otra + "/copia.mdb");
        for (const QString& n : nuestros)
            QVERIFY2(!QFile::exists(otra + "/" + n), qPrintable(n));
        for (const QString& n : ajenos)
            QVERIFY2(QFile::exists(otra + "/" + n), qPrintable(n));
        QVERIFY(temporalesEn(otra).isEmpty());
    }

    // ---- Automatic copies: on leaving, and when they cannot be made.

    void copiaAutomatica_data()
    {
        QTest::addColumn<QString>("carpeta");      // Carpeta=, under the test's folder; "" default
        QTest::addColumn<qlonglong>("libres");     // bytes left on the copies' disk; 0: plenty
        QTest::addColumn<QString>("fallo");        // what the message says; "": the copy is made
        QTest::addRow("carpeta por defecto") << "" << 0LL << "";
        QTest::addRow("carpeta elegida") << "usb" << 0LL << "";
        QTest::addRow("disco USB sin conectar") << "no-esta" << 0LL
                                                << "no existe o no está disponible";
        QTest::addRow("disco lleno") << "usb" << 20000LL << "El disco está lleno";
    }

    void copiaAutomatica()
    {
        QFETCH(QString, carpeta);
        QFETCH(qlonglong, libres);
        QFETCH(QString, fallo);
        Entorno e;
        const QString ruta = e.rutaBD();
        e.exec("INSERT INTO Paciente (codigo, nombre, apellido1, comentario) "
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
               "SELECT i, 'ANA', 'APELLIDO' || i, printf('%.40c', 'X') FROM n");
        e.exec("INSERT INTO Visita (codigo, fecha, hora) SELECT codigo, '07/12/2026', '15:00' "
               "FROM Paciente");
        QDir().mkpath(e.carpeta() + "/usb");
        if (!carpeta.isEmpty())
            copiasauto::guardarAjustes(ruta, e.carpeta() + "/" + carpeta, true);
        const QString dir = copiasauto::leerAjustes(ruta).carpeta;
        QVERIFY(e.crearVentanas());
        QSqlDatabase db = QSqlDatabase::database();
        const QDateTime momento(QDate(2026, 12, 8), QTime(20, 15, 30));
        reloj::fijar(momento);
        QString hecha;
        QString m;
        {
            std::unique_ptr<DiscoLleno> lleno;
            if (libres > 0)
                lleno = std::make_unique<DiscoLleno>(dir, libres);
            m = mensajeDe([&] { hecha = copiasauto::hacer(db, ruta); });
        }
        if (fallo.isEmpty()) {
            QVERIFY2(m.isEmpty(), qPrintable(m));
            QCOMPARE(hecha, dir + "/clinora-copia-20261208-201530.mdb");
            QCOMPARE(QFile::permissions(hecha) & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                   | QFileDevice::ReadUser
                                                   | QFileDevice::WriteUser),
                     QFileDevice::Permissions());
            esquema::verificarFicheroCompleto(hecha);
            const auto todo = [](QSqlDatabase c) {
                return comando::valor({"SELECT group_concat(codigo || apellido1 || comentario) || "
                                       "(SELECT group_concat(codigo || fecha || hora) FROM Visita) "
                                       "FROM Paciente",
                                       {}},
                                      c)
                    .toString();
            };
            QString enCopia;
            conConexion(hecha, [&](QSqlDatabase c) { enCopia = todo(c); });
            QCOMPARE(enCopia, todo(db));
            QVERIFY(enCopia.contains("APELLIDO300"));
            // The next start: nothing to say for a week; then that the copy is getting old.
            reloj::fijar(momento.addDays(7));
            QCOMPARE(copiasauto::alArrancar(ruta), QString());
            reloj::fijar(momento.addDays(8));
            QVERIFY(copiasauto::alArrancar(ruta).contains("de hace más de una semana"));
            // The disk then unplugged: the failure names the last good copy, now and at start.
            copiasauto::guardarAjustes(ruta, e.carpeta() + "/no-esta", true);
            m = mensajeDe([&] { copiasauto::hacer(db, ruta); });
            QVERIFY2(m.contains("Última copia correcta: el 08/12/2026 a las 20:15 (hace 8 días)"),
                     qPrintable(m));
            QVERIFY(copiasauto::alArrancar(ruta).contains("el 08/12/2026 a las 20:15"));
        } else {
            QVERIFY2(m.contains(fallo) && m.contains("Última copia correcta: nunca"),
                     qPrintable(m));
            QVERIFY(copiasauto::copiasEn(dir).isEmpty());
            QVERIFY(temporalesEn(dir).isEmpty());
            // A chosen folder that is missing is a disk not plugged in: never made in its place.
            QCOMPARE(QFileInfo::exists(dir), carpeta != "no-esta");
            const QString aviso = copiasauto::alArrancar(ruta);
            QVERIFY2(aviso.contains(fallo) && aviso.contains("08/12/2026"), qPrintable(aviso));
        }
        int codigo = 0;
        QCOMPARE(esquema::comprobarIntegridad(ruta, esquema::Comprobacion::Completa, &codigo),
                 QString("ok"));
        reloj::fijar({});
    }

    // Killed in the middle of automatic copies: no half copy under a final name, and the next
    // start removes what was left.
    void copiaAutomaticaMatadaNoDejaNadaAMedias()
    {
        const QString programa = QCoreApplication::applicationDirPath() + "/clinora-escritor";
        QTemporaryDir dir;
        const QString datos = dir.filePath(esquema::kNombreFichero);
        crearNuestro(datos, 20000);
        const QString copias = dir.filePath("copias");
        QRandomGenerator azar(20261208);
        int acusadas = 0, temporales = 0;
        for (int ronda = 0; ronda < 12; ++ronda) {
            QProcess hijo;
            hijo.start(programa, {"--copias-auto", datos});
            QVERIFY(hijo.waitForStarted());
            if (ronda + 1 < 12) {
                QTest::qWait(azar.bounded(40, 400));
            } else {
                // The last one is let finish a copy first, however slow the machine.
                for (int i = 0; i < 600 && !hijo.peek(1 << 16).contains("A "); ++i)
                    hijo.waitForReadyRead(100);
            }
            hijo.kill();
            QVERIFY(hijo.waitForFinished(5000));
            const QString salida = QString::fromUtf8(hijo.readAllStandardOutput());
            QVERIFY2(!salida.contains("ERROR"), qPrintable(salida));
            acusadas += int(salida.count(QStringLiteral("A ")));
            temporales += int(temporalesEn(copias).size());
            for (const copiasauto::CopiaEnCarpeta& c : copiasauto::copiasEn(copias)) {
                const QString m = mensajeDe([&] { esquema::verificarFicheroCompleto(c.ruta); });
                QVERIFY2(m.isEmpty(), qPrintable(c.ruta + ": " + m));
            }
            // The rotation keeps one copy of a day (two when killed before it could run).
            QVERIFY(copiasauto::copiasEn(copias).size() <= 2);
        }
        QCOMPARE(copiasauto::alArrancar(datos), QString());
        QVERIFY(temporalesEn(copias).isEmpty());
        qInfo("%d copias acusadas; %d temporales dejados por matanzas y quitados al arrancar",
              acusadas, temporales);
        QVERIFY(acusadas > 0);
    }
};

CLINORA_TEST_MAIN(TestFallos)
#include "tst_fallos.moc"
