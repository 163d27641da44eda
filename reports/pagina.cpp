#include "reports/pagina.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace pagina {

namespace {

// Fitting tries sizes this far apart: finer than the eye tells on paper.
constexpr double kPaso = 0.25;

// Breaks `texto` at blanks into lines no wider than `anchoPx`. A word wider than a line on its
// own makes the attempt fail (an empty list), unless `romper` allows cutting it anywhere.
QStringList partir(const QString& texto, const QFontMetricsF& fm, double anchoPx, bool romper)
{
    QStringList lineas;
    QString actual;
    const QStringList palabras = texto.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString palabra : palabras) {
        const QString prueba = actual.isEmpty() ? palabra : actual + QLatin1Char(' ') + palabra;
        if (fm.horizontalAdvance(prueba) <= anchoPx) {
            actual = prueba;
            continue;
        }
        if (!actual.isEmpty())
            lineas << actual;
        actual.clear();
        while (fm.horizontalAdvance(palabra) > anchoPx) {
            if (!romper)
                return {};
            qsizetype n = palabra.size() - 1;
            while (n > 1 && fm.horizontalAdvance(palabra.left(n)) > anchoPx)
                --n;
            lineas << palabra.left(n);
            palabra = palabra.mid(n);
        }
        actual = palabra;
    }
    if (!actual.isEmpty())
        lineas << actual;
    return lineas;
}

// The advance of `texto` with `espaciado` pixels between its letters. The font's own letter
// spacing is not used: PDF output scales it differently from the screen.
double avance(const QFontMetricsF& fm, const QString& texto, double espaciado)
{
    const double base = fm.horizontalAdvance(texto);
    return espaciado > 0 && texto.size() > 1 ? base + espaciado * double(texto.size() - 1) : base;
}

// The longest beginning of `texto` that, followed by an ellipsis, fits in `anchoPx`.
QString cortar(const QFontMetricsF& fm, const QString& texto, double anchoPx, double espaciado)
{
    const QString puntos = QStringLiteral("…");
    qsizetype bajo = 0, alto = texto.size();
    while (bajo < alto) {
        const qsizetype medio = (bajo + alto + 1) / 2;
        if (avance(fm, texto.left(medio).trimmed() + puntos, espaciado) <= anchoPx)
            bajo = medio;
        else
            alto = medio - 1;
    }
    return texto.left(bajo).trimmed() + puntos;
}

double altoDeLineas(const QFontMetricsF& fm, qsizetype lineas)
{
    return lineas <= 0 ? 0 : double(lineas - 1) * fm.lineSpacing() + fm.height();
}

}  // namespace

Pagina::Pagina(QPainter& p, const QRectF& areaPx, double dpi) : p_(p), area_(areaPx), dpi_(dpi)
{
}

QPointF Pagina::punto(double xMm, double yMm) const
{
    return area_.topLeft() + QPointF(px(xMm), px(bandaMm_ + yMm));
}

QRectF Pagina::rect(double xMm, double yMm, double anchoMm, double altoMm) const
{
    return QRectF(punto(xMm, yMm), QSizeF(px(anchoMm), px(altoMm)));
}

QFont Pagina::fuente(const Letra& letra, double puntos) const
{
    QFont f(letra.familia);
    // Point sizes follow the device's logical resolution, which for an image or a screen is
    // not the resolution the page is laid out at.
    const double logico = p_.device() ? p_.device()->logicalDpiY() : dpi_;
    f.setPointSizeF(puntos * dpi_ / logico);
    f.setBold(letra.negrita);
    f.setItalic(letra.cursiva);
    return f;
}

double Pagina::ancho(const QString& texto, const Letra& letra) const
{
    return milimetros(avance(QFontMetricsF(fuente(letra), p_.device()), texto,
                             px(letra.espaciadoMm)),
                      dpi_);
}

