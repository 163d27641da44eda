#include "tests/support/entorno.h"

#include "app/ventanas.h"
#include "db/comando.h"
#include "db/consulta.h"
#include "db/esquema.h"
#include "db/error.h"
#include "db/sql.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

namespace {
const QString kConexionPrevia = QStringLiteral("entorno-previo");
}

bool Entorno::enServidor()
{
    return qEnvironmentVariableIsSet("CLINORA_PRUEBAS_SERVIDOR");
}

servidor::Datos Entorno::servidorDePruebas()
{
    const QString carpeta = qEnvironmentVariable("CLINORA_PRUEBAS_SERVIDOR");
    QFile puerto(carpeta + QStringLiteral("/puerto"));
    if (!puerto.open(QIODevice::ReadOnly))
        qFatal("No hay servidor de pruebas en %s (falta su puerto)", qPrintable(carpeta));
    servidor::Datos d;
    d.anfitrion = carpeta;
    d.puerto = puerto.readAll().trimmed().toInt();
    d.usuario = QStringLiteral("clinora");
    // One database per test program, so programs running side by side never meet.
    d.base = QFileInfo(QCoreApplication::applicationFilePath()).baseName().toLower();
    return d;
}

namespace {

void escribirIni(const QString& rutaIni, const servidor::Datos& datos)
{
    QFile ini(rutaIni);
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Text))
        qFatal("No se puede escribir %s", qPrintable(rutaIni));
    ini.write(QStringLiteral("[Servidor]\nAnfitrion=%1\nPuerto=%2\nBase=%3\nUsuario=%4\n")
                  .arg(datos.anfitrion)
                  .arg(datos.puerto)
                  .arg(datos.base, datos.usuario)
                  .toUtf8());
}

// The test program's database on the test server, made the first time, and emptied back to
// fresh tables for every test. A server that does not answer ends the test program: it fails.
void prepararServidor(const QString& rutaIni)
{
    const servidor::Datos datos = Entorno::servidorDePruebas();
    static bool creada = false;
    if (!creada) {
        servidor::Datos postgres = datos;
        postgres.base = QStringLiteral("postgres");
        try {
            QSqlDatabase db = servidor::conectar(postgres, QString(), QStringLiteral("entorno-pg"));
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'")
                       .arg(datos.base));
            if (!q.next() && !q.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(datos.base)))
                qFatal("%s", qPrintable(q.lastError().text()));
        } catch (const DbError& e) {
            qFatal("%s", qPrintable(e.message()));
        }
        esquema::cerrar(QStringLiteral("entorno-pg"));
        creada = true;
    }
    try {
        QSqlDatabase db = servidor::conectar(datos, QString(), QStringLiteral("entorno-pg"));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("DROP SCHEMA public CASCADE"))
            || !q.exec(QStringLiteral("CREATE SCHEMA public")))
            qFatal("%s", qPrintable(q.lastError().text()));
        servidor::crear(db);
    } catch (const DbError& e) {
        qFatal("%s", qPrintable(e.message()));
    }
    esquema::cerrar(QStringLiteral("entorno-pg"));
    escribirIni(rutaIni, datos);
}

}  // namespace

Entorno::Entorno()
{
    if (enServidor())
        prepararServidor(consulta::rutaJuntoA(rutaBD()));
    else
        esquema::crearFichero(rutaBD());
    responderConGuion();
    setEjecutorModal([this](Ventana* v) {
        abiertas.append(v->objectName());
        // Every window exists once: opened again over itself, a hand-off missed the copy open
        // beneath (and a script would open it again and again).
        if (ventanasAbiertas().count(v) > 1) {
            QTest::qFail(qPrintable(v->objectName() + QStringLiteral(" abierta sobre sí misma")),
                         __FILE__, __LINE__);
            return int(QDialog::Rejected);
        }
        const auto guion = guiones.value(v->objectName());
        return guion ? guion(v) : int(QDialog::Rejected);
    });
}

Entorno::~Entorno()
{
    esquema::cerrar(kConexionPrevia);
    if (ventanas_)
        programa::destruirVentanas();
    esquema::cerrar();
    mensajes::setRespondedor({});
    setEjecutorModal({});
}

void Entorno::responderConGuion()
{
    mensajes::setRespondedor([this](mensajes::Tipo tipo, const QString& texto) {
        textos.append(texto);
        tipos.append(tipo);
        return respuestas.isEmpty() ? 1 : respuestas.takeFirst();
    });
}

