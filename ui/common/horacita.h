#pragma once

class QComboBox;
class QString;

// The hour box of a visit, as the booking window and the appointment record both have it.
namespace horacita {

// The quarter hours of the afternoon, 15:00 to 21:00, in order, all of them shown at once.
void llenarHoras(QComboBox* caja);

// A visit without a proper hour could never be placed on the slot board or opened again from
// the day lists: an empty or malformed `hora` gets its message and the focus goes to `caja`.
bool horaValida(const QString& hora, QComboBox* caja);

}  // namespace horacita