Ajuste Pagina::ajustar(const QString& textoDado, const Letra& letra, const Caja& caja,
                       double minimo) const
{
    const QString texto = textoDado.simplified();
    minimo = std::min(minimo, letra.puntos);
    if (texto.isEmpty())
        return {letra.puntos, {}, false};
    const double anchoPx = px(caja.ancho);
    const double altoPx = px(caja.alto);
    const double espaciado = px(letra.espaciadoMm);
    const int pasos = int(std::ceil((letra.puntos - minimo) / kPaso - 1e-9));
    auto tamano = [&](int i) { return std::max(minimo, letra.puntos - i * kPaso); };

    for (int i = 0; i <= pasos; ++i) {
        const QFontMetricsF fm(fuente(letra, tamano(i)), p_.device());
        if (avance(fm, texto, espaciado) <= anchoPx)
            return {tamano(i), {texto}, false};
    }
    const bool variasLineas = caja.alto > 0 && espaciado <= 0;
    if (variasLineas) {
        for (int i = 0; i <= pasos; ++i) {
            const QFontMetricsF fm(fuente(letra, tamano(i)), p_.device());
            const QStringList lineas = partir(texto, fm, anchoPx, false);
            if (!lineas.isEmpty() && altoDeLineas(fm, lineas.size()) <= altoPx)
                return {tamano(i), lineas, false};
        }
    }

    // Still too long at the smallest readable size: keep what fits and mark the cut.
    const QFontMetricsF fm(fuente(letra, minimo), p_.device());
    qsizetype caben = 1;
    while (variasLineas && altoDeLineas(fm, caben + 1) <= altoPx)
        ++caben;
    const QStringList todas = caben > 1 ? partir(texto, fm, anchoPx, true) : QStringList{texto};
    if (caben > 1 && todas.size() <= caben)
        return {minimo, todas, false};   // whole, only a word too long for a line was broken
    QStringList lineas = todas.mid(0, caben - 1);
    qsizetype usado = 0;
    for (const QString& l : lineas) {
        usado += l.size();
        if (usado < texto.size() && texto.at(usado) == QLatin1Char(' '))
            ++usado;
    }
    lineas << cortar(fm, texto.mid(usado), anchoPx, espaciado);
    return {minimo, lineas, true};
}

Ajuste Pagina::escribir(const QString& texto, const Letra& letra, const Caja& caja,
                        double minimo)
{
    const Ajuste a = ajustar(texto, letra, caja, minimo);
    if (a.lineas.isEmpty())
        return a;
    const QFont f = fuente(letra, a.puntos);
    const QFontMetricsF fm(f, p_.device());
    const QRectF r = rect(caja.izquierda, caja.arriba, caja.ancho, caja.alto);
    double base = r.top()
                  + (a.lineas.size() == 1
                         ? QFontMetricsF(fuente(letra), p_.device()).ascent()
                         : fm.ascent());
    p_.save();
    p_.setFont(f);
    p_.setPen(Qt::black);
    const double espaciado = px(letra.espaciadoMm);
    for (const QString& l : a.lineas) {
        const double w = avance(fm, l, espaciado);
        double x = r.left();
        if (caja.alineacion & Qt::AlignRight)
            x = r.right() - w;
        else if (caja.alineacion & Qt::AlignHCenter)
            x = r.left() + (r.width() - w) / 2;
        if (espaciado > 0) {
            for (const QChar ch : l) {
                p_.drawText(QPointF(x, base), QString(ch));
                x += fm.horizontalAdvance(ch) + espaciado;
            }
        } else {
            p_.drawText(QPointF(x, base), l);
        }
        base += fm.lineSpacing();
    }
    p_.restore();
    return a;
}

void Pagina::linea(double x1, double y1, double x2, double y2, double grosorMm)
{
    p_.save();
    QPen pluma(Qt::black, px(grosorMm));
    pluma.setCapStyle(Qt::SquareCap);
    p_.setPen(pluma);
    p_.drawLine(punto(x1, y1), punto(x2, y2));
    p_.restore();
}

void Pagina::recuadro(double x, double y, double ancho, double alto, double grosorMm)
{
    p_.save();
    QPen pluma(Qt::black, px(grosorMm));
    pluma.setJoinStyle(Qt::MiterJoin);
    p_.setPen(pluma);
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(rect(x, y, ancho, alto));
    p_.restore();
}

}  // namespace pagina
