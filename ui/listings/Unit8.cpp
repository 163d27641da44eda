#include "ui/listings/Unit8.h"

#include "app/traspasos.h"
#include "db/dataset.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "ui/common/ayuda.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/colorvisita.h"
#include "ui/common/controles.h"
#include "ui/common/desplegable.h"
#include "ui/common/rejilla.h"
#include "ui/common/mensajes.h"
#include "ui/listings/exportar.h"

#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QStringList kMeses = {"enero", "febrero", "marzo",      "abril",   "mayo",      "junio",
                            "julio", "agosto",  "septiembre", "octubre", "noviembre", "diciembre"};
constexpr int kPrimerAno = 2008;

QLabel* titulo(const QString& texto, QWidget* padre)
{
    auto* label = new QLabel(texto, padre);
    QFont f = label->font();
    f.setBold(true);
    f.setPixelSize(16);
    label->setFont(f);
    return label;
}

// A label above its drop-down, in the given column of `rejilla`.
void etiquetaSobre(const QString& texto, QWidget* caja, QGridLayout* rejilla, int columna,
                   const QString& nombreEtiqueta)
{
    auto* label = new QLabel(texto, caja->parentWidget());
    label->setObjectName(nombreEtiqueta);
    label->setBuddy(caja);
    caja->setAccessibleName(texto.chopped(1));
    rejilla->addWidget(label, 0, columna);
    rejilla->addWidget(caja, 1, columna);
}

Rejilla* crearRejilla(const QString& nombre, DataSet* datos, const QList<Columna>& columnas,
                      QWidget* padre)
{
    auto* rejilla = new Rejilla(nombre, datos, padre);
    rejilla->setFuenteCompacta();
    rejilla->setColumnas(columnas);
    rejilla->setIndicador(true);
    // The columns stay as laid out: neither resized nor moved by the user.
    rejilla->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rejilla->horizontalHeader()->setSectionsMovable(false);
    return rejilla;
}

}  // namespace

TFormListados::TFormListados(QWidget* parent)
    : Ventana(parent),
      ADODataSetVisitas(new DataSet(QStringLiteral("ADODataSetVisitas"), this)),
      ADODataSetFactura(new DataSet(QStringLiteral("ADODataSetFactura"), this)),
      ADODataSetDia(new DataSet(QStringLiteral("ADODataSetDia"), this))
{
    crearControles();
    FormCreate();
}

void TFormListados::crearControles()
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera =
        iniciarVentana(this, QStringLiteral("FormListados"), QStringLiteral("Clinora 1.1 - Listados"),
                       QStringLiteral("LISTADOS"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormListados::Image3Click);
    // The design's client area; the grids scroll inside it.
    columna->setSizeConstraint(QLayout::SetDefaultConstraint);
    setFixedSize(818, 521);

    auto* cuerpo = new QHBoxLayout;
    cuerpo->setContentsMargins(6, 0, 6, 0);
    cuerpo->addWidget(crearIzquierda());
    Panel4 = crearVistaVisitas();
    Panel5 = crearVistaFacturas();
    Panel6 = crearVistaDia();
    cuerpo->addWidget(Panel4, 1);
    cuerpo->addWidget(Panel5, 1);
    cuerpo->addWidget(Panel6, 1);
    columna->addLayout(cuerpo, 1);

    QHBoxLayout* fila = nullptr;
    QWidget* Panel1 = crearBarraBotones(this, &fila);
    Panel1->setFixedHeight(100);
    QToolButton* BitBtn2 =
        crearBotonVertical(QStringLiteral("BitBtn2"), QStringLiteral("&Imprimir"),
                           QStringLiteral("Imprimir listado."),
                           QStringLiteral(":/imagenes/listados.png"), Panel1);
    QToolButton* BitBtn1 = crearBotonVertical(
        QStringLiteral("BitBtn1"), QStringLiteral("&Cancelar"),
        QStringLiteral("Salir de Listados de Pacientes."), QStringLiteral(":/imagenes/salir.png"),
        Panel1);
    QToolButton* BitBtn3 = crearBotonVertical(
        QStringLiteral("BitBtn3"), QStringLiteral("&Exportar"),
        QStringLiteral("Guardar el listado en un fichero CSV para la hoja de cálculo."),
        QStringLiteral(":/imagenes/backup.png"), Panel1);
    for (QToolButton* b : {BitBtn2, BitBtn3, BitBtn1})
        b->setMinimumSize(110, 80);
    fila->addWidget(BitBtn2);
    fila->addWidget(BitBtn3);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, BitBtn1);
    fila->addStretch();
    fila->addWidget(BitBtn1);
    connect(BitBtn2, &QToolButton::clicked, this, &TFormListados::BitBtn2Click);
    connect(BitBtn3, &QToolButton::clicked, this, &TFormListados::BitBtn3Click);
    connect(BitBtn1, &QToolButton::clicked, this, &TFormListados::BitBtn1Click);
    columna->addWidget(Panel1);
}

