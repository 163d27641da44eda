// The invoice: the page written to PDF as "Imprimir Factura" leads to it, the practice's header
// read from clinora.ini beside the database each time as the program does.
#include "bench/medir.h"

#include "db/consulta.h"
#include "app/ventanas.h"
#include "reports/Unit7.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

namespace bench {

namespace {

DatosFactura factura()
{
    DatosFactura d;
    d.nombre = QStringLiteral("MARÍA DE LOS ÁNGELES");
    d.apellido1 = QStringLiteral("FERNÁNDEZ-VILLAVERDE");
    d.apellido2 = QStringLiteral("GUTIÉRREZ DE LA CONCHA");
    d.cantidad = 150;
    d.numeroFactura = QStringLiteral("48213-07122026");
    d.fecha = QStringLiteral("07/12/2026");
    return d;
}

Resultado facturaPdf(Contexto& c)
{
    c.asegurarVentanas();
    QTemporaryDir carpeta;
    if (!carpeta.isValid())
        throw Fallo(QStringLiteral("No se puede crear una carpeta temporal"));
    const QString ruta = carpeta.filePath(QStringLiteral("factura.pdf"));
    const DatosFactura d = factura();
    Resultado r;
    r.programa = medir(c.repeticiones(), [&] {
        if (!ImprimeFactura->guardarPdf(d, ruta))
            throw Fallo(QStringLiteral("No se ha podido escribir %1").arg(ruta));
    });

    // The painting alone, on a 300 dpi image, to tell it from the PDF writer's share.
    const double dpi = 300;
    QImage img(int(182 / 25.4 * dpi), int(257 / 25.4 * dpi), QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    const DatosConsulta consulta = consulta::leer(consulta::rutaActual());
    const Tiempos pintado = medir(c.repeticiones(), [&] {
        img.fill(Qt::white);
        QPainter p(&img);
        const double m = 10 / 25.4 * dpi;
        TImprimeFactura::pintar(p, QRectF(m, m, img.width() - 2 * m, img.height() - 2 * m), dpi,
                                d, consulta);
    });
    r.notas << QStringLiteral("PDF de %1 bytes; clinora.ini %2; solo el pintado (imagen a 300 "
                              "ppp): mediana %3 ms; sin sentencia: desnudo no aplica")
                   .arg(QFileInfo(ruta).size())
                   .arg(consulta.nombre.isEmpty() ? QStringLiteral("ausente")
                                                  : QStringLiteral("presente"))
                   .arg(QString::number(pintado.mediana(), 'f', 1));
    return r;
}

}  // namespace

QList<Accion> accionesFactura()
{
    return {
        {QStringLiteral("factura_pdf"), facturaPdf},
    };
}

}  // namespace bench
