#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QToolButton;
class QWidget;

// The help pages: HTML files in the folder Ayuda beside the executable, one per window.
namespace ayuda {

QString rutaPagina(const QString& pagina);

// Opens the page in the default browser. A missing page or folder does nothing and says
// nothing: help must never get in the way of work.
void abrir(const QString& pagina);

// Tests replace the browser with their own opener; an empty function restores it.
using Abridor = std::function<void(const QUrl&)>;
void setAbridor(Abridor abridor);

// The help picture of a window's top panel (Image3): help cursor, reachable by keyboard.
QToolButton* crearImagenAyuda(QWidget* padre, const QString& hint = QString());

}  // namespace ayuda
