#include "ui/patients/Unit3.h"

#include "app/traspasos.h"
#include "db/dataset.h"
#include "db/sql.h"
#include "ui/common/ayuda.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/controles.h"
#include "ui/common/desplegable.h"
#include "ui/common/rejilla.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kPrimerApellido = QStringLiteral("Primer Apellido");
const QString kSegundoApellido = QStringLiteral("Segundo Apellido");
const QString kNombre = QStringLiteral("Nombre");
const QString kCodigo = QStringLiteral("Código");
// The order box's own reset, with a small a.
const QString kPrimerApellidoOrden = QStringLiteral("Primer apellido");

// The column a box's text stands for; the first surname for any text that is no entry.
struct Entrada {
    QString texto, columna;
};
const Entrada kEntradas[] = {
    {kSegundoApellido, QStringLiteral("apellido2")},
    {kNombre, QStringLiteral("nombre")},
    {kCodigo, QStringLiteral("codigo")},
    {kPrimerApellido, QStringLiteral("apellido1")},
};

// Exactly, case included: "nombre" is no entry.
const Entrada* entradaDe(const QString& texto)
{
    for (const Entrada& e : kEntradas) {
        if (e.texto == texto)
            return &e;
    }
    return nullptr;
}

// The window's own reset of a box: the text, and the entry it names, so the arrow keys move on
// from there.
void reponer(Desplegable* caja, const QString& texto)
{
    caja->fijarTexto(texto);
    const int i = caja->findText(texto, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0)
        caja->setCurrentIndex(i);
}

}  // namespace

TFormBuscar::TFormBuscar(QWidget* parent)
    : Ventana(parent),
      ADODataSetBuscarPaciente(new DataSet(QStringLiteral("ADODataSetBuscarPaciente"), this))
{
    // "Cancelar" is the window's cancel button: Escape presses it.
    setCerrarConEscape(true);
    crearControles();
    // Open from the start and empty, so the grid shows its titles and the record window can
    // re-run it after a change.
    ADODataSetBuscarPaciente->setCommand(sql::busquedaVacia());
    ADODataSetBuscarPaciente->open();
}

void TFormBuscar::crearControles()
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera =
        iniciarVentana(this, QStringLiteral("FormBuscar"),
                       QStringLiteral("Clinora 1.1 - Buscar Datos de Paciente"),
                       QStringLiteral("BUSCAR DATOS DE PACIENTE"), true, &columna,
                       QStringLiteral("Ayuda."));
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormBuscar::Image3Click);
    columna->addWidget(crearBusqueda());

    DBGrid1 = new Rejilla(QStringLiteral("DBGrid1"), ADODataSetBuscarPaciente, this);
    DBGrid1->setAccessibleName(QStringLiteral("Pacientes encontrados"));
    const Qt::Alignment centro = Qt::AlignCenter;
    const Qt::Alignment izquierda = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid1->setColumnas({
        {QStringLiteral("CODIGO"), kCodigo, 64, centro, 0},
        {QStringLiteral("APELLIDO1"), kPrimerApellido, 150, izquierda, 0},
        {QStringLiteral("APELLIDO2"), kSegundoApellido, 150, izquierda, 0},
        {QStringLiteral("NOMBRE"), kNombre, 150, izquierda, 0},
        {QStringLiteral("TLF1"), QStringLiteral("Teléfono"), 100, centro, 0},
    });
    DBGrid1->setFixedSize(700, 420);
    connect(DBGrid1, &Rejilla::dobleClic, this, &TFormBuscar::DBGrid1DblClick);
    LabelNinguno = new QLabel(this);
    LabelNinguno->setObjectName(QStringLiteral("LabelNinguno"));
    QFont negrita = LabelNinguno->font();
    negrita.setBold(true);
    LabelNinguno->setFont(negrita);
    // Its place is kept while hidden, so the window does not jump at every search.
    QSizePolicy sitio = LabelNinguno->sizePolicy();
    sitio.setRetainSizeWhenHidden(true);
    LabelNinguno->setSizePolicy(sitio);
    LabelNinguno->hide();
    connect(ADODataSetBuscarPaciente, &DataSet::opened, this, &TFormBuscar::mostrarNinguno);
    connect(ADODataSetBuscarPaciente, &DataSet::closed, LabelNinguno, &QWidget::hide);
    auto* centroGrid = new QVBoxLayout;
    centroGrid->setContentsMargins(10, 0, 10, 0);
    centroGrid->addWidget(DBGrid1);
    centroGrid->addWidget(LabelNinguno);
    columna->addLayout(centroGrid);

    columna->addWidget(crearBarraBotones(
        this,
        {kEstirar,
         {QStringLiteral("BitBtn1"), QStringLiteral("Cancelar"), QString(),
          QStringLiteral(":/imagenes/salir.png"), [this] { BitBtn1Click(); }}},
        QSize(130, 36)));

    fijarOrdenTab({ComboBox1, Edit1, findChild<QPushButton*>("BitBtn2"), ComboBox2, DBGrid1,
                   findChild<QPushButton*>("BitBtn1"), cabecera.ayuda});
}

