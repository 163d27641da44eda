#pragma once

#include <QColor>

// Colours that carry meaning in every window.
namespace estilo {

inline const QColor kCielo(166, 202, 240);      // panels and headers
inline const QColor kLima(0, 255, 0);           // free slot
inline const QColor kRojo(255, 0, 0);           // taken slot; unpaid visit of a past day
inline const QColor kGranate(128, 0, 0);        // unpaid visit of today
inline const QColor kNaranja(255, 153, 0);      // slot chosen for a booking
inline const QColor kAguamarina(0, 255, 255);   // the special-hour note

}  // namespace estilo
