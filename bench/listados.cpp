// The listings: a month's visits and a year's invoices on screen, the window's opening with
// both lists, and the printed list written to PDF. The busiest month and year of the database
// are chosen, where the lists are longest.
#include "bench/medir.h"

#include "app/ventanas.h"
#include "db/dataset.h"
#include "db/sql.h"
#include "ui/common/rejilla.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>

namespace bench {

namespace {

const QStringList kMeses = {"enero", "febrero", "marzo",      "abril",   "mayo",      "junio",
                            "julio", "agosto",  "septiembre", "octubre", "noviembre", "diciembre"};

// "mm/yyyy" of the month with most visits, and its count.
QString mesConMasVisitas(Contexto& c, int* visitas)
{
    const QVariantList fila = c.primeraFila(
        Sql{QStringLiteral("SELECT substr(fecha, 4) AS mes, count(*) FROM Visita GROUP BY mes "
                           "ORDER BY count(*) DESC LIMIT 1"),
            {}});
    *visitas = fila.value(1).toInt();
    return fila.value(0).toString();
}

QString anoConMasFacturas(Contexto& c, int* facturas)
{
    const QVariantList fila = c.primeraFila(
        Sql{QStringLiteral("SELECT substr(fecha, 7) AS ano, count(*) FROM Visita "
                           "WHERE factura = 1 GROUP BY ano ORDER BY count(*) DESC LIMIT 1"),
            {}});
    *facturas = fila.value(1).toInt();
    return fila.value(0).toString();
}

QComboBox* caja(const char* nombre)
{
    auto* c = FormListados->findChild<QComboBox*>(QString::fromLatin1(nombre));
    if (!c)
        throw Fallo(QStringLiteral("Listados no tiene %1").arg(QString::fromLatin1(nombre)));
    return c;
}

// The window as the user has it: shown at its size, on the chosen month and year.
void prepararListados(const QString& mesAno, const QString& ano)
{
    caja("ComboBox1")->setEditText(kMeses.value(mesAno.left(2).toInt() - 1));
    caja("ComboBox2")->setEditText(mesAno.mid(3));
    caja("ComboBox3")->setEditText(ano);
    FormListados->show();
    QCoreApplication::processEvents();
}

Resultado visitasDelMes(Contexto& c)
{
    c.asegurarVentanas();
    int visitas = 0;
    const QString mes = mesConMasVisitas(c, &visitas);
    prepararListados(mes, mes.mid(3));
    Resultado r;
    r.programa = medir(c.repeticiones(), [](int) { QCoreApplication::processEvents(); }, [] {
        FormListados->RadioButton1Click();
        pintarVentana(FormListados);
    });
    r.desnudo = c.desnudo(FormListados->ADODataSetVisitas->command(), c.repeticiones());
    r.notas << QStringLiteral("mes %1, %2 visitas; primera pantalla pintada; el desnudo las "
                              "recorre todas")
                   .arg(mes)
                   .arg(visitas);
    FormListados->hide();
    return r;
}

Resultado facturasDelAno(Contexto& c)
{
    c.asegurarVentanas();
    int facturas = 0;
    const QString ano = anoConMasFacturas(c, &facturas);
    prepararListados(QStringLiteral("01/") + ano, ano);
    Resultado r;
    r.programa = medir(c.repeticiones(), [](int) { QCoreApplication::processEvents(); }, [] {
        FormListados->RadioButton2Click();
        pintarVentana(FormListados);
    });
    r.desnudo = c.desnudo(FormListados->ADODataSetFactura->command(), c.repeticiones());
    r.notas << QStringLiteral("año %1, %2 facturas; primera pantalla pintada; el desnudo las "
                              "recorre todas")
                   .arg(ano)
                   .arg(facturas);
    FormListados->hide();
    return r;
}

Resultado abrirListados(Contexto& c)
{
    c.asegurarVentanas();
    int visitas = 0, facturas = 0;
    const QString mes = mesConMasVisitas(c, &visitas);
    const QString ano = anoConMasFacturas(c, &facturas);
    prepararListados(mes, ano);
    double primera = 0;
    Resultado r;
    r.programa = medirConPrimera(
        c.repeticiones(),
        [](int) {
            FormListados->hide();
            QCoreApplication::processEvents();
        },
        [] {
            // What the main window's "Listados" does before the window shows.
            FormListados->RadioButton2Click();
            FormListados->RadioButton1Click();
            FormListados->RadioButton1->setChecked(true);
            FormListados->show();
            pintarVentana(FormListados);
        },
        &primera);
    FormListados->hide();
    r.notas << QStringLiteral("las dos listas (%1 visitas de %2, %3 facturas de %4) y la ventana "
                              "pintada; la primera apertura %5 ms; sin desnudo: dos sentencias")
                   .arg(visitas)
                   .arg(mes)
                   .arg(facturas)
                   .arg(ano)
                   .arg(QString::number(primera, 'f', 1));
    return r;
}

// The first `filas` visits of the busiest month, written as the printed list.
Resultado listadoPdf(Contexto& c, int filas)
{
    c.asegurarVentanas();
    int visitas = 0;
    const QString mes = mesConMasVisitas(c, &visitas);
    Sql consulta = sql::visitasDelMes(mes.left(2), mes.mid(3));
    if (filas > 0)
        consulta.text += QStringLiteral(" LIMIT %1").arg(filas);
    QTemporaryDir carpeta;
    const QString ruta = carpeta.filePath(QStringLiteral("listado.pdf"));
    int paginas = 0;
    const auto escribir = [&] {
        if (!ImprimeListaVisitas->guardarPdf(consulta, QStringLiteral("Visitas"),
                                             TImprimeListaVisitas::Variante::Visitas, ruta,
                                             [&](int hecho, int) {
                                                 paginas = hecho;
                                                 return true;
                                             }))
            throw Fallo(QStringLiteral("no se ha podido escribir %1").arg(ruta));
    };
    Resultado r;
    // The whole month is hundreds of pages: a few runs tell enough.
    const Repeticiones rep = filas > 0 ? c.repeticiones()
                                       : Repeticiones{std::min(c.repeticiones().veces, 3), 0};
    r.programa = medir(rep, escribir);
    r.desnudo = c.desnudo(consulta, rep);
    r.notas << QStringLiteral("%1 filas, %2 páginas, %3 KB; desnudo = solo la sentencia")
                   .arg(filas > 0 ? filas : visitas)
                   .arg(paginas)
                   .arg(QFileInfo(ruta).size() / 1024);
    return r;
}

}  // namespace

QList<Accion> accionesListados()
{
    return {
        {QStringLiteral("listado_visitas_mes"), visitasDelMes},
        {QStringLiteral("listado_facturas_ano"), facturasDelAno},
        {QStringLiteral("abrir_listados"), abrirListados},
        {QStringLiteral("listado_pdf_300"), [](Contexto& c) { return listadoPdf(c, 300); }},
        {QStringLiteral("listado_pdf_mes"), [](Contexto& c) { return listadoPdf(c, 0); }},
    };
}

}  // namespace bench
