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
const Letra kExencion{8, false, true};             // the VAT exemption under the table

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

// The receipt's lines, from the line of the amount down: the amount in words may take more than
// the room the form gives it, and the sentence then runs on, line under line.
constexpr double kLineaImporte = 14.8;
constexpr double kInterlineado = 21.2 - 14.8;
constexpr double kIzquierdaRecibo = 6.3;
// The form has two lines for the amount's sentence; more push the table and the closing line
// down. Past this many the words the user wrote end in an ellipsis: the page stays one.
constexpr int kLineasPrevistas = 2;
constexpr int kLineasMaximas = 6;

// A piece of running text in one typeface; pieces of one word are never parted ("EUROS,").
struct Tramo {
    QString texto;
    Letra letra;
};
using Palabra = QList<Tramo>;

struct Colocado {
    Tramo tramo;
    double x;
    int linea;
};

// The words of `texto` in `letra`, added to `palabras`; `pegado` glues the first one to the
// word before it.
void anadir(QList<Palabra>& palabras, const QString& texto, const Letra& letra, bool pegado)
{
    const QStringList trozos = texto.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < trozos.size(); ++i) {
        if (i == 0 && pegado && !palabras.isEmpty())
            palabras.last() << Tramo{trozos.at(i), letra};
        else
            palabras << Palabra{Tramo{trozos.at(i), letra}};
    }
}

// Lays the words out from `x0` on the first line, each next line starting at the receipt's
// left edge; empty when they need more than `maxLineas` lines or a word is wider than a line.
QList<Colocado> componer(const pagina::Pagina& pg, const QList<Palabra>& palabras, double x0,
                         int maxLineas)
{
    QList<Colocado> colocados;
    double x = x0;
    int linea = 0;
    bool primera = true;
    for (const Palabra& palabra : palabras) {
        double ancho = 0;
        for (const Tramo& t : palabra)
            ancho += pg.ancho(t.texto, t.letra);
        const double blanco = primera ? 0 : pg.ancho(QStringLiteral(" "), palabra.first().letra);
        if (x + blanco + ancho > kAnchoBanda) {
            ++linea;
            x = kIzquierdaRecibo;
            if (linea >= maxLineas || x + ancho > kAnchoBanda)
                return {};
        } else {
            x += blanco;
        }
        for (const Tramo& t : palabra) {
            colocados << Colocado{t, x, linea};
            x += pg.ancho(t.texto, t.letra);
        }
        primera = false;
    }
    return colocados;
}

// The amount in words and the rest of the sentence, starting at `xImporte` on the amount's
// line. Returns the lines used. The amount is printed at its own size, never shrunk: where it
// fits the form's room the fixed words stand at their places, otherwise the sentence runs on.
int pintarImporte(pagina::Pagina& pg, const QString& importe, double xImporte)
{
    const QString concepto = QStringLiteral(", por concepto de Asistencia Médica, ");
    const QString servicios = QStringLiteral("por los servicios que se indican.");
    if (xImporte + pg.ancho(importe, kValor) <= 55.0) {
        fijo(pg, importe, kValor, xImporte, kLineaImporte);
        fijo(pg, concepto, kFijo, 55.0, kLineaImporte);
        fijo(pg, servicios, kFijo, kIzquierdaRecibo, kLineaImporte + kInterlineado);
        return kLineasPrevistas;
    }
    const auto frase = [&](const QString& enLetra) {
        QList<Palabra> palabras;
        anadir(palabras, enLetra, kValor, false);
        anadir(palabras, concepto + servicios, kFijo, true);
        return componer(pg, palabras, xImporte, kLineasMaximas);
    };
    QList<Colocado> colocados = frase(importe);
    if (colocados.isEmpty()) {
        // Only words the user wrote come this far: the longest beginning that leaves room.
        const QString puntos = QStringLiteral("…");
        qsizetype bajo = 0, alto = importe.size();
        while (bajo < alto) {
            const qsizetype medio = (bajo + alto + 1) / 2;
            if (frase(importe.left(medio).trimmed() + puntos).isEmpty())
                alto = medio - 1;
            else
                bajo = medio;
        }
        colocados = frase(importe.left(bajo).trimmed() + puntos);
    }
    int lineas = 1;
    for (const Colocado& c : colocados) {
        fijo(pg, c.tramo.texto, c.tramo.letra, c.x, kLineaImporte + c.linea * kInterlineado);
        lineas = std::max(lineas, c.linea + 1);
    }
    return lineas;
}

// The receipt and the services table; returns how far the lines of the amount pushed the table
// (and what follows) down.
double pintarRecibo(pagina::Pagina& pg, const DatosFactura& d, const DatosConsulta& c)
{
    pg.banda(kAltoCabecera);
    // The name starts at its place unless the words before it reach that far on this device.
    const double finRecibido =
        fijo(pg, QStringLiteral("He recibido de D/Dña. "), kFijo, 16.9, 8.5);
    const double xNombre = std::max(55.6, finRecibido + kSeparacion);
    pg.escribir(TImprimeFactura::nombreCompleto(d), kValor,
                Caja{xNombre, 8.5, kAnchoBanda - xNombre, 14.8 - 8.5 - 0.2});

    const double finCantidad =
        fijo(pg, QStringLiteral("la cantidad de "), kFijo, kIzquierdaRecibo, kLineaImporte);
    const double xImporte = std::max(31.8, finCantidad + kSeparacion);
    const int lineas = pintarImporte(pg, TImprimeFactura::importeEnLetra(d), xImporte);
    const double desplazamiento = std::max(0, lineas - kLineasPrevistas) * kInterlineado;

    pg.banda(kAltoCabecera + desplazamiento);
    pintarTabla(pg, d.cantidad);
    // In the room between the table and the closing line, which keeps its place: a long text
    // shrinks, then takes a second line, never more.
    pg.escribir(c.exencion, kExencion,
                Caja{kTablaX, kTablaAbajo + 0.8, kTablaAncho,
                     kAltoCabecera + kAltoDetalle + 5.3 - kAltoCabecera - kTablaAbajo - 1.2});
    return desplazamiento;
}

void pintarCierre(pagina::Pagina& pg, const DatosFactura& d, const DatosConsulta& c,
                  double desplazamiento)
{
    pg.banda(kAltoCabecera + kAltoDetalle + desplazamiento);
    pg.escribir(TImprimeFactura::lineaFinal(d, c), kValor, Caja{19.1, 5.3, kAnchoBanda - 19.1});
}

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
    pintarCierre(pg, d, c, pintarRecibo(pg, d, c));
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