QWidget* TFormListados::crearIzquierda()
{
    auto* Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedWidth(177);
    auto* dentro = new QVBoxLayout(Panel3);
    dentro->setContentsMargins(0, 0, 0, 0);
    auto* GroupBox1 = new QGroupBox(QStringLiteral("Listados:"), Panel3);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* opciones = new QVBoxLayout(GroupBox1);
    RadioButton1 = new QRadioButton(QStringLiteral("Visitas por mes."), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Facturas realizadas."), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    // Tomorrow's patients are called the day before: the list of one day with their telephones.
    RadioButton3 = new QRadioButton(QStringLiteral("Ci&tas de un día."), GroupBox1);
    RadioButton3->setObjectName(QStringLiteral("RadioButton3"));
    opciones->addWidget(RadioButton1);
    opciones->addWidget(RadioButton2);
    opciones->addWidget(RadioButton3);
    // A click, the space bar or an arrow key moving the choice all come as one click: one
    // refresh.
    connect(RadioButton1, &QRadioButton::clicked, this, &TFormListados::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TFormListados::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &TFormListados::RadioButton3Click);
    dentro->addWidget(GroupBox1);
    auto* Image1 = new QLabel(Panel3);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/imagenes/listados.png"))
                          .scaled(129, 129, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image1->setAlignment(Qt::AlignCenter);
    dentro->addWidget(Image1);
    dentro->addStretch();
    return Panel3;
}

QWidget* TFormListados::crearVistaVisitas()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel4"));
    auto* dentro = new QVBoxLayout(panel);
    dentro->setContentsMargins(0, 0, 0, 0);
    auto* Label4 = titulo(QStringLiteral("Visitas por mes:"), panel);
    Label4->setObjectName(QStringLiteral("Label4"));
    dentro->addWidget(Label4);
    auto* cajas = new QGridLayout;
    ComboBox1 = new Desplegable(QStringLiteral("ComboBox1"), panel);
    ComboBox1->addItems(kMeses);
    ComboBox2 = new Desplegable(QStringLiteral("ComboBox2"), panel);
    etiquetaSobre(QStringLiteral("Mes:"), ComboBox1, cajas, 0, QStringLiteral("Label1"));
    etiquetaSobre(QStringLiteral("Año:"), ComboBox2, cajas, 1, QStringLiteral("Label2"));
    cajas->setColumnStretch(2, 1);
    dentro->addLayout(cajas);
    // Only a pick from a list refreshes; typed text waits for the next refresh.
    connect(ComboBox1, &Desplegable::elegidoDeLista, this, &TFormListados::ComboBox1Click);
    connect(ComboBox2, &Desplegable::elegidoDeLista, this, &TFormListados::ComboBox1Click);

    const Qt::Alignment centro = Qt::AlignCenter;
    const Qt::Alignment izquierda = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid1 = crearRejilla(QStringLiteral("DBGrid1"), ADODataSetVisitas,
                           {
                               {QStringLiteral("FECHA"), QStringLiteral("Fecha"), 80, centro, 0},
                               {QStringLiteral("APELLIDO1"), QStringLiteral("Primer apellido"), 100,
                                izquierda, 0},
                               {QStringLiteral("APELLIDO2"), QStringLiteral("Segundo apellido"),
                                100, izquierda, 0},
                               {QStringLiteral("NOMBRE"), QStringLiteral("Nombre"), 100, izquierda, 0},
                               {QStringLiteral("Paciente.CODIGO"), QStringLiteral("Código"), 60,
                                centro, 0},
                               {QStringLiteral("TLF1"), QStringLiteral("Teléfono 1"), 80, centro, 0},
                               {QStringLiteral("TLF2"), QStringLiteral("Teléfono 2"), 80, centro, 0},
                               {QStringLiteral("pago_texto"), QStringLiteral("Pago"), 40, centro, 0},
                               {QStringLiteral("SOCIEDAD"), QStringLiteral("Sociedad"), 80, izquierda, 0},
                               {QStringLiteral("CANTIDAD"), QStringLiteral("Importe"), 80, centro, 0},
                               {QStringLiteral("OBSERVACION"), QStringLiteral("Observaciones"), 200,
                                izquierda, 0},
                           },
                           panel);
    DBGrid1->setColorFila(colorFilaVisita);
    DBGrid1->setAccessibleName(QStringLiteral("Visitas por mes"));
    connect(DBGrid1, &Rejilla::dobleClic, this, &TFormListados::DBGrid1DblClick);
    dentro->addWidget(DBGrid1, 1);
    return panel;
}

QWidget* TFormListados::crearVistaFacturas()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel5"));
    auto* dentro = new QVBoxLayout(panel);
    dentro->setContentsMargins(0, 0, 0, 0);
    auto* Label5 = titulo(QStringLiteral("Facturas realizadas:"), panel);
    Label5->setObjectName(QStringLiteral("Label5"));
    dentro->addWidget(Label5);
    auto* cajas = new QGridLayout;
    ComboBox3 = new Desplegable(QStringLiteral("ComboBox3"), panel);
    etiquetaSobre(QStringLiteral("Año:"), ComboBox3, cajas, 0, QStringLiteral("Label3"));
    cajas->setColumnStretch(1, 1);
    dentro->addLayout(cajas);
    connect(ComboBox3, &Desplegable::elegidoDeLista, this, &TFormListados::ComboBox3Click);

    const Qt::Alignment centro = Qt::AlignCenter;
    const Qt::Alignment izquierda = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid2 = crearRejilla(
        QStringLiteral("DBGrid2"), ADODataSetFactura,
        {
            {QStringLiteral("FECHA"), QStringLiteral("Fecha visita"), 80, centro, 0},
            {QStringLiteral("APELLIDO1"), QStringLiteral("Primer apellido"), 100, izquierda, 0},
            {QStringLiteral("APELLIDO2"), QStringLiteral("Segundo apellido"), 100, izquierda, 0},
            {QStringLiteral("NOMBRE"), QStringLiteral("Nombre"), 100, izquierda, 0},
            {QStringLiteral("Paciente.CODIGO"), QStringLiteral("Código"), 60, centro, 0},
            {QStringLiteral("CANTIDAD"), QStringLiteral("Importe"), 80, centro, 0},
            {QStringLiteral("num_factura"), QStringLiteral("Nº factura"), 130, centro, 0},
        },
        panel);
    DBGrid2->setAccessibleName(QStringLiteral("Facturas realizadas"));
    connect(DBGrid2, &Rejilla::dobleClic, this, &TFormListados::DBGrid2DblClick);
    dentro->addWidget(DBGrid2, 1);
    return panel;
}

