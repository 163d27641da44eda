#pragma once

#include "db/sql.h"
#include "reports/impresion.h"
#include "ui/common/ventana.h"

#include <QList>
#include <QStringList>

#include <functional>

class DataSet;
class QPageLayout;

// The printed list of visits: A4 landscape, a title band on the first page, the column
// headings on every page and one line per visit. Fed with the statement of the list on screen;
// never shown as a window of its own ("Clinora 1.1  - Listado" is the preview's title).
class TImprimeListaVisitas : public Ventana {
    Q_OBJECT

public:
    explicit TImprimeListaVisitas(QWidget* parent = nullptr);

    // The visits list; the invoices list, whose last column shows the invoice number where
    // the visits list shows the remarks; one day's visits, whose first column is the hour.
    enum class Variante { Visitas, Facturas, Citas };

    // One printed line, already in the texts it prints.
    struct Fila {
        QString fecha;   // the hour in one day's list
        QString codigo, apellido1, apellido2, nombre, tlf1, tlf2, pago, cantidad, ultima;
    };

    DataSet* ADOQuery;     // the rows to print
    QString QRLabel2;      // the second title: what is listed ("Visitas de diciembre de 2026")

    // Runs `consulta` and shows the print preview of its rows.
    void mostrar(const Sql& consulta, const QString& titulo, Variante variante);
    // Runs `consulta` and writes its rows as a PDF; false when the file cannot be written.
    // `progreso(hecho, total)` hears of every page painted and returns false to stop.
    bool guardarPdf(const Sql& consulta, const QString& titulo, Variante variante,
                    const QString& ruta,
                    const std::function<bool(int, int)>& progreso = {});

    // The paid-state rule: "Si" for a yes value, "No" for no value or any other.
    static QString QRDBText8Print(const QVariant& pago);
    // How long a painting runs before its progress box shows; tests set 0 to meet the box on
    // any machine, however fast.
    static inline int msAntesDelAvance = 300;
    static QPageLayout formatoPagina();
    // Lines that fit on the first page (below the title) and on the others, with `alto`
    // millimetres of the form between the margins (the form's own page unless another was
    // chosen in the preview).
    static int filasPrimeraPagina(double alto = kAltoUtil);
    static int filasPorPagina(double alto = kAltoUtil);
    // Pages of `filas` lines: the totals after the last line take a page of their own when
    // they do not fit under it.
    static int paginas(int filas, double alto = kAltoUtil);
    // The totals line at the end: how many visits, paid and unpaid apart with their amounts;
    // for the invoices, how many, the sum invoiced and the annulled numbers.
    static QString resumen(const QList<Fila>& filas, Variante variante);
    static constexpr double kAltoUtil = 190;   // A4 landscape less 10 mm above and below

    // The one painting routine behind preview, printer and PDF; `dpi` lays the form out (see
    // impresion.h), and the lines fill the height of `areaPx`.
    static void pintar(QPainter& p, QPagedPaintDevice& dispositivo, const QRectF& areaPx,
                       double dpi, const QList<Fila>& filas, const QString& titulo,
                       Variante variante, const std::function<bool(int, int)>& progreso = {});

private:
    void cargar(const Sql& consulta, Variante variante);
    impresion::Pintor pintor(const std::function<bool(int, int)>& progreso) const;

    QList<Fila> filas_;
    Variante variante_ = Variante::Visitas;
};
