#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QTimer>

// On the server, what another desk (or any other client of the database) changed: the
// triggers count every change of patients and visits and announce it; this desk listens for the
// announcements and, since one can be missed, also reads the count now and then. A connection
// found broken is opened again, and the listening taken up again, once the server answers.
namespace avisos {

class Vigia : public QObject {
    Q_OBJECT

public:
    // Listens on the connection `conexion` (the program's own when empty); does nothing on the
    // file, where only this desk writes. `periodo` is how often the count is read.
    explicit Vigia(const QString& conexion = QString(), int periodo = 1000,
                   QObject* parent = nullptr);

    bool activo() const { return activo_; }
    // The connection was found broken and is not back yet.
    bool sinServidor() const { return perdida_; }

signals:
    // Patients or visits changed since the last signal; lists that show them should re-run.
    void cambios();
    // The server stopped answering, or answers again (the connection was opened anew).
    void conexionPerdida();
    void conexionRecuperada();

private:
    QSqlDatabase db() const;
    void suscribir();
    void comprobar();
    void perder();
    void recuperada();
    void sondear();

    QString conexion_;
    QTimer reloj_;
    qint64 visto_ = -1;
    bool activo_ = false;
    bool perdida_ = false;
    bool sondeando_ = false;
};

}  // namespace avisos
