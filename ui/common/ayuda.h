#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QToolButton;
class QWidget;

// The help pages: HTML files in the folder Ayuda beside the executable, one per window.
namespace ayuda {

QString rutaPagina(const QString& pagina);

// Opens the page in the default browser. A missing page, or no browser to show it, is said in
// one notice; nothing else happens, so help never gets in the way of work.
void abrir(const QString& pagina);

// Tests replace the browser with their own opener, which says whether the page could be
// shown; an empty function restores the browser.
using Abridor = std::function<bool(const QUrl&)>;
void setAbridor(Abridor abridor);

// The help picture of a window's top panel (Image3): help cursor, reachable by keyboard.
QToolButton* crearImagenAyuda(QWidget* padre, const QString& hint = QString());

}  // namespace ayuda
