#include "app/aplicacion.h"
#include "app/ventanas.h"
#include "db/error.h"
#include "db/motor.h"
#include "db/vigilancia.h"
#include "ui/common/mensajes.h"
#include "ui/main/copiasauto.h"

#include <QFile>
#include <QScreen>
#include <QSqlDatabase>
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

// Once the main window is up, the whole file is checked in the background; damage found then
// stops every write and tells the user how to get the data back.
void vigilarFichero(const QString& ruta)
{
    auto* comprobacion = new vigilancia::Comprobacion(ruta, Form1);
    QObject::connect(comprobacion, &vigilancia::Comprobacion::terminada, Form1,
                     [ruta](bool sano, const QString& detalle) {
                         if (sano)
                             return;
                         vigilancia::declararDanado(QSqlDatabase::database(), ruta);
                         mensajes::error(vigilancia::mensajeDanado(ruta)
                                         + QStringLiteral("\n\nDetalle: ") + detalle);
                     });
    QTimer::singleShot(0, comprobacion, &vigilancia::Comprobacion::iniciar);
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
        // The server checks its own pages; only the file is watched.
        if (!motor::esServidor(QSqlDatabase::database()))
            vigilarFichero(programa::rutaBaseDatos());
        const bool medirArranque = qEnvironmentVariableIsSet("CLINORA_BENCH_SALIR");
        if (medirArranque)
            avisarArranqueYSalir();
        else
            QTimer::singleShot(0, Form1, [] {
                copiasautomaticas::alArrancar(programa::rutaBaseDatos());
            });
        Aplicacion::exec();
        // The day's work is copied before the program ends: whole, or not at all and said so.
        if (!medirArranque)
            copiasautomaticas::hacer(programa::rutaBaseDatos());
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
