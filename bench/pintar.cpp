#include "bench/medir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>

namespace bench {

void pintarVentana(QWidget* ventana)
{
    // Layout requests and the update requests of every part that changed are posted events;
    // delivering them paints, there and then, all that the user will see change.
    QCoreApplication::sendPostedEvents();
    QWindow* w = ventana->window()->windowHandle();
    if (w && !w->isExposed()) {
        // A window just shown is painted, whole, when the window system exposes it.
        QElapsedTimer espera;
        espera.start();
        while (!w->isExposed() && espera.elapsed() < 2000)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }
}

}  // namespace bench
