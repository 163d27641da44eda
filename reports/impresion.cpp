#include "reports/impresion.h"

#include "reports/pagina.h"
#include "ui/common/ventana.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolButton>

namespace impresion {

QRectF areaEnPixeles(const QPageLayout& formato, double dpi)
{
    const QRectF mm = formato.fullRect(QPageLayout::Millimeter)
                          .marginsRemoved(formato.margins(QPageLayout::Millimeter));
    return QRectF(pagina::pixeles(mm.x(), dpi), pagina::pixeles(mm.y(), dpi),
                  pagina::pixeles(mm.width(), dpi), pagina::pixeles(mm.height(), dpi));
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
    QObject::connect(&vista, &QPrintPreviewDialog::paintRequested, &vista,
                     [&pintor](QPrinter* destino) {
                         QPainter p(destino);
                         const double dpi = destino->resolution();
                         pintor(p, *destino, areaEnPixeles(destino->pageLayout(), dpi), dpi);
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
