#include "reports/Unit9.h"

#include "db/dataset.h"
#include "reports/pagina.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QProgressDialog>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using pagina::Caja;
using pagina::Letra;

const QString kTitulo = QStringLiteral("Clinora 1.1  - Listado");

// Millimetres of the form.
constexpr double kAnchoBanda = 277;
constexpr double kAltoTitulo = 9.3;
constexpr double kAltoCabecera = 8.5;
constexpr double kAltoDetalle = 10.6;
// Every page ends with "Página N de M"; the last rows are followed by the totals.
constexpr double kAltoPie = 4.5;
constexpr double kAltoResumen = 8.5;

const Letra kValor{10};
const Letra kEncabezado{12, true};
const Letra kPie{8};
const QColor kGris(211, 211, 211);
const QColor kCielo(166, 202, 240);

struct Columna {
    double cabecera;   // left edge of the heading
    double valor;      // left edge of the value
    QString titulo;
};

// Headings and values, left to right; the values of a column end where the next one begins.
QList<Columna> columnas(TImprimeListaVisitas::Variante variante)
{
    return {
        {2.1, 2.1,
         variante == TImprimeListaVisitas::Variante::Citas ? QStringLiteral("HORA")
                                                           : QStringLiteral("FECHA")},
        {21.2, 25.4, QStringLiteral("CÓDIGO")},
        {44.5, 44.5, QStringLiteral("1erAPELLIDO")},
        {80.4, 80.4, QStringLiteral("2oAPELLIDO")},
        {114.3, 114.3, QStringLiteral("NOMBRE")},
        {148.2, 148.2, QStringLiteral("TLF.1")},
        {171.4, 171.4, QStringLiteral("TLF.2")},
        {194.7, 194.7, QStringLiteral("P")},
        {203.2, 207.4, QStringLiteral("IMPORTE")},
        {226.5, 226.5,
         variante == TImprimeListaVisitas::Variante::Facturas ? QStringLiteral("Nº FACTURA")
                                                              : QStringLiteral("OBSERVACIONES")},
    };
}

QStringList textos(const TImprimeListaVisitas::Fila& f)
{
    return {f.fecha, f.codigo, f.apellido1, f.apellido2, f.nombre,
            f.tlf1,  f.tlf2,   f.pago,      f.cantidad,  f.ultima};
}

// How far one painting of a long list has got (a month of a busy practice is hundreds of
// pages), in a box that shows once it takes a while. The preview's painting may be stopped, and
// then shows the pages painted so far; paper and files always get every page, so printing
// offers no Cancel.
class Avance {
public:
    Avance(bool parable, QWidget* padre) : parable_(parable), padre_(padre) {}

    bool operator()(int hecho, int total)
    {
        if (total < 20)
            return true;
        if (!dialogo_) {
            dialogo_ = std::make_unique<QProgressDialog>(
                parable_ ? QStringLiteral("Preparando la vista previa del listado...")
                         : QStringLiteral("Imprimiendo el listado..."),
                QStringLiteral("Cancelar"), 0, total, padre_);
            dialogo_->setWindowTitle(kTitulo);
            dialogo_->setAccessibleName(dialogo_->labelText());
            dialogo_->setWindowModality(Qt::WindowModal);
            dialogo_->setMinimumDuration(TImprimeListaVisitas::msAntesDelAvance);
            if (!parable_)
                dialogo_->setCancelButton(nullptr);
        }
        dialogo_->setValue(hecho);
        return !parable_ || !dialogo_->wasCanceled();
    }

private:
    bool parable_;
    QWidget* padre_;
    std::unique_ptr<QProgressDialog> dialogo_;
};

void banda(pagina::Pagina& pg, double arriba, double alto, const QColor& fondo)
{
    pg.banda(arriba);
    pg.painter().fillRect(pg.rect(0, 0, kAnchoBanda, alto), fondo);
}

void cabecera(pagina::Pagina& pg, double arriba, const QList<Columna>& cols)
{
    banda(pg, arriba, kAltoCabecera, kCielo);
    QFont subrayada = pg.fuente(kEncabezado);
    subrayada.setUnderline(true);
    pg.painter().setFont(subrayada);
    for (int i = 0; i < cols.size(); ++i) {
        const double fin = i + 1 < cols.size() ? cols.at(i + 1).cabecera : kAnchoBanda;
        const QRectF r = pg.rect(cols.at(i).cabecera, 2.1, fin - cols.at(i).cabecera, 6);
        pg.painter().drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                              cols.at(i).titulo);
    }
}

}  // namespace

