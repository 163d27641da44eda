// A writer killed at random moments loses nothing it acknowledged: a child process
// (clinora-escritor) writes patients, visits, backups and loads through the program's own
// routines, acknowledging each committed change, and is killed; after every kill the file must
// open sound and hold every acknowledged row. The slow part of the suite (label "lento").
#include "db/comando.h"
#include "db/copia.h"
#include "db/esquema.h"
#include "db/verificacion.h"
#include "tests/support/entorno.h"
#include "tests/support/ficheros.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

class TestMatanzas : public QObject {
    Q_OBJECT

private slots:
    void escritorMatadoNoPierdeNada()
    {
        int matanzas = qEnvironmentVariableIntValue("CLINORA_MATANZAS");
        if (matanzas < 1)
            matanzas = 80;
        const QString programa = QCoreApplication::applicationDirPath() + "/clinora-escritor";
        QVERIFY2(QFile::exists(programa), qPrintable(programa));
        QTemporaryDir dir;
        const QString datos = dir.filePath(esquema::kNombreFichero);
        const QString copias = dir.filePath("copias");
        QDir().mkpath(copias);
        const QString base = dir.filePath("base.mdb");
        crearNuestro(datos, 0);
        crearNuestro(base, 3);

        using Filas = QSet<QString>;
        const auto leerFilas = [](QSqlDatabase db) {
            Filas f;
            QSqlQuery q(db);
            q.exec("SELECT 'P ' || codigo FROM Paciente UNION ALL "
                   "SELECT 'V ' || codigo || ' ' || fecha FROM Visita");
            while (q.next())
                f.insert(q.value(0).toString());
            return f;
        };
        Filas filasBase;
        conConexion(base, [&](QSqlDatabase db) { filasBase = leerFilas(db); });

        Filas esperadas;
        QRandomGenerator azar(20261207);
        int acuses = 0, cargasCortadas = 0, copiasComprobadas = 0, temporalesVistos = 0;
        int arranque = 0;
        QElapsedTimer total;
        total.start();
        for (int ronda = 0; ronda < matanzas; ++ronda) {
            QProcess hijo;
            hijo.setProcessChannelMode(QProcess::SeparateChannels);
            hijo.start(programa, {datos, copias, base, QString::number(ronda + 1)});
            QVERIFY(hijo.waitForStarted());
            // Killed anywhere from its start-up checks to well into its writing. On a loaded
            // machine the start-up alone may outlast a fixed window, so the window grows with
            // the start-up last seen (the time to the first acknowledgement).
            const int plazo = azar.bounded(5, 250 + arranque);
            QElapsedTimer reloj;
            reloj.start();
            qint64 primerAcuse = -1;
            while (reloj.elapsed() < plazo && hijo.state() == QProcess::Running) {
                if (hijo.waitForReadyRead(int(plazo - reloj.elapsed())) && primerAcuse < 0)
                    primerAcuse = reloj.elapsed();
            }
            // Unacknowledged so far: the start-up took at least this long.
            arranque = primerAcuse >= 0 ? int(primerAcuse) : std::max(arranque, plazo);
            hijo.kill();
            QVERIFY(hijo.waitForFinished(30000));
            const QStringList lineas =
                QString::fromUtf8(hijo.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            bool cargando = false;
            QList<QPair<QString, Filas>> guardadas;
            for (const QString& l : lineas) {
                QVERIFY2(!l.startsWith("ERROR"), qPrintable(l));
                if (l.startsWith("P ") || l.startsWith("V ")) {
                    esperadas.insert(l);
                    ++acuses;
                } else if (l == "L") {
                    cargando = true;
                } else if (l == "l") {
                    cargando = false;
                    esperadas = filasBase;
                } else if (l.startsWith("G ")) {
                    guardadas.append({l.mid(2), esperadas});
                }
            }
            temporalesVistos += temporalesEn(dir.path()).size() + temporalesEn(copias).size();

            // What the next start finds: sound, and holding every acknowledged row.
            QSqlDatabase db;
            const QString arranque = mensajeDe([&] { db = esquema::abrirClinica(datos, "tras-matar"); });
            QVERIFY2(arranque.isEmpty(),
                     qPrintable(QStringLiteral("ronda %1: %2\n%3")
                                    .arg(ronda)
                                    .arg(arranque, lineas.join(QLatin1Char('|')).right(300))));
            QCOMPARE(comando::valor({"PRAGMA integrity_check", {}}, db).toString(),
                     QString("ok"));
            const Filas vivas = leerFilas(db);
            db = QSqlDatabase();
            esquema::cerrar("tras-matar");
            if (cargando && vivas == filasBase) {
                ++cargasCortadas;   // the load had committed when the kill came
            } else {
                const Filas perdidas = esperadas - vivas;
                QVERIFY2(perdidas.isEmpty(),
                         qPrintable(QStringLiteral("ronda %1: perdidas %2")
                                        .arg(ronda)
                                        .arg(QStringList(perdidas.values()).join(", "))));
            }
            // From here on, whatever was committed must stay.
            esperadas = vivas;
            for (const auto& [ruta, filas] : guardadas) {
                const QString m = mensajeDe([&] { esquema::verificarFicheroCompleto(ruta); });
                QVERIFY2(m.isEmpty(), qPrintable(m));
                Filas enCopia;
                conConexion(ruta, [&](QSqlDatabase c) { enCopia = leerFilas(c); });
                QVERIFY((filas - enCopia).isEmpty());
                QFile::remove(ruta);
                ++copiasComprobadas;
            }
        }
        // The next start and the next save leave none of our temporaries behind.
        QSqlDatabase db = esquema::abrirClinica(datos, "final");
        copia::guardar(db, copias + "/final.mdb");
        db = QSqlDatabase();
        esquema::cerrar("final");
        QVERIFY(temporalesEn(dir.path()).isEmpty());
        QVERIFY(temporalesEn(copias).isEmpty());
        qInfo("%d matanzas en %lld ms: %d filas acusadas, ninguna perdida; %d copias "
              "comprobadas; %d cargas ya hechas al matar; %d temporales dejados por matanzas "
              "y quitados después",
              matanzas, total.elapsed(), acuses, copiasComprobadas, cargasCortadas,
              temporalesVistos);
        QVERIFY(acuses > matanzas);
    }
};

CLINORA_TEST_MAIN(TestMatanzas)
#include "tst_matanzas.moc"
