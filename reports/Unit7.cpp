#include "reports/Unit7.h"


#include "db/formatos.h"
#include "reports/letras.h"
#include "reports/pagina.h"
#include "ui/common/cabecera.h"

#include <QPageLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using pagina::Caja;
using pagina::Letra;

const QString kTitulo = QStringLiteral("Clinora 1.1 -  Imprimir Factura");

// The page, in millimetres from the top-left corner inside the margins. Bands stack down the
// page: header, receipt with the services table, closing line.
constexpr double kAnchoBanda = 161.9;
constexpr double kAltoCabecera = 26.2;
constexpr double kAltoDetalle = 86.8;

// The address column ends here; its lines are right-aligned so short and long ones end together.
constexpr double kFinDireccion = 121.0;
constexpr double kInicioDireccion = 78.3;
// Room kept between a variable text and the fixed piece that follows it.
constexpr double kHueco = 1.5;
// The least room between fixed words and the value printed after them.
constexpr double kSeparacion = 0.5;

// The services table.
constexpr double kTablaX = 10.6, kTablaY = 29.6, kTablaAncho = 108.2, kTablaAlto = 57.4;
constexpr double kTablaDerecha = kTablaX + kTablaAncho;
constexpr double kTablaAbajo = kTablaY + kTablaAlto;
constexpr double kColumnaEuros = 92.6;      // the EUROS column is the narrow right one
constexpr double kFinTitulos = 37.0;        // bottom of the heading row
constexpr double kRaya = 46.4;              // rule under the consultation row
constexpr double kGrueso = 0.35, kFino = 0.25;

const Letra kRotulo{9};                            // the "Núm." caption
const Letra kNumero{9, true};                      // the invoice number beside it
const Letra kIdentidad{9, true, true};             // name, title, registration, tax number
const Letra kSenas{9, false, true};                // street, town, telephone
const Letra kFijo{11};                             // the receipt's fixed words
const Letra kValor{10, true};                      // values filled in for this invoice
const Letra kTituloTabla{10, true, false, 1.6};    // C O N C E P T O
const Letra kTituloEuros{10, true};
const Letra kConcepto{10};

// A header line with its printed prefix; nothing at all when the practice gave no value, and
// no doubled prefix when the value already carries it.
QString conPrefijo(const QString& prefijo, const QString& valor)
{
    if (valor.isEmpty())
        return {};
    if (valor.startsWith(prefijo.trimmed(), Qt::CaseInsensitive))
        return valor;
    return prefijo + valor;
}

// A fixed text at its place; returns where its last letter ends (trailing blanks left out).
double fijo(pagina::Pagina& pg, const QString& texto, const Letra& letra, double x, double y)
{
    pg.escribir(texto, letra, Caja{x, y, pg.ancho(texto, letra) + 1.0});
    return x + pg.ancho(texto.trimmed(), letra);
}

void pintarCabecera(pagina::Pagina& pg, const DatosFactura& d, const DatosConsulta& c)
{
    pg.banda(0);
    const QString rotulo = QStringLiteral("Núm.");
    fijo(pg, rotulo, kRotulo, 86.8, 0.0);
    const double xNumero = 86.8 + pg.ancho(rotulo + QLatin1Char(' '), kRotulo);
    pg.escribir(d.numeroFactura, kNumero, Caja{xNumero, 0.0, kAnchoBanda - xNumero});

    const double anchoIzquierda = kInicioDireccion - kHueco - 8.5;
    pg.escribir(c.nombre, kIdentidad, Caja{8.5, 8.5, anchoIzquierda});
    pg.escribir(c.titulo, kIdentidad, Caja{8.5, 12.7, anchoIzquierda});
    pg.escribir(conPrefijo(QStringLiteral("Col. Nº "), c.colegiado), kIdentidad,
                Caja{8.5, 16.9, anchoIzquierda});
    // Nothing stands to the right of the tax number's line.
    pg.escribir(conPrefijo(QStringLiteral("N.I.F. "), c.nif), kIdentidad,
                Caja{8.5, 21.2, kAnchoBanda - 8.5});

    const double anchoDerecha = kFinDireccion - kInicioDireccion;
    pg.escribir(c.direccion, kSenas, Caja{kInicioDireccion, 8.5, anchoDerecha, 0, Qt::AlignRight});
    pg.escribir(c.poblacion, kSenas, Caja{kInicioDireccion, 12.7, anchoDerecha, 0, Qt::AlignRight});
    pg.escribir(conPrefijo(QStringLiteral("Teléfono: "), c.telefono), kSenas,
                Caja{kInicioDireccion, 16.9, anchoDerecha, 0, Qt::AlignRight});
}

void pintarTabla(pagina::Pagina& pg, int cantidad)
{
    pg.recuadro(kTablaX, kTablaY, kTablaAncho, kTablaAlto, kGrueso);
    pg.linea(kTablaX, kFinTitulos, kTablaDerecha, kFinTitulos, kGrueso);
    pg.linea(kColumnaEuros, kTablaY, kColumnaEuros, kTablaAbajo, kGrueso);

    const double arribaTitulos = kTablaY + 2.2;
    pg.escribir(QStringLiteral("CONCEPTO"), kTituloTabla,
                Caja{kTablaX, arribaTitulos,
                     kColumnaEuros - kTablaX, 0, Qt::AlignHCenter});
    pg.escribir(QStringLiteral("EUROS"), kTituloEuros,
                Caja{kColumnaEuros, arribaTitulos, kTablaDerecha - kColumnaEuros, 0,
                     Qt::AlignHCenter});

    // The consultation row shares its line with the amount, then a rule closes it and a stroke
    // cancels the empty rest of the column, so nothing can be added by hand.
    pg.escribir(QStringLiteral("Consulta médica"), kConcepto,
                Caja{kTablaX + 3.0, 40.2, kColumnaEuros - kTablaX - 6.0});
    pg.linea(kTablaX, kRaya, kColumnaEuros, kRaya, kFino);
    pg.linea(kColumnaEuros - 3.0, kRaya + 3.0, kTablaX + 3.0, kTablaAbajo - 3.0, kFino);

    pg.escribir(QString::number(cantidad) + QStringLiteral(" .-"), kValor,
                Caja{95.2, 40.2, kTablaDerecha - 1.0 - 95.2});
}

