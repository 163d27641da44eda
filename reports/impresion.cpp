#include "reports/impresion.h"

#include "reports/pagina.h"
#include "ui/common/ventana.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace impresion {

namespace {

QSizeF areaEnMilimetros(const QPageLayout& formato)
{
    return formato.fullRect(QPageLayout::Millimeter)
        .marginsRemoved(formato.margins(QPageLayout::Millimeter))
        .size();
}

}  // namespace

QRectF areaEnPixeles(const QPageLayout& formato, double dpi)
{
    const QRectF mm = formato.fullRect(QPageLayout::Millimeter)
                          .marginsRemoved(formato.margins(QPageLayout::Millimeter));
    return QRectF(pagina::pixeles(mm.x(), dpi), pagina::pixeles(mm.y(), dpi),
                  pagina::pixeles(mm.width(), dpi), pagina::pixeles(mm.height(), dpi));
}

double dpiDelFormulario(const QPageLayout& propio, const QPageLayout& elegido, double dpi)
{
    const QSizeF forma = areaEnMilimetros(propio);
    const QSizeF hoja = areaEnMilimetros(elegido);
    const double escala = std::min({1.0, hoja.width() / forma.width(),
                                    hoja.height() / forma.height()});
    // Margins that leave no paper at all: paint at the device's size rather than at none.
    return escala > 0 ? dpi * escala : dpi;
}

bool esVistaPrevia(const QPainter& p)
{
    // Qt paints the preview's pages as pictures; a printer or a PDF file has an engine of its own.
    return p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Picture;
}

void vistaPrevia(const QPageLayout& formato, const QString& documento, const QString& titulo,
                 const QString& nombre, const Pintor& pintor, QWidget* padre)
{
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setPageLayout(formato);
    impresora.setFullPage(true);   // the origin at the paper's corner; see areaEnPixeles
    impresora.setDocName(documento);
    impresora.setCopyCount(1);
    impresora.setDuplex(QPrinter::DuplexNone);

    // Over the window that asked for it, so it stays in front of what it prints.
    QWidget* encima = ventanasAbiertas().isEmpty() ? padre : ventanasAbiertas().last();
    QPrintPreviewDialog vista(&impresora, encima);
    vista.setObjectName(nombre);
    vista.setWindowTitle(titulo);
    // The page chosen in the preview or in the printer's dialog comes with the printer; the form
    // follows it.
    QObject::connect(&vista, &QPrintPreviewDialog::paintRequested, &vista,
                     [&pintor, formato](QPrinter* destino) {
                         // A layout handed back by a dialog may have dropped the full-page
                         // mode, which would move the origin to the margins.
                         destino->setFullPage(true);
                         QPainter p(destino);
                         const double dpi = destino->resolution();
                         const QPageLayout elegido = destino->pageLayout();
                         pintor(p, *destino, areaEnPixeles(elegido, dpi),
                                dpiDelFormulario(formato, elegido, dpi));
                     });
    // Qt's preview toolbar takes no keyboard focus and has no shortcut for printing; the
    // receptionist reaches every button with Tab and prints with Ctrl+P.
    for (QToolButton* boton : vista.findChildren<QToolButton*>())
        boton->setFocusPolicy(Qt::TabFocus);
    const QString imprimir = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* accion : vista.findChildren<QAction*>()) {
        if (accion->text() == imprimir)
            accion->setShortcut(QKeySequence::Print);
    }
    if (const QScreen* pantalla = encima ? encima->screen() : QGuiApplication::primaryScreen())
        vista.setGeometry(pantalla->availableGeometry());
    vista.setWindowState(vista.windowState() | Qt::WindowMaximized);
    vista.exec();
}

bool guardarPdf(const QPageLayout& formato, const QString& ruta, const QString& documento,
                const Pintor& pintor)
{
    QPdfWriter pdf(ruta);
    // The writer paints from the paper's corner; the margins are kept by the area below.
    QPageLayout sinMargenes = formato;
    sinMargenes.setMargins(QMarginsF());
    pdf.setPageLayout(sinMargenes);
    pdf.setCreator(QStringLiteral("Clinora 1.1"));
    pdf.setTitle(documento);
    QPainter p;
    if (!p.begin(&pdf))
        return false;
    const double dpi = pdf.resolution();
    pintor(p, pdf, areaEnPixeles(formato, dpi), dpi);
    return p.end();
}

}  // namespace impresion
