#pragma once

#include <QString>
#include <functional>

class QWidget;

// File dialogs, replaceable by tests as the message boxes are.
namespace dialogos {

enum class Modo { Guardar, Abrir };
using Selector = std::function<QString(Modo modo, const QString& sugerido)>;
void setSelector(Selector selector);

// The chosen file, or the empty text when the user cancelled.
// `filtro` names the kinds of file offered; by default, the program's backups.
QString elegirFichero(QWidget* padre, Modo modo, const QString& titulo, const QString& sugerido,
                      const QString& filtro = {});

}  // namespace dialogos
