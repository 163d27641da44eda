#pragma once

#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;
class QWidget;

// Where a printed form goes: a print preview (from which the user prints or saves a PDF) or
// straight to a PDF file. Both hand the same painting routine a painter, the device (for its
// new pages), the area inside the margins in device pixels and the pixels per inch the form is
// laid out at.
//
// Each form has its own page (the list A4 landscape, the invoice B5 portrait), which the
// preview starts with. The user may choose another paper or orientation there or in the
// printer's dialog: the form then follows the page, shrunk as a whole (never enlarged) until
// its own printable area fits the chosen one, so no column is ever cut; a list fills the
// extra room below with more lines.
namespace impresion {

using Pintor = std::function<void(QPainter& p, QPagedPaintDevice& dispositivo,
                                  const QRectF& areaPx, double dpi)>;

// The area inside the layout's margins, in pixels of a device painting from the paper's corner.
QRectF areaEnPixeles(const QPageLayout& formato, double dpi);

// The pixels per inch a form whose own page is `propio` is laid out at on `elegido`, printed
// at `dpi`: `dpi` itself when the form fits, fewer when it must shrink.
double dpiDelFormulario(const QPageLayout& propio, const QPageLayout& elegido, double dpi);

// True while `p` paints the preview's pages rather than paper or a file.
bool esVistaPrevia(const QPainter& p);

// Shows Qt's print preview in Spanish over the window in front, usable by keyboard (Tab
// reaches its buttons, Ctrl+P prints). Returns when the user closes it.
void vistaPrevia(const QPageLayout& formato, const QString& documento, const QString& titulo,
                 const QString& nombre, const Pintor& pintor, QWidget* padre);

// Paints into a new PDF file at `ruta`; false when the file cannot be written.
bool guardarPdf(const QPageLayout& formato, const QString& ruta, const QString& documento,
                const Pintor& pintor);

}  // namespace impresion
