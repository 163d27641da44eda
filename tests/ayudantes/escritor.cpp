// clinora-escritor: the child process of the crash test. It works on a clinic database through
// the program's own routines (start-up checks and lock, code proposal, inserts with their
// checks, saves and loads of backups) and acknowledges on its standard output, one line each,
// every change once it is committed:
//   P <code>            a patient inserted
//   V <code> <date>     a visit booked
//   G <file>            a backup saved
//   L / l               a backup load starting / done (the data are then the backup's)
// The test kills it at random moments and checks that nothing acknowledged was lost.
//   clinora-escritor DATOS CARPETA_COPIAS BASE_CARGAS SEMILLA
// (BASE_CARGAS "-": no loads, so the data only grow.)
// It also makes automatic copies of DATOS, one after another, acknowledging each whole one:
//   clinora-escritor --copias-auto DATOS   ->   "A <file>" per copy
// It also reports on a file as the program finds it at start:
//   clinora-escritor --comprobar DATOS   ->   "integridad ok pacientes N visitas M"
#include "db/comando.h"
#include "db/copia.h"
#include "db/copiasauto.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/sql.h"

#include <QCoreApplication>
#include <QDate>
#include <QRandomGenerator>

#include <unistd.h>

namespace {

// Straight to the pipe, unbuffered: an acknowledgement written is one the test will read.
void acusar(const QString& linea)
{
    const QByteArray b = (linea + QLatin1Char('\n')).toUtf8();
    qsizetype hecho = 0;
    while (hecho < b.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, b.constData() + hecho, size_t(b.size() - hecho));
        if (n <= 0)
            return;
        hecho += n;
    }
}

// A new patient on the proposed code: reading the counter, the duplicate check, the insert and
// moving the counter are one change.
int insertarPaciente(QSqlDatabase db)
{
    comando::Transaccion t(db);
    qint64 codigo = comando::valor(sql::leerTablaCodigo(), db).toLongLong();
    codigo = comando::valor(sql::primerCodigoLibreDesde(codigo), db).toLongLong();
    if (comando::valor(sql::contarPacientesConCodigo(codigo), db).toInt() != 0)
        throw DbError(QStringLiteral("código ocupado"));
    sql::DatosPaciente p;
    p.codigo = int(codigo);
    p.nombre = QStringLiteral("ANA");
    p.apellido1 = QStringLiteral("PÉREZ");
    p.apellido2 = QStringLiteral("NÚÑEZ");
    p.tlf1 = QStringLiteral("600000000");
    p.fechaAlta = QStringLiteral("01/01/2026");
    comando::ejecutar(sql::insertarPaciente(p), db);
    comando::ejecutar(sql::guardarTablaCodigo(codigo + 1), db);
    t.commit();
    return int(codigo);
}

// A visit of a patient on a free day of his, checked and inserted in one change.
bool reservar(QSqlDatabase db, QRandomGenerator& azar, int* codigo, QString* fecha)
{
    comando::Transaccion t(db);
    const QVariant v = comando::valor(
        Sql{QStringLiteral("SELECT codigo FROM Paciente ORDER BY random() LIMIT 1"), {}}, db);
    if (v.isNull())
        return false;
    *codigo = v.toInt();
    *fecha = formatos::textoFecha(QDate(2026, 1, 1).addDays(azar.bounded(3650)));
    if (comando::valor(sql::contarVisitasDelDia(*codigo, *fecha), db).toInt() != 0)
        return false;
    sql::NuevaVisita n;
    n.codigo = *codigo;
    n.fecha = *fecha;
    n.hora = QStringLiteral("15:00");
    comando::ejecutar(sql::insertarVisita(n), db);
    t.commit();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--comprobar")) {
        try {
            QSqlDatabase db = esquema::abrirClinica(args.at(2));
            acusar(QStringLiteral("integridad %1 pacientes %2 visitas %3")
                       .arg(comando::valor(Sql{QStringLiteral("PRAGMA integrity_check"), {}}, db)
                                .toString())
                       .arg(comando::valor(Sql{QStringLiteral("SELECT COUNT(*) FROM Paciente"),
                                               {}},
                                           db)
                                .toInt())
                       .arg(comando::valor(Sql{QStringLiteral("SELECT COUNT(*) FROM Visita"), {}},
                                           db)
                                .toInt()));
        } catch (const DbError& e) {
            acusar(QStringLiteral("ERROR ") + e.message().simplified());
            return 1;
        }
        return 0;
    }
    if (args.size() == 3 && args.at(1) == QLatin1String("--copias-auto")) {
        try {
            QSqlDatabase db = esquema::abrirClinica(args.at(2));
            for (;;)
                acusar(QStringLiteral("A ") + copiasauto::hacer(db, args.at(2)));
        } catch (const DbError& e) {
            acusar(QStringLiteral("ERROR ") + e.message().simplified());
            return 1;
        }
    }
    if (args.size() != 5)
        return 2;
    const QString datos = args.at(1);
    const QString copias = args.at(2);
    const QString base = args.at(3);
    QRandomGenerator azar(args.at(4).toUInt());
    try {
        QSqlDatabase db = esquema::abrirClinica(datos);
        acusar(QStringLiteral("abierto"));
        for (int n = 0;; ++n) {
            const int tirada = azar.bounded(100);
            if (tirada < 55) {
                acusar(QStringLiteral("P %1").arg(insertarPaciente(db)));
            } else if (tirada < 90) {
                int codigo = 0;
                QString fecha;
                if (reservar(db, azar, &codigo, &fecha))
                    acusar(QStringLiteral("V %1 %2").arg(codigo).arg(fecha));
            } else if (tirada < 97 || base == QLatin1String("-")) {
                const QString destino = copias + QStringLiteral("/copia-%1-%2.mdb")
                                                     .arg(args.at(4))
                                                     .arg(n);
                copia::guardar(db, destino);
                acusar(QStringLiteral("G ") + destino);
            } else {
                acusar(QStringLiteral("L"));
                copia::cargar(db, base, copias + QStringLiteral("/antes-%1-%2.mdb")
                                            .arg(args.at(4))
                                            .arg(n));
                acusar(QStringLiteral("l"));
            }
        }
    } catch (const DbError& e) {
        acusar(QStringLiteral("ERROR ") + e.message().simplified());
        return 1;
    }
}