QWidget* TFormBuscar::crearBusqueda()
{
    auto* Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* fila = new QHBoxLayout(Panel3);
    fila->setContentsMargins(10, 4, 10, 4);

    auto* buscar = new QGridLayout;
    auto* Label1 = new QLabel(QStringLiteral("Buscar por:"), Panel3);
    Label1->setObjectName(QStringLiteral("Label1"));
    ComboBox1 = new Desplegable(QStringLiteral("ComboBox1"), Panel3);
    ComboBox1->addItems({kPrimerApellido, kSegundoApellido, kNombre, kCodigo});
    reponer(ComboBox1, kPrimerApellido);
    ComboBox1->setMinimumWidth(200);
    ComboBox1->setAccessibleName(QStringLiteral("Buscar por"));
    Label1->setBuddy(ComboBox1);
    Edit1 = new EditMayusculas(QStringLiteral("Edit1"), Panel3);
    Edit1->setAccessibleName(QStringLiteral("Texto a buscar"));
    Edit1->setMinimumWidth(200);
    // As long as the longest name a record box takes.
    Edit1->setMaxLength(sql::kLargoNombre);
    buscar->addWidget(Label1, 0, 0);
    buscar->addWidget(ComboBox1, 0, 1);
    buscar->addWidget(Edit1, 1, 1);
    fila->addLayout(buscar);

    QPushButton* BitBtn2 = crearBoton(QStringLiteral("BitBtn2"), QStringLiteral("&Buscar"),
                                      QString(), QStringLiteral(":/imagenes/buscar.png"), Panel3);
    BitBtn2->setIconSize(QSize(24, 24));
    BitBtn2->setMinimumSize(110, 36);
    fila->addWidget(BitBtn2, 0, Qt::AlignBottom);
    fila->addStretch();

    auto* PanelColocaOrdenar = new QWidget(Panel3);
    PanelColocaOrdenar->setObjectName(QStringLiteral("PanelColocaOrdenar"));
    auto* ordenar = new QHBoxLayout(PanelColocaOrdenar);
    ordenar->setContentsMargins(0, 0, 0, 0);
    auto* Label2 = new QLabel(QStringLiteral("Ordenar por:"), PanelColocaOrdenar);
    Label2->setObjectName(QStringLiteral("Label2"));
    ComboBox2 = new Desplegable(QStringLiteral("ComboBox2"), PanelColocaOrdenar);
    ComboBox2->addItems({kPrimerApellido, kSegundoApellido, kNombre, kCodigo});
    reponer(ComboBox2, kCodigo);
    ComboBox2->setMinimumWidth(170);
    ComboBox2->setAccessibleName(QStringLiteral("Ordenar por"));
    Label2->setBuddy(ComboBox2);
    ordenar->addWidget(Label2);
    ordenar->addWidget(ComboBox2);
    fila->addWidget(PanelColocaOrdenar, 0, Qt::AlignTop);

    connect(BitBtn2, &QPushButton::clicked, this, &TFormBuscar::BitBtn2Click);
    connect(Edit1, &QLineEdit::returnPressed, this, &TFormBuscar::Edit1KeyPress);
    // Every change of either box's text, typed or picked, runs the search at once.
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TFormBuscar::cambioDeDesplegable);
    connect(ComboBox2, &QComboBox::currentTextChanged, this, &TFormBuscar::cambioDeDesplegable);
    return Panel3;
}

void TFormBuscar::FormActivate()
{
    if (ventanasAbiertas().contains(this))
        return;
    // The order box keeps the user's last choice between openings, and the list ordered by it:
    // the next search orders as the box says, not by code behind its back.
    CampoOrden = columnaDeOrden();
    // The user comes to type a name.
    Edit1->setFocus();
}

QString TFormBuscar::columnaDeOrden() const
{
    const Entrada* e = entradaDe(ComboBox2->currentText());
    return e ? e->columna : QStringLiteral("apellido1");
}

void TFormBuscar::cambioDeDesplegable()
{
    if (reponiendo_)
        return;
    ComboBox1Change();
}

void TFormBuscar::ComboBox1Change()
{
    CampoOrden = columnaDeOrden();
    // The first surname, chosen or fallen back to, shows as the box's own reset.
    if (CampoOrden == QLatin1String("apellido1")
        && ComboBox2->currentText() != kPrimerApellidoOrden) {
        const QScopedValueRollback<bool> guarda(reponiendo_, true);
        reponer(ComboBox2, kPrimerApellidoOrden);
    }
    BitBtn2Click();
}

void TFormBuscar::BitBtn2Click()
{
    QString columna = QStringLiteral("apellido1");
    if (const Entrada* e = entradaDe(ComboBox1->currentText())) {
        columna = e->columna;
    } else {
        const QScopedValueRollback<bool> guarda(reponiendo_, true);
        reponer(ComboBox1, kPrimerApellido);
    }
    buscado_ = Edit1->text().isEmpty()
                   ? QString()
                   : QStringLiteral("«%1» (%2)").arg(Edit1->text(),
                                                    ComboBox1->currentText().toLower());
    ADODataSetBuscarPaciente->close();
    ADODataSetBuscarPaciente->setCommand(
        sql::buscarPacientes(columna, Edit1->text(), CampoOrden));
    ADODataSetBuscarPaciente->open();
}

void TFormBuscar::mostrarNinguno()
{
    // The list before the first search is empty by design, not for want of patients.
    const bool ninguno = ADODataSetBuscarPaciente->command().text != sql::busquedaVacia().text
                         && ADODataSetBuscarPaciente->isEmpty();
    if (ninguno) {
        LabelNinguno->setText(buscado_.isEmpty()
                                  ? QStringLiteral("No hay ningún paciente.")
                                  : QStringLiteral("Ningún paciente empieza por %1.").arg(buscado_));
        LabelNinguno->setAccessibleName(LabelNinguno->text());
    }
    LabelNinguno->setVisible(ninguno);
}

void TFormBuscar::Edit1KeyPress()
{
    BitBtn2Click();
}

void TFormBuscar::DBGrid1DblClick()
{
    const QString codigo = DBGrid1->textoColumna(0);
    if (codigo.isEmpty())
        return;
    abrir::datosPaciente(codigo.toInt());
}

void TFormBuscar::BitBtn1Click()
{
    reject();
}

void TFormBuscar::Image3Click()
{
    ayuda::abrir(QStringLiteral("p04-buscar.html"));
}
