// The same actions on the practice's server: a private PostgreSQL server started for the run
// (scripts/servidor_pruebas.sh), the large file moved up into it (timed: servidor_subir), the
// program's windows on it through a clinora.ini, and the other desk's booking seen on this one.
#include "bench/servidor.h"

#include "app/ventanas.h"
#include "db/comando.h"
#include "db/consulta.h"
#include "db/dataset.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/servidor.h"
#include "db/sql.h"
#include "db/traslado.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace bench {

namespace {

QString guion()
{
    return QStringLiteral(CLINORA_SCRIPTS "/servidor_pruebas.sh");
}

}  // namespace

ServidorDePruebas::ServidorDePruebas()
{
    // The server runs as another user, who must reach its folder inside this one.
    QFile::setPermissions(carpeta_.path(), QFile::permissions(carpeta_.path())
                                               | QFileDevice::ExeOther | QFileDevice::ExeGroup);
    QProcess p;
    p.start(guion(), {QStringLiteral("arrancar"), carpeta_.filePath(QStringLiteral("pg"))});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        throw Fallo(QStringLiteral("no arranca el servidor de pruebas: ")
                    + QString::fromLocal8Bit(p.readAllStandardError()).simplified());
    datos_.anfitrion = carpeta_.filePath(QStringLiteral("pg"));
    datos_.puerto = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
    datos_.usuario = QStringLiteral("clinora");
    datos_.base = QStringLiteral("postgres");
    {
        QSqlDatabase db = servidor::conectar(datos_, QString(), QStringLiteral("bench-pg"));
        QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE clinora"));
    }
    esquema::cerrar(QStringLiteral("bench-pg"));
    datos_.base = QStringLiteral("clinora");
    arrancado_ = true;
}

ServidorDePruebas::~ServidorDePruebas()
{
    if (!arrancado_)
        return;
    QProcess p;
    p.start(guion(), {QStringLiteral("parar"), carpeta_.filePath(QStringLiteral("pg"))});
    p.waitForFinished(60000);
}

QString ServidorDePruebas::rutaBaseDatos() const
{
    return carpeta_.filePath(esquema::kNombreFichero);
}

Resultado ServidorDePruebas::subir(const QString& fichero)
{
    Resultado r;
    traslado::Cuentas cuentas;
    {
        QSqlDatabase db = servidor::conectar(datos_, QString(), QStringLiteral("bench-subir"));
        servidor::crear(db);
        QElapsedTimer reloj;
        reloj.start();
        cuentas = traslado::subir(fichero, db);
        r.programa.ms << double(reloj.nsecsElapsed()) / 1e6;
        // The server's planner statistics and its pages' visibility, as its autovacuum would
        // gather and set them soon after a load this size: timed right after it, every first
        // read would still be writing the rows' hint bits back.
        QSqlQuery(db).exec(QStringLiteral("VACUUM ANALYZE"));
    }
    esquema::cerrar(QStringLiteral("bench-subir"));
    r.notas << QStringLiteral("%1 pacientes y %2 citas en una transacción, cuentas comprobadas; "
                              "incluye la comprobación completa del fichero")
                   .arg(cuentas.pacientes)
                   .arg(cuentas.visitas);
    QFile ini(consulta::rutaJuntoA(rutaBaseDatos()));
    if (!ini.open(QIODevice::WriteOnly))
        throw Fallo(QStringLiteral("no se puede escribir ") + ini.fileName());
    ini.write(QStringLiteral("[Servidor]\nAnfitrion=%1\nPuerto=%2\nBase=%3\nUsuario=%4\n")
                  .arg(datos_.anfitrion)
                  .arg(datos_.puerto)
                  .arg(datos_.base, datos_.usuario)
                  .toUtf8());
    return r;
}

Tiempos ServidorDePruebas::desnudo(const Sql& s, const Repeticiones& r, int* filas)
{
    QSqlDatabase db = conexionDesnuda();
    int cuenta = 0;
    Tiempos t = medir(r, [&] {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(s.text))
            throw Fallo(q.lastError().text());
        comando::enlazar(q, s.values);
        if (!q.exec())
            throw Fallo(q.lastError().text());
        cuenta = 0;
        while (q.next())
            ++cuenta;
    });
    if (filas)
        *filas = cuenta;
    return t;
}

QVariantList ServidorDePruebas::primeraFila(const Sql& s)
{
    QSqlQuery q = comando::preparar(s, conexionDesnuda());
    QVariantList fila;
    if (q.next()) {
        for (int i = 0; i < q.record().count(); ++i)
            fila << q.value(i);
    }
    return fila;
}

QSqlDatabase ServidorDePruebas::conexionDesnuda()
{
    const QString nombre = QStringLiteral("bench-desnudo");
    if (QSqlDatabase::contains(nombre))
        return QSqlDatabase::database(nombre);
    return servidor::conectar(datos_, QString(), nombre);
}

void ServidorDePruebas::cerrarConexiones()
{
    esquema::cerrar(QStringLiteral("bench-desnudo"));
}

// Another desk books a visit for today: the time until this desk's day list shows it, through
// the server's notice and the refresh of its lists (each run deletes it again, and waits for that
// to show too, untimed).
Resultado otroPuesto(Contexto& c, ServidorDePruebas& s)
{
    c.asegurarVentanas();
    QSqlDatabase otro = servidor::conectar(s.datos(), QString(), QStringLiteral("bench-otro"));
    const QString hoy = formatos::textoFecha(reloj::hoy());
    const int codigo =
        comando::valor(Sql{QStringLiteral("SELECT MIN(codigo) FROM Paciente WHERE codigo NOT IN "
                                          "(SELECT codigo FROM Visita WHERE fecha = ?)"),
                           {hoy}},
                       otro)
            .toInt();
    // The list holds its first screen: the visit is booked at an hour before the day's first,
    // so it shows at the top, where the user sees it.
    const auto mostrada = [codigo] {
        const DataSet* lista = Form1->ADODataSetCitas;
        for (int fila = 0; fila < lista->model()->rowCount(); ++fila) {
            if (lista->fieldAt(fila, QStringLiteral("Visita.codigo")).toInt() == codigo)
                return true;
        }
        return false;
    };
    const auto esperar = [&](bool vista) {
        QElapsedTimer reloj;
        reloj.start();
        while (mostrada() != vista) {
            if (reloj.elapsed() > 5000)
                throw Fallo(QStringLiteral("la lista del día no cambió en 5 s"));
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    Form1->ADODataSetCitas->reopen();
    const int antes =
        comando::valor(Sql{QStringLiteral("SELECT COUNT(*) FROM Visita WHERE fecha = ?"), {hoy}},
                       otro)
            .toInt();
    Resultado r;
    r.programa = medir(
        c.repeticiones(),
        [&](int) {
            comando::ejecutar(sql::borrarVisita(codigo, hoy), otro);
            esperar(false);
        },
        [&] {
            comando::ejecutar(sql::insertarVisita({codigo, hoy, false, 0, QString(), "00:00"}),
                              otro);
            esperar(true);
            pintarVentana(Form1);
        });
    comando::ejecutar(sql::borrarVisita(codigo, hoy), otro);
    otro = QSqlDatabase();
    esquema::cerrar(QStringLiteral("bench-otro"));
    r.notas << QStringLiteral("desde la cita guardada por el otro puesto hasta la lista del día "
                              "de este (%1 citas hoy) pintada con ella")
                   .arg(antes);
    return r;
}

}  // namespace bench