TImprimeListaVisitas::TImprimeListaVisitas(QWidget* parent)
    : Ventana(parent), ADOQuery(new DataSet(QStringLiteral("ADOQuery"), this))
{
    setObjectName(QStringLiteral("ImprimeListaVisitas"));
    setWindowTitle(kTitulo);
    ADOQuery->setCommand(
        Sql{QStringLiteral("SELECT * FROM Paciente, Visita WHERE (Paciente.codigo = "
                           "Visita.codigo) AND (Visita.codigo = 9) "),
            {}});
    QRLabel2 = QStringLiteral("QRLabel2");
}

QString TImprimeListaVisitas::QRDBText8Print(const QVariant& pago)
{
    bool esNumero = false;
    const qlonglong valor = pago.toLongLong(&esNumero);
    return !pago.isNull() && esNumero && valor != 0 ? QStringLiteral("Si") : QStringLiteral("No");
}

QPageLayout TImprimeListaVisitas::formatoPagina()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

int TImprimeListaVisitas::filasPrimeraPagina(double alto)
{
    return std::max(1, int((alto - kAltoPie - kAltoTitulo - kAltoCabecera) / kAltoDetalle));
}

int TImprimeListaVisitas::filasPorPagina(double alto)
{
    return std::max(1, int((alto - kAltoPie - kAltoCabecera) / kAltoDetalle));
}

int TImprimeListaVisitas::paginas(int filas, double alto)
{
    // An empty list still prints its page of title, headings and totals.
    const int primera = filasPrimeraPagina(alto);
    int total = 1;
    double usado = kAltoTitulo + kAltoCabecera + std::min(filas, primera) * kAltoDetalle;
    if (filas > primera) {
        const int resto = filas - primera;
        const int otras = (resto + filasPorPagina(alto) - 1) / filasPorPagina(alto);
        total += otras;
        usado = kAltoCabecera + (resto - (otras - 1) * filasPorPagina(alto)) * kAltoDetalle;
    }
    // Totals that do not fit under the last rows take a page of their own.
    if (usado + kAltoResumen > alto - kAltoPie)
        ++total;
    return total;
}

QString TImprimeListaVisitas::resumen(const QList<Fila>& filas, Variante variante)
{
    int cuantas = 0, anuladas = 0, pagadas = 0;
    qlonglong suma = 0, sumaPagadas = 0;
    for (const Fila& f : filas) {
        if (variante == Variante::Facturas && f.ultima.endsWith(QStringLiteral("(anulada)"))) {
            ++anuladas;
            continue;
        }
        ++cuantas;
        const qlonglong importe = f.cantidad.toLongLong();
        suma += importe;
        if (f.pago == QStringLiteral("Si")) {
            ++pagadas;
            sumaPagadas += importe;
        }
    }
    const auto euros = [](qlonglong n) { return QString::number(n) + QStringLiteral(" €"); };
    if (variante == Variante::Facturas) {
        QString texto = QStringLiteral("Total: %1 %2, facturado %3.")
                            .arg(cuantas)
                            .arg(cuantas == 1 ? QStringLiteral("factura")
                                              : QStringLiteral("facturas"),
                                 euros(suma));
        if (anuladas > 0)
            texto += QStringLiteral(" Números anulados: %1.").arg(anuladas);
        return texto;
    }
    return QStringLiteral("Total: %1 %2. Pagadas: %3, %4. Sin pagar: %5, %6.")
        .arg(cuantas)
        .arg(cuantas == 1 ? QStringLiteral("visita") : QStringLiteral("visitas"))
        .arg(pagadas)
        .arg(euros(sumaPagadas))
        .arg(cuantas - pagadas)
        .arg(euros(suma - sumaPagadas));
}

void TImprimeListaVisitas::cargar(const Sql& consulta, Variante variante)
{
    variante_ = variante;
    ADOQuery->close();
    ADOQuery->setCommand(consulta);
    ADOQuery->open();
    const QString ultima = variante == Variante::Facturas ? QStringLiteral("num_factura")
                                                          : QStringLiteral("OBSERVACION");
    filas_.clear();
    for (ADOQuery->first(); !ADOQuery->eof(); ADOQuery->next()) {
        // None printed as nothing, on both engines (the server's missing number is typed).
        const auto campo = [this](const char* nombre) {
            const QVariant valor = ADOQuery->fieldByName(QString::fromLatin1(nombre));
            return valor.isNull() ? QString() : valor.toString();
        };
        filas_.append({campo(variante == Variante::Citas ? "HORA" : "FECHA"),
                       campo("Visita.CODIGO"), campo("APELLIDO1"),
                       campo("APELLIDO2"), campo("NOMBRE"), campo("TLF1"), campo("TLF2"),
                       QRDBText8Print(ADOQuery->fieldByName(QStringLiteral("PAGO"))),
                       campo("CANTIDAD"), ADOQuery->fieldByName(ultima).toString()});
    }
    ADOQuery->close();
}

