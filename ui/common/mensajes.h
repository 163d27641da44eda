#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Every message box of the program goes through here, so a test can put a scripted answerer in
// place and read back exactly what the user would have seen.
namespace mensajes {

enum class Tipo { Informacion, Confirmacion, Borrado, Aviso, Error, Eleccion };

// Returns the answer: for a confirmation or a deletion non-zero is OK and 0 is No; for a choice the index of
// the button pressed, -1 for cancel; ignored for notices.
using Respondedor = std::function<int(Tipo tipo, const QString& texto)>;

// Replaces the real boxes; an empty function puts them back.
void setRespondedor(Respondedor respondedor);

void informacion(const QString& texto);     // one OK button
bool confirmacion(const QString& texto);    // OK and No; true unless No
// Every question before data is deleted: OK and No, with No the default button, so a stray
// Enter keeps the data and only a deliberate OK deletes. True only for OK.
bool confirmacionBorrado(const QString& texto);
// A question before something the user may not mean (a second visit at one hour, a day the
// practice is closed): OK and No, No the default button. True only for OK.
bool confirmacionAviso(const QString& texto);
void error(const QString& texto);           // the standard error box
// A question with its own buttons and a Cancel; the index of the button, -1 for Cancel.
int eleccion(const QString& texto, const QStringList& botones);

}  // namespace mensajes
