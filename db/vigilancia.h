#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <mutex>
#include <thread>

struct sqlite3;

// Damage in the data file found before the user works on it: the engine's quick check of every
// page, and the search for visits of missing patients, run on a read-only connection of its own
// on a thread of its own once the main window is up, so start-up does not wait for them. A
// damaged file is then written no more.
namespace vigilancia {

// What the user is told when the data file is found damaged.
QString mensajeDanado(const QString& ruta);

// No more writes to the damaged file: the connection becomes read-only (query_only) and every
// write of the program is refused with mensajeDanado before it reaches the engine.
void declararDanado(QSqlDatabase db, const QString& ruta);
// After a backup has replaced the damaged data.
void levantarDanado(QSqlDatabase db);

class Comprobacion : public QObject {
    Q_OBJECT
public:
    explicit Comprobacion(const QString& ruta, QObject* parent = nullptr);
    // Stops a check still running (the engine is interrupted) and waits for its thread.
    ~Comprobacion() override;

    void iniciar();

signals:
    // Sent on the owner's thread once the check has an answer: sound, or damaged with the
    // engine's findings. A check that could not run (the file busy for long) sends nothing.
    void terminada(bool sano, const QString& detalle);

private:
    void trabajar();

    QString ruta_;
    unsigned long long fichero_ = 0;   // the file checked, by its identity on disk
    std::thread hilo_;
    std::mutex mutex_;
    sqlite3* conexion_ = nullptr;
    bool parar_ = false;
};

}  // namespace vigilancia
