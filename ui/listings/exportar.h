#pragma once

#include <QString>

class QAbstractItemModel;
class QWidget;

// A list on screen written as a CSV file a Spanish spreadsheet opens as it is: UTF-8 with a
// byte-order mark (without it, accents come out garbled), ";" between fields (the comma is the
// decimal mark here), lines ended by CR LF, the grid's columns in its order under its titles,
// each cell as the grid shows it.
namespace exportar {

// One field: between double quotes, its quotes doubled, when it holds ";", a quote, a line
// break or blanks at its ends; as it is otherwise.
QString campo(const QString& texto);

// Every row of `modelo` (all fetched, not only those on screen) under its column titles.
QString textoCsv(QAbstractItemModel& modelo);

// Writes `texto` to `ruta` with the byte-order mark, replacing the file whole or not at all.
// Returns an empty text, or a Spanish message of what failed.
QString escribir(const QString& ruta, const QString& texto);

// Where to write: the save dialog (dialogos, which tests answer), starting at the user's
// documents with `nombrePropuesto`; empty when cancelled.
QString elegirFichero(QWidget* padre, const QString& nombrePropuesto);

}  // namespace exportar
