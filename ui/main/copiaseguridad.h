#pragma once

#include <QString>

class QWidget;

// The main window's "Backup": the user chooses to save a copy of all data or to load one back,
// picks the file, and is told the outcome. The copying itself is db/copia's.
namespace copiaseguridad {

void elegirYHacer(QWidget* ventana, const QString& rutaBaseDatos);
void guardar(QWidget* ventana, const QString& rutaBaseDatos);
void cargar(QWidget* ventana, const QString& rutaBaseDatos);

}  // namespace copiaseguridad