QWidget* TFormListados::crearVistaDia()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel6"));
    auto* dentro = new QVBoxLayout(panel);
    dentro->setContentsMargins(0, 0, 0, 0);
    auto* Label6 = titulo(QStringLiteral("Citas de un día:"), panel);
    Label6->setObjectName(QStringLiteral("Label6"));
    dentro->addWidget(Label6);
    auto* cajas = new QGridLayout;
    DateTimePicker1 = new QDateEdit(panel);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setMinimumWidth(110);
    etiquetaSobre(QStringLiteral("&Día:"), DateTimePicker1, cajas, 0, QStringLiteral("Label7"));
    DateTimePicker1->setAccessibleName(QStringLiteral("Día"));
    cajas->setColumnStretch(1, 1);
    dentro->addLayout(cajas);
    connect(DateTimePicker1, &QDateEdit::dateChanged, this,
            &TFormListados::DateTimePicker1Change);

    const Qt::Alignment centro = Qt::AlignCenter;
    const Qt::Alignment izquierda = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid3 = crearRejilla(
        QStringLiteral("DBGrid3"), ADODataSetDia,
        {
            {QStringLiteral("HORA"), QStringLiteral("Hora"), 50, centro, 0},
            {QStringLiteral("APELLIDO1"), QStringLiteral("Primer apellido"), 100, izquierda, 0},
            {QStringLiteral("APELLIDO2"), QStringLiteral("Segundo apellido"), 100, izquierda, 0},
            {QStringLiteral("NOMBRE"), QStringLiteral("Nombre"), 100, izquierda, 0},
            {QStringLiteral("Paciente.CODIGO"), QStringLiteral("Código"), 60, centro, 0},
            {QStringLiteral("TLF1"), QStringLiteral("Teléfono 1"), 90, centro, 0},
            {QStringLiteral("TLF2"), QStringLiteral("Teléfono 2"), 90, centro, 0},
            {QStringLiteral("OBSERVACION"), QStringLiteral("Observaciones"), 200, izquierda, 0},
        },
        panel);
    DBGrid3->setColorFila(colorFilaVisita);
    DBGrid3->setAccessibleName(QStringLiteral("Citas de un día"));
    connect(DBGrid3, &Rejilla::dobleClic, this, &TFormListados::DBGrid3DblClick);
    dentro->addWidget(DBGrid3, 1);
    return panel;
}