impresion::Pintor TImprimeListaVisitas::pintor(const std::function<bool(int, int)>& progreso) const
{
    return [this, progreso](QPainter& p, QPagedPaintDevice& dispositivo, const QRectF& areaPx,
                            double dpi) {
        pintar(p, dispositivo, areaPx, dpi, filas_, QRLabel2, variante_, progreso);
    };
}

void TImprimeListaVisitas::mostrar(const Sql& consulta, const QString& titulo, Variante variante)
{
    cargar(consulta, variante);
    QRLabel2 = titulo;
    QWidget* encima = ventanasAbiertas().isEmpty() ? parentWidget() : ventanasAbiertas().last();
    // Every painting, the preview's or the printer's, has its progress of its own: a stop in
    // the preview must not carry over to the printing that follows it.
    const impresion::Pintor conAvance = [this, encima](QPainter& p, QPagedPaintDevice& dispositivo,
                                                       const QRectF& areaPx, double dpi) {
        Avance avance(impresion::esVistaPrevia(p), encima);
        pintar(p, dispositivo, areaPx, dpi, filas_, QRLabel2, variante_, std::ref(avance));
    };
    impresion::vistaPrevia(formatoPagina(), titulo, kTitulo,
                           QStringLiteral("VistaPreviaListado"), conAvance, parentWidget());
}

bool TImprimeListaVisitas::guardarPdf(const Sql& consulta, const QString& titulo,
                                      Variante variante, const QString& ruta,
                                      const std::function<bool(int, int)>& progreso)
{
    cargar(consulta, variante);
    QRLabel2 = titulo;
    return impresion::guardarPdf(formatoPagina(), ruta, titulo, pintor(progreso));
}

void TImprimeListaVisitas::pintar(QPainter& p, QPagedPaintDevice& dispositivo,
                                  const QRectF& areaPx, double dpi, const QList<Fila>& filas,
                                  const QString& titulo, Variante variante,
                                  const std::function<bool(int, int)>& progreso)
{
    pagina::Pagina pg(p, areaPx, dpi);
    const QList<Columna> cols = columnas(variante);
    const double alto = pagina::milimetros(areaPx.height(), dpi);
    const int total = paginas(int(filas.size()), alto);
    bool resumido = false;
    int fila = 0;
    for (int numero = 0; numero < total; ++numero) {
        if (numero > 0)
            dispositivo.newPage();
        double arriba = 0;
        if (numero == 0) {
            banda(pg, 0, kAltoTitulo, kGris);
            pg.escribir(QStringLiteral("Clinora 1.1 - Listado de pacientes"), kValor,
                        Caja{4.2, 2.1, 100});
            // What is listed may be longer than the room after 245.5 mm: it ends at the
            // band's right edge instead.
            pg.escribir(titulo, kValor,
                        Caja{120, 2.1, kAnchoBanda - 2 - 120, 0, Qt::AlignRight});
            arriba = kAltoTitulo;
        }
        cabecera(pg, arriba, cols);
        arriba += kAltoCabecera;
        const int enEsta = numero == 0 ? filasPrimeraPagina(alto) : filasPorPagina(alto);
        for (int n = 0; n < enEsta && fila < filas.size(); ++n, ++fila) {
            pg.banda(arriba);
            const QStringList valores = textos(filas.at(fila));
            for (int i = 0; i < cols.size(); ++i) {
                const double fin = i + 1 < cols.size() ? cols.at(i + 1).cabecera : kAnchoBanda;
                const double x = cols.at(i).valor;
                pg.escribir(valores.at(i), kValor, Caja{x, 4.2, fin - x - 0.8});
            }
            arriba += kAltoDetalle;
        }
        if (fila == filas.size() && !resumido && arriba + kAltoResumen <= alto - kAltoPie) {
            banda(pg, arriba, kAltoResumen, kGris);
            pg.escribir(resumen(filas, variante), kEncabezado,
                        Caja{4.2, 2.1, kAnchoBanda - 8.4});
            resumido = true;
        }
        pg.banda(alto - kAltoPie);
        pg.escribir(QStringLiteral("Página %1 de %2").arg(numero + 1).arg(total), kPie,
                    Caja{kAnchoBanda - 60, 0.6, 60, 0, Qt::AlignRight});
        if (progreso && !progreso(numero + 1, total))
            return;
    }
}
