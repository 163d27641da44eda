#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>


// A PDF as poppler's pdftotext -bbox reads it back: pages, page size in points, and every word
// with its box, so a test checks what a printed form really put where.
inline constexpr double kPtPorMm = 72.0 / 25.4;

struct Palabra {
    QString texto;
    QRectF caja;      // millimetres from the paper's top-left corner
    int pagina = 0;   // counted from 0
};

struct PdfLeido {
    int paginas = 0;
    QSizeF tamanoPt;
    QList<Palabra> palabras;

    // The words of the line whose top is `arribaMm` (on `pagina`, or any page when -1), left to
    // right, joined by blanks.
    QString linea(double arribaMm, double tolerancia = 0.4, int pagina = -1) const;
    // The words whose tops lie from `desdeMm` to `hastaMm`, line by line, each line left to
    // right: a paragraph in the order a reader reads it.
    QList<Palabra> enOrden(double desdeMm, double hastaMm) const;
    // The same joined by blanks.
    QString texto(double desdeMm, double hastaMm) const;
    // The first word with this text on any line; an empty box when none.
    QRectF caja(const QString& texto) const;
    // The first word with this text whose top is at `arribaMm`; an empty box when none.
    QRectF caja(const QString& texto, double arribaMm, double tolerancia = 0.4) const;
    bool contiene(const QString& texto) const;
    // The words of one page.
    QList<Palabra> dePagina(int pagina) const;
    // Two words whose boxes cross, described; empty when every word stands clear.
    QString solapes() const;
};

// Empty (no pages) when the file cannot be read.
PdfLeido leerPdf(const QString& ruta);

// The invoice's receipt sentence from "la cantidad de" to "indican.", as read, a comma joined
// to the word before it; empty when either end is missing.
QString fraseDelImporte(const PdfLeido& pdf);