QString TFormListados::digitosMes(const QString& nombre)
{
    const qsizetype i = kMeses.indexOf(nombre);   // exact, case included
    return i >= 0 && i < 11 ? QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'))
                            : QStringLiteral("12");
}

void TFormListados::FormCreate()
{
    const QDate hoy = reloj::hoy();
    QStringList anos{QString::number(kPrimerAno)};
    // Up to next year: visits booked in December for January can be listed too.
    for (int ano = hoy.year() + 1; ano > kPrimerAno; --ano)
        anos << QString::number(ano);
    anos.sort();
    // Each list opens at the box's own text, not at its first item.
    const auto fijar = [](Desplegable* caja, const QString& texto) {
        caja->setCurrentIndex(caja->findText(texto));
        caja->fijarTexto(texto);
    };
    for (Desplegable* caja : {ComboBox2, ComboBox3}) {
        caja->addItems(anos);
        fijar(caja, QString::number(hoy.year()));
    }
    RadioButton1->setChecked(true);
    fijar(ComboBox1, kMeses.at(hoy.month() - 1));
    {
        const QSignalBlocker callado(DateTimePicker1);
        DateTimePicker1->setDate(hoy.addDays(1));
    }
    // The lists are read when the window opens (prepararApertura), not at the program's start,
    // where they would only delay the first screen.
    mostrarVista(Panel4);
}

void TFormListados::mostrarVista(QWidget* vista)
{
    Panel4->setVisible(vista == Panel4);
    Panel5->setVisible(vista == Panel5);
    Panel6->setVisible(vista == Panel6);
}

void TFormListados::RadioButton1Click()
{
    mostrarVista(Panel4);
    ADODataSetVisitas->close();
    ADODataSetVisitas->setCommand(
        sql::visitasDelMes(digitosMes(ComboBox1->currentText()), ComboBox2->currentText()));
    ADODataSetVisitas->open();
    leidoVisitas_ = tituloVisitas();
}

void TFormListados::prepararApertura()
{
    RadioButton2Click();
    RadioButton1Click();
    RadioButton1->setChecked(true);
    // The day to call is tomorrow's again, whatever day was looked at last time.
    const QSignalBlocker callado(DateTimePicker1);
    DateTimePicker1->setDate(reloj::hoy().addDays(1));
}

void TFormListados::RadioButton3Click()
{
    mostrarVista(Panel6);
    ADODataSetDia->close();
    ADODataSetDia->setCommand(sql::citasParaLlamar(fechaDia()));
    ADODataSetDia->open();
    leidoDia_ = fechaDia();
}

void TFormListados::DateTimePicker1Change()
{
    if (RadioButton3->isChecked())
        RadioButton3Click();
}

QString TFormListados::fechaDia() const
{
    return formatos::textoFecha(DateTimePicker1->date());
}

QString TFormListados::tituloDia(const QString& fecha)
{
    return QStringLiteral("Citas del ") + fecha;
}

void TFormListados::RadioButton2Click()
{
    mostrarVista(Panel5);
    ADODataSetFactura->close();
    ADODataSetFactura->setCommand(sql::facturasDelAno(ComboBox3->currentText()));
    ADODataSetFactura->open();
    leidoFacturas_ = tituloFacturas();
}

