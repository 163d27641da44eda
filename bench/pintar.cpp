#include "bench/medir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>

namespace bench {

void pintarVentana(QWidget* ventana)
{
    // Layout requests and deferred updates are posted events: the user sees nothing until they
    // have run and the window has been painted.
    QCoreApplication::sendPostedEvents();
    QWindow* w = ventana->window()->windowHandle();
    if (w && !w->isExposed()) {
        // A window just shown is painted, whole, when the window system exposes it.
        QElapsedTimer espera;
        espera.start();
        while (!w->isExposed() && espera.elapsed() < 2000)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        return;
    }
    ventana->repaint();
}

}  // namespace bench
