#include "app/aplicacion.h"
#include "app/ventanas.h"
#include "db/error.h"
#include "ui/common/mensajes.h"

#include <QFile>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

// Used only by the benchmark that times start-up: once the first screen is painted, report it
// with the peak memory so far, and leave.
void avisarArranqueYSalir()
{
    QTimer::singleShot(0, Form1, [] {
        Form1->repaint();
        QByteArray pico;
        QFile estado(QStringLiteral("/proc/self/status"));
        if (estado.open(QIODevice::ReadOnly)) {
            for (const QByteArray& linea : estado.readAll().split('\n')) {
                if (linea.startsWith("VmHWM:"))
                    pico = linea.simplified();
            }
        }
        std::printf("listo %s\n", pico.constData());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}

}  // namespace

int main(int argc, char** argv)
{
    Aplicacion app(argc, argv);
    try {
        programa::configurarIdioma();
        if (!programa::crearVentanas(programa::rutaBaseDatos()))
            return 0;
        // Without a window manager "maximised" means nothing: take the screen's work area.
        Form1->setGeometry(Form1->screen()->availableGeometry());
        Form1->showMaximized();
        if (qEnvironmentVariableIsSet("CLINORA_BENCH_SALIR"))
            avisarArranqueYSalir();
        Aplicacion::exec();
    } catch (const DbError& e) {
        mensajes::error(e.message());
    } catch (const std::exception& e) {
        mensajes::error(QString::fromUtf8(e.what()));
    } catch (...) {
        mensajes::error(QString());
    }
    programa::destruirVentanas();
    return 0;
}
