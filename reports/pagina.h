#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// What every printed form shares: positions in millimetres turned into the device's pixels by
// hand (a painter scale would scale the fonts as well), fonts sized in points on any device,
// and texts fitted into the room a form gives them. The preview, the printer and the PDF call
// the same routine with their own resolution, so paper and screen agree.
namespace pagina {

// Below this a printed text is no longer comfortably readable; fitting stops shrinking here.
inline constexpr double kPuntosMinimos = 6.0;

inline double pixeles(double mm, double dpi)
{
    return mm * dpi / 25.4;
}

inline double milimetros(double px, double dpi)
{
    return px * 25.4 / dpi;
}

// A typeface as a form names it.
struct Letra {
    double puntos = 10;
    bool negrita = false;
    bool cursiva = false;
    double espaciadoMm = 0;      // extra room between letters, for spaced-out headings
    QString familia = QStringLiteral("Arial");
};

// The room a text may take, in millimetres from the current band's top-left corner. The text's
// top sits at `arriba`; it grows to the right (or, right-aligned, to the left from
// `izquierda + ancho`) and, when more lines are allowed, downwards up to `alto`.
struct Caja {
    double izquierda = 0;
    double arriba = 0;
    double ancho = 0;
    double alto = 0;             // 0: one line only
    Qt::Alignment alineacion = Qt::AlignLeft;
};

// How a text was fitted: the size used, the lines printed and whether the end was cut off.
struct Ajuste {
    double puntos = 0;
    QStringList lineas;
    bool cortado = false;
};

// One page being painted: the area inside the margins, in the painter's device pixels, and the
// device's resolution. Positions are millimetres from the top-left corner of the current band.
class Pagina {
public:
    Pagina(QPainter& p, const QRectF& areaPx, double dpi);

    QPainter& painter() { return p_; }
    double dpi() const { return dpi_; }
    double px(double mm) const { return pixeles(mm, dpi_); }

    // Bands stack from the top of the area; later positions count from this band's top.
    void banda(double arribaMm) { bandaMm_ = arribaMm; }

    // A point or rectangle given in millimetres within the current band, in device pixels.
    QPointF punto(double xMm, double yMm) const;
    QRectF rect(double xMm, double yMm, double anchoMm, double altoMm) const;

    // The font of `letra` at `puntos`, sized for this device whatever its logical resolution.
    QFont fuente(const Letra& letra, double puntos) const;
    QFont fuente(const Letra& letra) const { return fuente(letra, letra.puntos); }

    // Width in millimetres of `texto` in `letra` on this device.
    double ancho(const QString& texto, const Letra& letra) const;

    // Fits `texto` into `caja` (a spaced-out text is meant to be short: it shrinks but is not
    // broken into lines): at its own size on one line if it fits; otherwise smaller, down
    // to `minimo`; then, when the box allows more lines, broken at blanks into as many as fit,
    // again down to `minimo`; what still does not fit ends in an ellipsis. Never leaves the box.
    Ajuste ajustar(const QString& texto, const Letra& letra, const Caja& caja,
                   double minimo = kPuntosMinimos) const;

    // Fits and draws. A single line keeps the baseline it has at its own size, so a shrunk
    // value still sits on the line of the fixed texts beside it.
    Ajuste escribir(const QString& texto, const Letra& letra, const Caja& caja,
                    double minimo = kPuntosMinimos);

    // A straight stroke between two points in millimetres, `grosorMm` thick.
    void linea(double x1, double y1, double x2, double y2, double grosorMm);
    void recuadro(double x, double y, double ancho, double alto, double grosorMm);

private:
    QPainter& p_;
    QRectF area_;
    double dpi_;
    double bandaMm_ = 0;
};

}  // namespace pagina