QString TFormListados::tituloVisitas() const
{
    // The month as the statement reads it: any other text is December.
    const QString mes = kMeses.at(digitosMes(ComboBox1->currentText()).toInt() - 1);
    return QStringLiteral("Visitas de %1 de %2").arg(mes, ComboBox2->currentText());
}

QString TFormListados::tituloFacturas() const
{
    return QStringLiteral("Facturas de %1").arg(ComboBox3->currentText());
}

void TFormListados::ComboBox1Click()
{
    RadioButton1Click();
}

void TFormListados::ComboBox3Click()
{
    RadioButton2Click();
}

bool TFormListados::abrirCitaDeFila(Rejilla* rejilla)
{
    // One day's list shows the hour first; its rows are all of the day it was read for.
    const QString fecha = rejilla != DBGrid3       ? rejilla->textoColumna(0)
                          : ADODataSetDia->isEmpty() ? QString()
                                                     : leidoDia_;
    if (fecha.isEmpty())
        return false;
    // An annulled number belongs to no visit any more.
    if (rejilla == DBGrid2 && rejilla->textoColumna(6).endsWith(QStringLiteral("(anulada)")))
        return false;
    abrir::datosCita(rejilla->textoColumna(4).toInt(), fecha);
    return true;
}

void TFormListados::DBGrid1DblClick()
{
    // Changes made in the record (payment, invoice, deletion) show at once on return.
    if (abrirCitaDeFila(DBGrid1))
        RadioButton1Click();
}

void TFormListados::DBGrid2DblClick()
{
    if (abrirCitaDeFila(DBGrid2))
        RadioButton2Click();
}

void TFormListados::DBGrid3DblClick()
{
    if (abrirCitaDeFila(DBGrid3))
        RadioButton3Click();
}

void TFormListados::BitBtn1Click()
{
    reject();
}

void TFormListados::BitBtn2Click()
{
    // The list on screen, by the same statement as its grid and under the title it was read
    // for. A box changed by typing and not yet applied is applied first, so the screen, the
    // paper and the title all name the same rows.
    if (!Panel4->isHidden()) {
        if (tituloVisitas() != leidoVisitas_)
            RadioButton1Click();
        abrir::listaVisitas(ADODataSetVisitas->command(), leidoVisitas_);
    } else if (!Panel5->isHidden()) {
        if (tituloFacturas() != leidoFacturas_)
            RadioButton2Click();
        abrir::listaFacturas(ADODataSetFactura->command(), leidoFacturas_);
    } else {
        if (fechaDia() != leidoDia_)
            RadioButton3Click();
        abrir::listaCitas(ADODataSetDia->command(), tituloDia(leidoDia_));
    }
}

void TFormListados::BitBtn3Click()
{
    // The rows on screen, read again if a box was changed by typing, as for printing.
    static const QRegularExpression ajeno(QStringLiteral("[^0-9A-Za-z]"));
    Rejilla* rejilla = nullptr;
    QString propuesto;
    if (!Panel4->isHidden()) {
        if (tituloVisitas() != leidoVisitas_)
            RadioButton1Click();
        rejilla = DBGrid1;
        propuesto = QStringLiteral("visitas-%1-%2.csv")
                        .arg(ComboBox2->currentText().remove(ajeno),
                             digitosMes(ComboBox1->currentText()));
    } else if (!Panel5->isHidden()) {
        if (tituloFacturas() != leidoFacturas_)
            RadioButton2Click();
        rejilla = DBGrid2;
        propuesto = QStringLiteral("facturas-%1.csv").arg(ComboBox3->currentText().remove(ajeno));
    } else {
        if (fechaDia() != leidoDia_)
            RadioButton3Click();
        rejilla = DBGrid3;
        propuesto = QStringLiteral("citas-%1.csv")
                        .arg(DateTimePicker1->date().toString(QStringLiteral("yyyy-MM-dd")));
    }
    const QString ruta = exportar::elegirFichero(this, propuesto);
    if (ruta.isEmpty())
        return;
    const QString fallo = exportar::escribir(ruta, exportar::textoCsv(*rejilla->modelo()));
    mensajes::informacion(fallo.isEmpty()
                              ? QStringLiteral("¡Listado guardado en «%1»!")
                                    .arg(QDir::toNativeSeparators(ruta))
                              : QStringLiteral("¡No se ha guardado el listado! ") + fallo);
}

void TFormListados::Image3Click()
{
    ayuda::abrir(QStringLiteral("p08-listados.html"));
}