void Entorno::responderConEnter(const std::function<void()>& accion)
{
    mensajes::setRespondedor({});
    QTimer vigia;
    vigia.setInterval(10);
    int cajas = 0;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja || !caja->isVisible())
            return;
        textos.append(caja->text());
        // A box that Enter does not close must not hang the test.
        if (++cajas > 5) {
            caja->reject();
            return;
        }
        QTest::keyClick(caja->focusWidget() ? caja->focusWidget() : caja, Qt::Key_Return);
    });
    vigia.start();
    accion();
    vigia.stop();
    responderConGuion();
}

QString Entorno::rutaBD() const
{
    return dir_.filePath(esquema::kNombreFichero);
}

void Entorno::usarServidor(const servidor::Datos& datos)
{
    esquema::cerrar(kConexionPrevia);
    escribirIni(consulta::rutaJuntoA(rutaBD()), datos);
}

bool Entorno::crearVentanas()
{
    esquema::cerrar(kConexionPrevia);
    ventanas_ = programa::crearVentanas(rutaBD());
    return ventanas_;
}

QSqlDatabase Entorno::conexion()
{
    if (ventanas_)
        return QSqlDatabase::database();
    if (!QSqlDatabase::contains(kConexionPrevia)) {
        if (enServidor())
            servidor::conectar(*servidor::leer(consulta::rutaJuntoA(rutaBD())), QString(),
                               kConexionPrevia);
        else
            esquema::abrir(rutaBD(), kConexionPrevia);
    }
    return QSqlDatabase::database(kConexionPrevia);
}

QSqlDatabase Entorno::otroPuesto(const QString& nombre) const
{
    if (enServidor())
        return servidor::conectar(*servidor::leer(consulta::rutaJuntoA(rutaBD())), QString(),
                                  nombre);
    return esquema::abrir(rutaBD(), nombre);
}

void Entorno::paciente(int codigo, const QString& apellido1, const QString& nombre,
                       const QString& apellido2)
{
    sql::DatosPaciente p;
    p.codigo = codigo;
    p.nombre = nombre;
    p.apellido1 = apellido1;
    p.apellido2 = apellido2;
    p.tlf1 = QStringLiteral("600000000");
    p.fechaAlta = QStringLiteral("01/01/2026");
    comando::ejecutar(sql::insertarPaciente(p), conexion());
}

void Entorno::visita(int codigo, const QString& fecha, const QString& hora, bool pago,
                     const QString& observacion)
{
    sql::NuevaVisita v;
    v.codigo = codigo;
    v.fecha = fecha;
    v.hora = hora;
    v.pago = pago;
    v.observacion = observacion;
    comando::ejecutar(sql::insertarVisita(v), conexion());
}

void Entorno::exec(const QString& texto, const QVariantList& valores)
{
    comando::ejecutar(Sql{texto, valores}, conexion());
}

QVariant Entorno::valor(const QString& texto, const QVariantList& valores)
{
    return comando::valor(Sql{texto, valores}, conexion());
}

int Entorno::abrir(Ventana* ventana, std::function<void()> guion)
{
    alAbrir(ventana->objectName(), std::move(guion));
    return showModal(ventana);
}

void Entorno::alAbrir(const QString& ventana, std::function<void()> guion)
{
    guiones[ventana] = [guion](Ventana* v) {
        v->setResult(QDialog::Rejected);
        bool cerrada = false;
        const auto c = QObject::connect(v, &QDialog::finished, [&] { cerrada = true; });
        guion();
        QObject::disconnect(c);
        if (!cerrada)
            v->reject();
        return v->result();
    };
}

QString mensajeDe(const std::function<void()>& accion)
{
    try {
        accion();
    } catch (const DbError& e) {
        return e.message();
    }
    return QString();
}

QStringList ordenDeTabulacion(QWidget* inicio, QStringList* sinNombre)
{
    QStringList orden;
    QWidget* w = inicio;
    do {
        // Parts of a control pass the focus to the control itself.
        const bool parte = w->focusProxy() && w->focusProxy()->isAncestorOf(w);
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !parte
            && !w->objectName().startsWith(QLatin1String("qt_"))) {
            orden << w->objectName();
            if (w->accessibleName().isEmpty())
                *sinNombre << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != inicio && orden.size() < 60);
    return orden;
}
