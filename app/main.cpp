#include "app/aplicacion.h"
#include "app/ventanas.h"
#include "db/error.h"
#include "ui/common/mensajes.h"

#include <QScreen>

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
