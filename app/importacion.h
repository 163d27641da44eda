#pragma once

#include <QString>

// At start-up: a practice that comes from the Windows-era program finds its old Access file
// where the program looks for its database.
namespace importacion {

// When `ruta` is an Access file, asks whether to convert it. On Yes the original is kept
// byte-for-byte under a dated name beside it, the new database takes its place only once
// complete, and the summary is shown and written beside it. Returns whether the program is to
// go on (true also when the file is no Access file); false on No or a failed conversion, with
// the file as it was.
bool convertirSiEsAccess(const QString& ruta);

}  // namespace importacion
