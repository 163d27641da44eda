#pragma once

class QHBoxLayout;
class QWidget;

// The sky-blue bar along the bottom of a window that holds its buttons. A plain widget, not a
// captioned panel, so its size comes from the buttons laid in `fila`.
QWidget* crearBarraBotones(QWidget* padre, QHBoxLayout** fila);
