#include "db/avisos.h"

#include "db/comando.h"
#include "db/motor.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <thread>

namespace avisos {

Vigia::Vigia(const QString& conexion, int periodo, QObject* parent)
    : QObject(parent),
      conexion_(conexion.isEmpty() ? QString(QSqlDatabase::defaultConnection) : conexion)
{
    if (!motor::esServidor(db()))
        return;
    activo_ = true;
    suscribir();
    reloj_.setInterval(periodo);
    connect(&reloj_, &QTimer::timeout, this, &Vigia::comprobar);
    reloj_.start();
}

QSqlDatabase Vigia::db() const
{
    return QSqlDatabase::database(conexion_, false);
}

void Vigia::suscribir()
{
    QSqlDriver* driver = db().driver();
    // The same driver object lives on across a reconnection; one connection of the signal.
    disconnect(driver, nullptr, this, nullptr);
    driver->subscribeToNotification(motor::kCanalAvisos);
    connect(driver, &QSqlDriver::notification, this,
            [this](const QString& canal, QSqlDriver::NotificationSource origen, const QVariant&) {
                // This desk's own changes have refreshed its windows already.
                if (canal != motor::kCanalAvisos || origen == QSqlDriver::SelfSource)
                    return;
                comprobar();
            });
    QSqlQuery q(db());
    if (q.exec(motor::kLeerCambios) && q.next())
        visto_ = q.value(0).toLongLong();
}

void Vigia::comprobar()
{
    QSqlDatabase base = db();
    if (!base.isOpen()) {
        perder();
        return;
    }
    // Opened again meanwhile (any use of the connection reopens a closed one): the listening
    // went with the old session, and what changed while it was away was not announced.
    if (!base.driver()->subscribedToNotifications().contains(motor::kCanalAvisos)) {
        suscribir();
        recuperada();
        return;
    }
    QSqlQuery q(base);
    if (!q.exec(motor::kLeerCambios) || !q.next()) {
        if (motor::conexionPerdida(q.lastError())) {
            q = QSqlQuery();
            comando::olvidarPreparadas(conexion_);
            base.close();
            perder();
        }
        return;
    }
    const qint64 numero = q.value(0).toLongLong();
    if (numero == visto_)
        return;
    visto_ = numero;
    emit cambios();
}

void Vigia::perder()
{
    if (!perdida_) {
        perdida_ = true;
        emit conexionPerdida();
    }
    sondear();
}

void Vigia::recuperada()
{
    if (perdida_) {
        perdida_ = false;
        emit conexionRecuperada();
    }
    emit cambios();
}

void Vigia::sondear()
{
    // Whether the server answers is asked on a connection of a thread of its own, so a server
    // that does not answer never holds the windows; only once it does is this desk's
    // connection opened again (at once, then).
    if (sondeando_)
        return;
    sondeando_ = true;
    const QSqlDatabase base = db();
    struct Datos {
        QString anfitrion, base, usuario, contrasena, opciones;
        int puerto;
    } datos{base.hostName(), base.databaseName(), base.userName(), base.password(),
            base.connectOptions(), base.port()};
    QPointer<Vigia> yo(this);
    std::thread([datos, yo] {
        const QString nombre = QStringLiteral("sondeo-") + QUuid::createUuid().toString();
        bool responde = false;
        {
            QSqlDatabase prueba = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nombre);
            prueba.setHostName(datos.anfitrion);
            prueba.setPort(datos.puerto);
            prueba.setDatabaseName(datos.base);
            prueba.setUserName(datos.usuario);
            prueba.setPassword(datos.contrasena);
            prueba.setConnectOptions(datos.opciones);
            responde = prueba.open();
            prueba.close();
        }
        QSqlDatabase::removeDatabase(nombre);
        QMetaObject::invokeMethod(
            qApp,
            [yo, responde] {
                if (!yo)
                    return;
                yo->sondeando_ = false;
                if (!responde)
                    return;
                QSqlDatabase base = yo->db();
                // What the old session had prepared is not on the new one.
                comando::olvidarPreparadas(yo->conexion_);
                base.close();
                if (base.open()) {
                    yo->suscribir();
                    yo->recuperada();
                }
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace avisos