void pintarRecibo(pagina::Pagina& pg, const DatosFactura& d)
{
    pg.banda(kAltoCabecera);
    // The name starts at its place unless the words before it reach that far on this device.
    const double finRecibido =
        fijo(pg, QStringLiteral("He recibido de D/Dña. "), kFijo, 16.9, 8.5);
    const double xNombre = std::max(55.6, finRecibido + kSeparacion);
    pg.escribir(TImprimeFactura::nombreCompleto(d), kValor,
                Caja{xNombre, 8.5, kAnchoBanda - xNombre, 14.8 - 8.5 - 0.2});

    const double finCantidad = fijo(pg, QStringLiteral("la cantidad de "), kFijo, 6.3, 14.8);
    const double xImporte = std::max(31.8, finCantidad + kSeparacion);
    pg.escribir(TImprimeFactura::importeEnLetra(d), kValor,
                Caja{xImporte, 14.8, 55.0 - xImporte, 21.2 - 14.8 - 0.2});
    fijo(pg, QStringLiteral(", por concepto de Asistencia Médica, "), kFijo, 55.0, 14.8);
    fijo(pg, QStringLiteral("por los servicios que se indican."), kFijo, 6.3, 21.2);

    pintarTabla(pg, d.cantidad);
}

void pintarCierre(pagina::Pagina& pg, const DatosFactura& d, const DatosConsulta& c)
{
    pg.banda(kAltoCabecera + kAltoDetalle);
    pg.escribir(TImprimeFactura::lineaFinal(d, c), kValor, Caja{19.1, 5.3, kAnchoBanda - 19.1});
}

// The area inside the layout's margins in device pixels, for a painter whose origin is the
// paper's corner. Computed from millimetres here rather than left to the device, which rounds
// the margins to whole points (a third of a millimetre off on PDF).

}  // namespace

TImprimeFactura::TImprimeFactura(QWidget* parent) : Ventana(parent)
{
    QVBoxLayout* columna = nullptr;
    iniciarVentana(this, QStringLiteral("ImprimeFactura"), kTitulo,
                   QStringLiteral("IMPRIMIR FACTURA"), false, &columna);
    columna->addStretch();
    resize(640, 420);
}

QPageLayout TImprimeFactura::formatoPagina()
{
    return QPageLayout(QPageSize(QPageSize::JisB5), QPageLayout::Portrait,
                       QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

QString TImprimeFactura::nombreCompleto(const DatosFactura& d)
{
    QStringList partes;
    for (const QString& p : {d.nombre, d.apellido1, d.apellido2}) {
        if (!p.trimmed().isEmpty())
            partes << p.trimmed();
    }
    return partes.join(QLatin1Char(' '));
}

QString TImprimeFactura::importeEnLetra(const DatosFactura& d)
{
    const QString escrito = d.importeEnLetra.trimmed();
    return (escrito.isEmpty() ? letras::importe(d.cantidad) : escrito).toUpper();
}

QString TImprimeFactura::lineaFinal(const DatosFactura& d, const DatosConsulta& c)
{
    const QDate fecha = formatos::fechaDeTexto(d.fecha);
    const QString cuando = fecha.isValid() ? letras::fecha(fecha) : d.fecha.trimmed();
    const QString lugar = c.localidad();
    if (lugar.isEmpty() || cuando.isEmpty())
        return cuando;
    return lugar + QStringLiteral(", a ") + cuando;
}

void TImprimeFactura::pintar(QPainter& p, const QRectF& areaPx, double dpi,
                             const DatosFactura& d, const DatosConsulta& c)
{
    pagina::Pagina pg(p, areaPx, dpi);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    pintarCabecera(pg, d, c);
    pintarRecibo(pg, d);
    pintarCierre(pg, d, c);
    p.restore();
}

bool TImprimeFactura::guardarPdf(const DatosFactura& datos, const QString& ruta)
{
    datos_ = datos;
    consulta_ = consulta::leer(consulta::rutaActual());
    return impresion::guardarPdf(formatoPagina(), ruta,
                                 QStringLiteral("Factura ") + datos.numeroFactura, pintor());
}

impresion::Pintor TImprimeFactura::pintor() const
{
    return [this](QPainter& p, QPagedPaintDevice&, const QRectF& areaPx, double dpi) {
        pintar(p, areaPx, dpi, datos_, consulta_);
    };
}

void TImprimeFactura::mostrar(const DatosFactura& datos)
{
    datos_ = datos;
    consulta_ = consulta::leer(consulta::rutaActual());
    impresion::vistaPrevia(formatoPagina(), QStringLiteral("Factura ") + datos.numeroFactura,
                           kTitulo, QStringLiteral("VistaPreviaFactura"), pintor(),
                           parentWidget());
}
