#include "tests/support/vistaprevia.h"

#include <QApplication>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>

namespace {

QPrintPreviewWidget* paginas(QPrintPreviewDialog* vista)
{
    return vista->findChild<QPrintPreviewWidget*>();
}

}  // namespace

bool enVistaPrevia(const std::function<void()>& abrir,
                   const std::function<void(QPrintPreviewDialog*)>& dentro)
{
    bool vista = false;
    int intentos = 0;
    QTimer espera;
    espera.setInterval(20);
    QObject::connect(&espera, &QTimer::timeout, &espera, [&] {
        auto* d = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible() || !paginas(d) || paginas(d)->pageCount() == 0) {
            if (++intentos > 500)   // ten seconds: give up rather than hang the suite
                espera.stop();
            return;
        }
        espera.stop();
        vista = true;
        dentro(d);
        d->reject();
    });
    espera.start();
    abrir();
    return vista;
}

void cambiarPagina(QPrintPreviewDialog* vista, const QPageLayout& formato)
{
    vista->printer()->setPageLayout(formato);
    paginas(vista)->updatePreview();
}

void imprimirEnPdf(QPrintPreviewDialog* vista, const QString& ruta)
{
    QPrinter* impresora = vista->printer();
    impresora->setOutputFormat(QPrinter::PdfFormat);
    impresora->setOutputFileName(ruta);
    paginas(vista)->print();
}
