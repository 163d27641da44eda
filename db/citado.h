#pragma once

#include <QString>

// A name, a path or a value as a message quotes it, between Spanish quotes: «clinora.mdb».
QString citado(const QString& texto);
// A path as the user's system writes it (its own separators), quoted as above.
QString citadoRuta(const QString& ruta);
