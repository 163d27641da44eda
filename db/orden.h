#pragma once

#include <QString>

// Spanish alphabetical order for names. The database compares texts byte by byte, which puts
// Á after Z and lower case after upper case; each name is therefore stored beside a sort key
// that byte order sorts the way a Spanish reader expects: case ignored, accented letters beside
// their base letter, Ñ as its own letter between N and O. Keys are plain text, so the file stays
// readable and checkable by any SQLite tool.
namespace orden {

QString clave(const QString& texto);

// What follows the N of an Ñ in a key: "MUÑOZ" has the key "MUN~OZ".
inline constexpr QLatin1Char kMarcaEnie('~');

}  // namespace orden
