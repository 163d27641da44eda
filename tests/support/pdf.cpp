#include "tests/support/pdf.h"

#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

QString PdfLeido::linea(double arribaMm, double tolerancia, int pagina) const
{
    QList<Palabra> enLinea;
    for (const Palabra& p : palabras) {
        if (qAbs(p.caja.top() - arribaMm) <= tolerancia && (pagina < 0 || p.pagina == pagina))
            enLinea << p;
    }
    std::sort(enLinea.begin(), enLinea.end(),
              [](const Palabra& a, const Palabra& b) { return a.caja.left() < b.caja.left(); });
    QStringList t;
    for (const Palabra& p : enLinea)
        t << p.texto;
    return t.join(QLatin1Char(' '));
}

QList<Palabra> PdfLeido::enOrden(double desdeMm, double hastaMm) const
{
    QList<Palabra> dentro;
    for (const Palabra& p : palabras) {
        if (p.caja.top() >= desdeMm && p.caja.top() <= hastaMm)
            dentro << p;
    }
    std::sort(dentro.begin(), dentro.end(),
              [](const Palabra& a, const Palabra& b) { return a.caja.top() < b.caja.top(); });
    // Words of one line may differ a little in their tops (another size or weight): a line is
    // what starts within a millimetre of its highest word.
    const auto izquierda = [](const Palabra& a, const Palabra& b) {
        return a.caja.left() < b.caja.left();
    };
    auto linea = dentro.begin();
    for (auto it = dentro.begin(); it != dentro.end(); ++it) {
        if (it->caja.top() - linea->caja.top() > 1.0) {
            std::sort(linea, it, izquierda);
            linea = it;
        }
    }
    std::sort(linea, dentro.end(), izquierda);
    return dentro;
}

QString PdfLeido::texto(double desdeMm, double hastaMm) const
{
    QStringList t;
    for (const Palabra& p : enOrden(desdeMm, hastaMm))
        t << p.texto;
    return t.join(QLatin1Char(' '));
}

QRectF PdfLeido::caja(const QString& texto) const
{
    for (const Palabra& p : palabras) {
        if (p.texto == texto)
            return p.caja;
    }
    return {};
}

QRectF PdfLeido::caja(const QString& texto, double arribaMm, double tolerancia) const
{
    for (const Palabra& p : palabras) {
        if (p.texto == texto && qAbs(p.caja.top() - arribaMm) <= tolerancia)
            return p.caja;
    }
    return {};
}

bool PdfLeido::contiene(const QString& texto) const
{
    return std::any_of(palabras.begin(), palabras.end(),
                       [&](const Palabra& p) { return p.texto == texto; });
}

QList<Palabra> PdfLeido::dePagina(int pagina) const
{
    QList<Palabra> r;
    for (const Palabra& p : palabras) {
        if (p.pagina == pagina)
            r << p;
    }
    return r;
}

QString PdfLeido::solapes() const
{
    for (qsizetype i = 0; i < palabras.size(); ++i) {
        for (qsizetype j = i + 1; j < palabras.size(); ++j) {
            if (palabras.at(i).pagina != palabras.at(j).pagina)
                continue;
            const QRectF a = palabras.at(i).caja.adjusted(0.05, 0.05, -0.05, -0.05);
            const QRectF b = palabras.at(j).caja.adjusted(0.05, 0.05, -0.05, -0.05);
            if (a.intersects(b))
                return palabras.at(i).texto + QStringLiteral(" / ") + palabras.at(j).texto;
        }
    }
    return {};
}

namespace {

QString desescapar(QString s)
{
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return s;
}

}  // namespace

PdfLeido leerPdf(const QString& ruta)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), ruta, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    PdfLeido r;
    static const QRegularExpression pagina(
        QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    static const QRegularExpression palabra(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">(.*?)</word>"));
    // Each page's words lie between its tag and the next page's.
    QList<qsizetype> inicios;
    for (auto it = pagina.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        inicios << m.capturedStart();
        r.tamanoPt = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    r.paginas = int(inicios.size());
    for (auto it = palabra.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const auto siguiente = std::upper_bound(inicios.begin(), inicios.end(), m.capturedStart());
        const int enPagina = int(siguiente - inicios.begin()) - 1;
        const QPointF a(m.captured(1).toDouble() / kPtPorMm, m.captured(2).toDouble() / kPtPorMm);
        const QPointF b(m.captured(3).toDouble() / kPtPorMm, m.captured(4).toDouble() / kPtPorMm);
        r.palabras << Palabra{desescapar(m.captured(5)), QRectF(a, b), enPagina};
    }
    return r;
}

QString fraseDelImporte(const PdfLeido& pdf)
{
    const QRectF desde = pdf.caja(QStringLiteral("cantidad"));
    const QRectF hasta = pdf.caja(QStringLiteral("indican."));
    if (desde.isNull() || hasta.isNull())
        return {};
    return pdf.texto(desde.top() - 0.5, hasta.top() + 0.5).replace(QStringLiteral(" ,"),
                                                                    QStringLiteral(","));
}
