#include "app/aplicacion.h"

#include "db/error.h"
#include "ui/common/mensajes.h"
#include "ui/common/teclado.h"

Aplicacion::Aplicacion(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Clinora"));
    setApplicationVersion(QStringLiteral("1.1"));
    installEventFilter(new Teclado(this));
}

bool Aplicacion::notify(QObject* receptor, QEvent* evento)
{
    try {
        return QApplication::notify(receptor, evento);
    } catch (const DbError& e) {
        mensajes::error(e.message());
    } catch (const std::exception& e) {
        mensajes::error(QString::fromUtf8(e.what()));
    }
    return false;
}
