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
// new pages), the area inside the margins in device pixels and the device's resolution.
namespace impresion {

using Pintor = std::function<void(QPainter& p, QPagedPaintDevice& dispositivo,
                                  const QRectF& areaPx, double dpi)>;

// The area inside the layout's margins, in pixels of a device painting from the paper's corner.
QRectF areaEnPixeles(const QPageLayout& formato, double dpi);

// Shows Qt's print preview in Spanish over the window in front, usable by keyboard (Tab
// reaches its buttons, Ctrl+P prints). Returns when the user closes it.
void vistaPrevia(const QPageLayout& formato, const QString& documento, const QString& titulo,
                 const QString& nombre, const Pintor& pintor, QWidget* padre);

// Paints into a new PDF file at `ruta`; false when the file cannot be written.
bool guardarPdf(const QPageLayout& formato, const QString& ruta, const QString& documento,
                const Pintor& pintor);

}  // namespace impresion
