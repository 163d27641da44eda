#pragma once

#include "db/consulta.h"
#include "reports/datosfactura.h"
#include "reports/impresion.h"
#include "ui/common/ventana.h"

#include <QRectF>
#include <QString>

class QPageLayout;
class QPainter;

// The practice's invoice: one B5 page with the practitioner's header, the receipt sentence, the
// services table and a closing line. Created at start with the other windows but never shown
// itself: the user sees the print preview, and prints or saves a PDF from there.
class TImprimeFactura : public Ventana {
    Q_OBJECT

public:
    explicit TImprimeFactura(QWidget* parent = nullptr);

    // Shows the print preview of the invoice (Spanish), with the practice's header read from
    // clinora.ini beside the database; from it the user prints or saves a PDF.
    void mostrar(const DatosFactura& datos);

    // Writes the invoice as a one-page PDF; false when the file cannot be written.
    bool guardarPdf(const DatosFactura& datos, const QString& ruta);

    // The one paint routine behind the preview, the printer and the PDF. `areaPx` is the area
    // inside the page's margins in the painter's device pixels, `dpi` the device's resolution.
    static void pintar(QPainter& p, const QRectF& areaPx, double dpi, const DatosFactura& d,
                       const DatosConsulta& c);

    // B5 (JIS, 182 x 257 mm) portrait with 10 mm margins all round.
    static QPageLayout formatoPagina();

    // What each piece of the page says, as printed.
    static QString nombreCompleto(const DatosFactura& d);
    static QString importeEnLetra(const DatosFactura& d);
    static QString lineaFinal(const DatosFactura& d, const DatosConsulta& c);

    // The values of the last invoice shown or written; they stay until the next one.
    const DatosFactura& datos() const { return datos_; }
    const DatosConsulta& consulta() const { return consulta_; }

private:
    // The one painting routine, over the values held, as preview and PDF call it.
    impresion::Pintor pintor() const;

    DatosFactura datos_;
    DatosConsulta consulta_;
};
