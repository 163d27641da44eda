#pragma once

#include <QColor>
#include <QDate>
#include <QVariant>

class DataSet;

// The colour of a visit row's text: red when unpaid and earlier than today, maroon when unpaid
// and today, otherwise the grid's normal colour (an invalid QColor). A row whose date does not
// read as a date text, or whose payment is empty, is painted normally.
QColor colorVisita(const QVariant& pago, const QVariant& fecha, const QDate& hoy);

// The same rule for one row of a dataset that selects `pago` and `fecha`, against today.
QColor colorFilaVisita(const DataSet& datos, int fila);
