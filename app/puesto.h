#pragma once

#include "db/servidor.h"

#include <functional>

// A desk working on the practice's server instead of the file beside the program.
namespace puesto {

// Where the password comes from when ~/.pgpass has none: the Spanish dialog, or a test's
// answer. Returns false when the user cancels.
using PedirContrasena = std::function<bool(const servidor::Datos&, QString& contrasena)>;
void setPedirContrasena(PedirContrasena pedir);

// Connects the program's connection to the server and checks its tables. The password is asked
// when the server wants one that ~/.pgpass does not give (three tries); it is kept nowhere.
// On failure the Spanish message is shown and false returned.
// `rutaBaseDatos`: where the program's file would be; a copy kept before bringing the server's
// tables up to date goes beside it.
bool conectar(const servidor::Datos& datos, const QString& rutaBaseDatos);

}  // namespace puesto
