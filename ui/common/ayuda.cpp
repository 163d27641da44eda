#include "ui/common/ayuda.h"

#include "db/citado.h"
#include "ui/common/mensajes.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QToolButton>

namespace ayuda {

namespace {

Abridor& abridorActual()
{
    static Abridor a;
    return a;
}

}  // namespace

QString rutaPagina(const QString& pagina)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Ayuda/") + pagina;
}

void abrir(const QString& pagina)
{
    const QString ruta = rutaPagina(pagina);
    if (!QFileInfo(ruta).isFile()) {
        mensajes::informacion(QStringLiteral("No se encuentra la página de ayuda %1.")
                                  .arg(citadoRuta(ruta)));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(ruta);
    const bool abierta = abridorActual() ? abridorActual()(url) : QDesktopServices::openUrl(url);
    if (!abierta)
        mensajes::informacion(
            QStringLiteral("No se puede abrir la página de ayuda %1: no hay un navegador que "
                           "la muestre.")
                .arg(citadoRuta(ruta)));
}

void setAbridor(Abridor abridor)
{
    abridorActual() = std::move(abridor);
}

QToolButton* crearImagenAyuda(QWidget* padre, const QString& hint)
{
    auto* boton = new QToolButton(padre);
    boton->setObjectName(QStringLiteral("Image3"));
    boton->setIcon(QIcon(QStringLiteral(":/imagenes/ayuda.png")));
    boton->setIconSize(QSize(40, 40));
    boton->setAutoRaise(true);
    boton->setCursor(Qt::WhatsThisCursor);
    boton->setAccessibleName(QStringLiteral("Ayuda"));
    if (!hint.isEmpty())
        boton->setToolTip(hint);
    return boton;
}

}  // namespace ayuda
