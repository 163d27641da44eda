#include "ui/appointments/Unit6.h"

#include "app/refrescos.h"
#include "app/traspasos.h"
#include "db/comando.h"
#include "db/consulta.h"
#include "db/dataset.h"
#include "db/facturas.h"
#include "db/formatos.h"
#include "db/sql.h"
#include "reports/datosfactura.h"
#include "reports/letras.h"
#include "ui/common/ayuda.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/controles.h"
#include "ui/common/horacita.h"
#include "ui/common/mensajes.h"
#include "ui/common/panelpaciente.h"
#include "ui/consulta/datosconsulta.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The standard fee, in figures and in words.
const QString kImporteEstandar = QStringLiteral("100");
const QString kImporteEnLetras = QStringLiteral("CIEN EUROS");
// The amount is a whole number of euros, as its column is, from 0 to 99999.
bool esImporte(const QString& texto)
{
    static const QRegularExpression forma(QStringLiteral("^\\d{1,5}$"));
    return forma.match(texto).hasMatch();
}

const QString kPreguntaGuardar = QStringLiteral("¿Desea guardar las modificaciones?");
const QString kGuardada = QStringLiteral("¡Datos modificados correctamente!");
const QString kPreguntaBorrar =
    QStringLiteral("¿Desea borrar esta cita del historial de visitas del paciente?");
const QString kBorrada = QStringLiteral("¡Cita de paciente borrada correctamente!");
const QString kImporteIncorrecto = QStringLiteral("¡Debes poner el importe correctamente!");

// A check box whose caption stands to its left: a click on the caption works the box, as a
// click on a check box's own caption does.
class PulsaCasilla : public QObject {
public:
    PulsaCasilla(QLabel* etiqueta, QCheckBox* casilla) : QObject(etiqueta), casilla_(casilla)
    {
        etiqueta->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* evento) override
    {
        if (evento->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(evento)->button() == Qt::LeftButton
            && casilla_->isEnabled()) {
            casilla_->setFocus(Qt::MouseFocusReason);
            casilla_->click();
            return true;
        }
        return false;
    }

private:
    QCheckBox* casilla_;
};

// Buttons and the invoice box show the hand while they can be used, the arrow otherwise.
void activar(QWidget* control, bool activo)
{
    control->setEnabled(activo);
    control->setCursor(activo ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

}  // namespace

TFormDatosCita::TFormDatosCita(QWidget* parent)
    : Ventana(parent),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this)),
      ADODataSet2(new DataSet(QStringLiteral("ADODataSet2"), this))
{
    crearControles();
    connect(ADODataSet1, &DataSet::opened, this, &TFormDatosCita::cargarVisita);
    connect(ADODataSet2, &DataSet::opened, this, &TFormDatosCita::mostrarPaciente);
    connect(ADODataSet2, &DataSet::closed, this, &TFormDatosCita::mostrarPaciente);
}

void TFormDatosCita::crearControles()
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera =
        iniciarVentana(this, QStringLiteral("FormDatosCita"),
                       QStringLiteral("Clinora 1.1 -  Datos de la Cita"),
                       QStringLiteral("DATOS DE LA CITA "), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatosCita::Image3Click);

    auto* cuerpo = new QVBoxLayout;
    cuerpo->setContentsMargins(10, 0, 10, 0);
    cuerpo->setSpacing(6);
    cuerpo->addWidget((GroupBox1 = new PanelPaciente(300, this)));
    auto* BitBtn6 = crearBoton(QStringLiteral("BitBtn6"),
                               QStringLiteral("&Ver datos completos del paciente "),
                               QStringLiteral("Ver todos los datos e información del paciente."),
                               QStringLiteral(":/imagenes/buscar.png"), this);
    BitBtn6->setIconSize(QSize(22, 22));
    BitBtn6->setMinimumHeight(34);
    connect(BitBtn6, &QPushButton::clicked, this, &TFormDatosCita::BitBtn6Click);
    cuerpo->addWidget(BitBtn6, 0, Qt::AlignRight);
    cuerpo->addWidget(crearCita());
    columna->addLayout(cuerpo);
    columna->addSpacing(4);
    columna->addWidget(crearBotones());

    auto* BitBtn4 = findChild<QPushButton*>(QStringLiteral("BitBtn4"));
    auto* BitBtn2 = findChild<QPushButton*>(QStringLiteral("BitBtn2"));
    auto* BitBtn1 = findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    const QList<QWidget*> orden{BitBtn6, DBEdit1, DBComboBox1, DBCheckBox1, DBEdit2,
                                DBCheckBox2, BitBtn5, Edit1, DBEdit3, BitBtn4,
                                BitBtn3, BitBtn2, BitBtn1, cabecera.ayuda};
    fijarOrdenTab(orden);
}

QWidget* TFormDatosCita::crearCita()
{
    auto* GroupBox2 = new QGroupBox(QStringLiteral("Datos de la Cita"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* rejilla = new QGridLayout(GroupBox2);
    rejilla->setVerticalSpacing(6);

    DBEdit1 = new QLineEdit(GroupBox2);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setReadOnly(true);
    DBEdit1->setFixedWidth(110);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Fecha:"), DBEdit1, GroupBox2), 0, 0);
    rejilla->addWidget(DBEdit1, 0, 1);

    DBComboBox1 = new QComboBox(GroupBox2);
    DBComboBox1->setObjectName(QStringLiteral("DBComboBox1"));
    auto* textoHora = new EditMayusculas(QStringLiteral("DBComboBox1Texto"), DBComboBox1);
    // The hour column holds up to six characters.
    textoHora->setMaxLength(6);
    DBComboBox1->setLineEdit(textoHora);
    DBComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is saved as typed: no completion adds to it.
    DBComboBox1->setCompleter(nullptr);
    horacita::llenarHoras(DBComboBox1);
    DBComboBox1->setFixedWidth(110);
    connect(DBComboBox1, &QComboBox::editTextChanged, this, &TFormDatosCita::DBEdit1Change);
    connect(DBComboBox1, &QComboBox::activated, this, &TFormDatosCita::DBComboBox1Click);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Hora:"), DBComboBox1, GroupBox2), 1, 0);
    rejilla->addWidget(DBComboBox1, 1, 1);

    DBCheckBox1 = new QCheckBox(GroupBox2);
    DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
    DBCheckBox1->setCursor(Qt::PointingHandCursor);
    auto* etiquetaPago = etiquetaDe(QStringLiteral("Pago:"), DBCheckBox1, GroupBox2);
    new PulsaCasilla(etiquetaPago, DBCheckBox1);
    connect(DBCheckBox1, &QCheckBox::toggled, this, &TFormDatosCita::DBCheckBox1Click);
    rejilla->addWidget(etiquetaPago, 2, 0);
    rejilla->addWidget(DBCheckBox1, 2, 1);
    rejilla->addWidget(crearPago(GroupBox2), 3, 0, 1, 3);

    DBEdit3 = new EditMayusculas(QStringLiteral("DBEdit3"), GroupBox2);
    // The remark column holds up to 50 characters.
    DBEdit3->setMaxLength(50);
    connect(DBEdit3, &QLineEdit::textChanged, this, &TFormDatosCita::DBEdit1Change);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Observaciones:"), DBEdit3, GroupBox2), 4, 0);
    rejilla->addWidget(DBEdit3, 4, 1, 1, 2);
    rejilla->setColumnStretch(2, 1);

    connect(DBEdit1, &QLineEdit::textChanged, this, &TFormDatosCita::DBEdit1Change);
    return GroupBox2;
}

QWidget* TFormDatosCita::crearPago(QWidget* padre)
{
    // The payment panel: everything about the money, usable only for a paid visit.
    Panel3 = new QFrame(padre);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* pago = new QGridLayout(Panel3);
    pago->setVerticalSpacing(6);
    DBEdit2 = new QLineEdit(Panel3);
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    // Whatever is typed stays as typed, to be refused whole when saved or printed: a box that
    // dropped the comma of "55,50" would store 5550 euros.
    DBEdit2->setFixedWidth(70);
    DBEdit2->setAlignment(Qt::AlignRight);
    connect(DBEdit2, &QLineEdit::textChanged, this, &TFormDatosCita::DBEdit1Change);
    connect(DBEdit2, &QLineEdit::textChanged, this, &TFormDatosCita::proponerLetras);
    LabelImporte = etiquetaDe(QStringLiteral("Importe:"), DBEdit2, Panel3);
    LabelImporte->setObjectName(QStringLiteral("LabelImporte"));
    LabelEuro = new QLabel(QStringLiteral("€"), Panel3);
    LabelEuro->setObjectName(QStringLiteral("LabelEuro"));
    auto* importe = new QHBoxLayout;
    importe->setSpacing(4);
    importe->addWidget(DBEdit2);
    importe->addWidget(LabelEuro);
    importe->addStretch();
    pago->addWidget(LabelImporte, 0, 0);
    pago->addLayout(importe, 0, 1);
    pago->addLayout(crearFactura(), 0, 2);

    Edit1 = new EditMayusculas(QStringLiteral("Edit1"), Panel3);
    Edit1->setText(kImporteEnLetras);
    // Once the user writes the amount in words himself, a change of the amount leaves them be.
    connect(Edit1, &QLineEdit::textEdited, this, [this] { letrasEscritas_ = true; });
    LabelImporteFactura = etiquetaDe(QStringLiteral("Importe en factura:"), Edit1, Panel3);
    LabelImporteFactura->setObjectName(QStringLiteral("LabelImporteFactura"));
    pago->addWidget(LabelImporteFactura, 1, 0);
    pago->addWidget(Edit1, 1, 1, 1, 2);
    pago->setColumnStretch(2, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{Panel3, DBEdit2, LabelImporte, LabelEuro,
                                                      BitBtn5, Edit1, LabelImporteFactura})
        w->setEnabled(false);
    activar(DBCheckBox2, false);
    activar(BitBtn5, false);
    return Panel3;
}

QLayout* TFormDatosCita::crearFactura()
{
    DBCheckBox2 = new QCheckBox(Panel3);
    DBCheckBox2->setObjectName(QStringLiteral("DBCheckBox2"));
    auto* etiquetaFactura = etiquetaDe(QStringLiteral("Solicita factura:"), DBCheckBox2, Panel3);
    new PulsaCasilla(etiquetaFactura, DBCheckBox2);
    connect(DBCheckBox2, &QCheckBox::toggled, this, &TFormDatosCita::DBCheckBox2Click);
    auto* factura = new QHBoxLayout;
    factura->setSpacing(6);
    factura->addWidget(etiquetaFactura);
    factura->addWidget(DBCheckBox2);
    factura->addSpacing(16);
    BitBtn5 = crearBoton(QStringLiteral("BitBtn5"), QStringLiteral("Imprimir Factura"),
                         QStringLiteral("Imprimir factura del usuario."),
                         QStringLiteral(":/imagenes/listados.png"), Panel3);
    BitBtn5->setIconSize(QSize(20, 20));
    BitBtn5->setMinimumHeight(30);
    connect(BitBtn5, &QPushButton::clicked, this, &TFormDatosCita::BitBtn5Click);
    factura->addWidget(BitBtn5);
    factura->addStretch();
    return factura;
}

QWidget* TFormDatosCita::crearBotones()
{
    QWidget* Panel1 = crearBarraBotones(
        this,
        {{QStringLiteral("BitBtn4"), QStringLiteral("&Borrar Cita"),
          QStringLiteral("Eliminar cita del paciente."), QString(), [this] { BitBtn4Click(); },
          QStyle::SP_TrashIcon},
         {QStringLiteral("BitBtn3"), QStringLiteral("Aplicar Cambios"),
          QStringLiteral("Guardar las modificaciones realizadas."), QString(),
          [this] { BitBtn3Click(); }, QStyle::SP_DialogApplyButton},
         {QStringLiteral("BitBtn2"), QStringLiteral("&Nueva Cita"),
          QStringLiteral("Establecer nueva cita para el paciente."),
          QStringLiteral(":/imagenes/alta.png"), [this] { BitBtn2Click(); }},
         {QStringLiteral("BitBtn1"), QStringLiteral("&Cancelar"),
          QStringLiteral("Cerrar ventana de datos del la cita."),
          QStringLiteral(":/imagenes/salir.png"), [this] { BitBtn1Click(); }}},
        QSize(140, 36), 8);
    BitBtn3 = Panel1->findChild<QPushButton*>(QStringLiteral("BitBtn3"));
    activar(BitBtn3, false);
    return Panel1;
}

bool TFormDatosCita::abierta() const
{
    return ADODataSet1->isActive();
}

void TFormDatosCita::mostrarVisita(int codigo, const QString& fecha)
{
    CodigoPaciente = codigo;
    FechaCita = fecha;
    ADODataSet1->close();
    ADODataSet1->setCommand(sql::visitaPorCodigoYFecha(CodigoPaciente, FechaCita));
    ADODataSet1->open();
    activarCambios(false);
}

void TFormDatosCita::activarCambios(bool activo)
{
    // A disabled button hands the focus to the next one, "&Nueva Cita", where the Enter that
    // follows a save would start a booking; "&Cancelar" is the step that comes next anyway.
    const bool teniaFoco = focusWidget() == BitBtn3;
    activar(BitBtn3, activo);
    if (teniaFoco && !activo)
        findChild<QPushButton*>(QStringLiteral("BitBtn1"))->setFocus();
}

void TFormDatosCita::FormActivate()
{
    // Back on top after a window that closed this one as well (a booking started here, a
    // patient deleted in his record): nothing to load into a closed window.
    if (ventanasAbiertas().contains(this) && !ADODataSet1->isActive())
        return;
    ADODataSet2->close();
    ADODataSet2->setCommand(sql::pacientePorCodigo(CodigoPaciente));
    ADODataSet2->open();
    // Open already: the window comes back from one above it, or the patient record has just
    // shown another visit in it; that visit stays.
    if (!ADODataSet1->isActive()) {
        ADODataSet1->setCommand(sql::visitaPorCodigoYFecha(CodigoPaciente, FechaCita));
        ADODataSet1->open();
    }
    if (RecienAbierta) {
        // Loading the row counts as a change; a freshly opened window has none pending.
        activarCambios(false);
        RecienAbierta = false;
        DBComboBox1->setFocus();
    }
}

void TFormDatosCita::FormClose()
{
    ADODataSet2->close();
    ADODataSet1->close();
    RecienAbierta = true;
}

void TFormDatosCita::mostrarPaciente()
{
    GroupBox1->mostrar(*ADODataSet2);
}

void TFormDatosCita::cargarVisita()
{
    const bool hay = !ADODataSet1->isEmpty();
    const auto campo = [&](const char* nombre) {
        return hay ? ADODataSet1->fieldByName(QString::fromLatin1(nombre)) : QVariant();
    };
    // The boxes first, their reactions run for the stored state whether or not it differs from
    // the last visit shown; then the texts, so the stored amount replaces the standard fee the
    // payment reaction proposes. A stored amount is no reason for the invoice warning.
    cargando_ = true;
    letrasEscritas_ = false;
    {
        const QSignalBlocker b1(DBCheckBox1);
        const QSignalBlocker b2(DBCheckBox2);
        DBCheckBox1->setChecked(campo("PAGO").toInt() != 0);
        DBCheckBox2->setChecked(campo("factura").toInt() != 0);
    }
    numeroGuardado_ = campo("factura").toInt() != 0 ? campo("num_factura").toString() : QString();
    DBCheckBox1Click();
    DBCheckBox2Click();
    DBEdit1->setText(campo("FECHA").toString());
    const QString hora = campo("hora").toString();
    const int i = DBComboBox1->findText(hora);
    if (i >= 0)
        DBComboBox1->setCurrentIndex(i);
    DBComboBox1->setEditText(hora);
    DBEdit2->setText(hay ? campo("CANTIDAD").toString() : QString());
    // The payment reaction proposed the standard fee's words; the stored amount's replace them.
    proponerLetras();
    DBEdit3->setText(campo("OBSERVACION").toString());
    cargando_ = false;
}

void TFormDatosCita::DBEdit1Change()
{
    activarCambios(true);
}

void TFormDatosCita::DBComboBox1Click()
{
    activarCambios(true);
}

void TFormDatosCita::proponerLetras()
{
    if (!DBCheckBox1->isChecked() || letrasEscritas_)
        return;
    const QString importe = DBEdit2->text();
    Edit1->setText(esImporte(importe) ? letras::importe(importe.toInt()) : QString());
}

void TFormDatosCita::DBCheckBox1Click()
{
    letrasEscritas_ = false;
    if (DBCheckBox1->isChecked()) {
        for (QWidget* w : std::initializer_list<QWidget*>{Panel3, DBEdit2, LabelImporte, LabelEuro})
            w->setEnabled(true);
        activar(DBCheckBox2, true);
        const bool factura = DBCheckBox2->isChecked();
        activar(BitBtn5, factura);
        Edit1->setEnabled(factura);
        LabelImporteFactura->setEnabled(factura);
        Edit1->setText(kImporteEnLetras);
        DBEdit2->setText(kImporteEstandar);
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{Panel3, DBEdit2, LabelImporte, LabelEuro})
            w->setEnabled(false);
        DBCheckBox2->setChecked(false);
        activar(DBCheckBox2, false);
        activar(BitBtn5, false);
        DBEdit2->setText(QStringLiteral("0"));
        Edit1->clear();
        Edit1->setEnabled(false);
        LabelImporteFactura->setEnabled(false);
    }
    activarCambios(true);
}

void TFormDatosCita::DBCheckBox2Click()
{
    if (DBCheckBox2->isChecked()) {
        activar(BitBtn5, true);
        Edit1->setEnabled(true);
        LabelImporteFactura->setEnabled(true);
        if (!cargando_ && DBEdit2->isEnabled() && DBEdit2->text() != kImporteEstandar) {
            mensajes::informacion(kImporteIncorrecto);
            // The amount in words is what the invoice prints: that is what must follow it.
            Edit1->setFocus();
        }
        NumeroFactura = numeroAlPedirFactura();
    } else {
        activar(BitBtn5, false);
        Edit1->setEnabled(false);
        LabelImporteFactura->setEnabled(false);
        NumeroFactura.clear();
    }
    activarCambios(true);
}

QString TFormDatosCita::numeroAlPedirFactura() const
{
    // Stored invoices keep the number they were given, whichever numbering the practice uses
    // now.
    if (!numeroGuardado_.isEmpty())
        return numeroGuardado_;
    if (consulta::leer(consulta::rutaActual()).numeracion
        == DatosConsulta::Numeracion::Correlativa)
        return {};
    return formatos::numeroFactura(CodigoPaciente, FechaCita);
}

bool TFormDatosCita::anulacionAceptada()
{
    if (DBCheckBox2->isChecked() || numeroGuardado_.isEmpty()
        || !facturas::esDelRegistro(numeroGuardado_, CodigoPaciente, FechaCita))
        return true;
    if (mensajes::confirmacionBorrado(
            QStringLiteral("La cita deja de tener factura: la factura Nº %1 quedará anulada. Su "
                           "número se conserva en el registro de facturas como anulado y no se "
                           "vuelve a usar. ¿Desea anular la factura?")
                .arg(numeroGuardado_)))
        return true;
    DBCheckBox2->setFocus();
    return false;
}

bool TFormDatosCita::importeValido()
{
    const QString importe = DBEdit2->text();
    if (esImporte(importe))
        return true;
    mensajes::informacion(
        importe.isEmpty()
            ? QStringLiteral("¡El campo \"Importe\" está vacío, debes poner una cantidad entera "
                             "de euros (de 0 a 99999)!")
            : QStringLiteral("¡El campo \"Importe\" no es válido: \"%1\" no es una cantidad "
                             "entera de euros; escríbela solo con cifras, sin céntimos, puntos ni "
                             "comas (de 0 a 99999)!")
                  .arg(importe));
    DBEdit2->setFocus();
    return false;
}

namespace {

// The visit as the window loaded it, which a save or a delete compares again.
sql::DatosVisita visitaCargada(const DataSet& datos, int codigo, const QString& fecha)
{
    sql::DatosVisita v;
    v.codigo = codigo;
    v.fecha = fecha;
    if (datos.isEmpty())
        return v;
    const auto campo = [&](const char* nombre) {
        return datos.fieldByName(QString::fromLatin1(nombre));
    };
    v.pago = campo("pago").toInt() != 0;
    v.cantidad = campo("cantidad").toInt();
    v.observacion = campo("observacion").toString();
    v.hora = campo("hora").toString();
    v.factura = campo("factura").toInt() != 0;
    v.numFactura = campo("num_factura").toString();
    return v;
}

bool sigueLaCita(int codigo, const QString& fecha)
{
    return comando::valor(sql::contarVisitasDelDia(codigo, fecha)).toInt() != 0;
}

}  // namespace

TFormDatosCita::Guardado TFormDatosCita::guardar()
{
    if (!mensajes::confirmacion(kPreguntaGuardar)) {
        ADODataSet1->reopen();
        activarCambios(false);
        return Guardado::Descartado;
    }
    const QString hora = DBComboBox1->currentText();
    if (!horacita::horaValida(hora, DBComboBox1))
        return Guardado::ValorNoValido;
    // An unpaid visit keeps the amount the payment box left (0), whatever an old row held.
    if (DBCheckBox1->isChecked() && !importeValido())
        return Guardado::ValorNoValido;

    sql::DatosVisita visita;
    visita.codigo = CodigoPaciente;
    visita.fecha = FechaCita;
    visita.pago = DBCheckBox1->isChecked();
    visita.cantidad = DBEdit2->text().toInt();
    visita.observacion = DBEdit3->text();
    visita.hora = hora;
    visita.factura = DBCheckBox2->isChecked();
    visita.numFactura = NumeroFactura;
    if (!anulacionAceptada())
        return Guardado::ValorNoValido;
    // An invoice of the correlative series gets its number here, with the visit's row.
    const int filas = facturas::guardarVisita(
        visita, visitaCargada(*ADODataSet1, CodigoPaciente, FechaCita),
        visita.factura && visita.numFactura.isEmpty());
    if (filas > 0) {
        NumeroFactura = visita.numFactura;
        numeroGuardado_ = visita.factura ? visita.numFactura : QString();
    }

    refrescar::listaDelDia();
    refrescar::vistaRapida();
    refrescar::historial();
    if (filas == 0) {
        // Changed at another desk or deleted meanwhile, or a backup without it was loaded:
        // show what is there now.
        const bool cambiada = sigueLaCita(CodigoPaciente, FechaCita);
        ADODataSet1->reopen();
        activarCambios(false);
        mensajes::informacion(
            cambiada ? QStringLiteral("¡La cita se ha cambiado desde otro puesto después de "
                                      "abrirla aquí; no se ha guardado ningún cambio! Se "
                                      "muestran los datos guardados ahora.")
                     : QStringLiteral("¡La cita ya no está en la base de datos (se ha borrado o "
                                      "se ha cargado una copia de seguridad); no se ha guardado "
                                      "ningún cambio!"));
        return Guardado::CitaDesaparecida;
    }
    activarCambios(false);
    mensajes::informacion(kGuardada);
    return Guardado::Hecho;
}

void TFormDatosCita::BitBtn3Click()
{
    guardar();
}

void TFormDatosCita::BitBtn4Click()
{
    QString pregunta = kPreguntaBorrar;
    if (facturas::esDelRegistro(numeroGuardado_, CodigoPaciente, FechaCita))
        pregunta += QStringLiteral("\n\nLa factura Nº %1 de esta cita quedará anulada: su número "
                                   "se conserva en el registro de facturas y no se vuelve a "
                                   "usar.")
                        .arg(numeroGuardado_);
    if (!mensajes::confirmacionBorrado(pregunta))
        return;
    const int filas = comando::ejecutar(
        sql::borrarVisita(visitaCargada(*ADODataSet1, CodigoPaciente, FechaCita)));
    refrescar::listaDelDia();
    refrescar::vistaRapida();
    refrescar::historial();
    if (filas == 0 && sigueLaCita(CodigoPaciente, FechaCita)) {
        ADODataSet1->reopen();
        activarCambios(false);
        mensajes::informacion(QStringLiteral("¡La cita se ha cambiado desde otro puesto después "
                                             "de abrirla aquí; no se ha borrado nada! Se "
                                             "muestran los datos guardados ahora."));
        return;
    }
    activarCambios(false);
    mensajes::informacion(filas == 0
                              ? QStringLiteral("¡La cita ya no está en la base de datos (se ha "
                                               "borrado o se ha cargado una copia de "
                                               "seguridad); no se ha borrado nada!")
                              : kBorrada);
    accept();
}

void TFormDatosCita::BitBtn1Click()
{
    if (BitBtn3->isEnabled() && guardar() == Guardado::ValorNoValido)
        return;
    reject();
}

void TFormDatosCita::BitBtn2Click()
{
    // Closed before the booking opens; pending edits go without a question.
    reject();
    abrir::nuevaCita(CodigoPaciente);
}

void TFormDatosCita::BitBtn6Click()
{
    if (BitBtn3->isEnabled() && guardar() == Guardado::ValorNoValido)
        return;
    // Opened from that record's history, this window goes back to it, not over it.
    if (abrir::pacienteDesdeCita(CodigoPaciente))
        reject();
}

void TFormDatosCita::BitBtn5Click()
{
    if (!importeValido())
        return;
    if (NumeroFactura.isEmpty()) {
        // The correlative series gives the number when the visit is saved, never twice.
        mensajes::informacion(QStringLiteral("La factura recibe su número al guardar la cita; "
                                             "se guarda ahora y después se imprime."));
        if (guardar() != Guardado::Hecho || NumeroFactura.isEmpty())
            return;
    }
    if (!datosconsulta::revisarAntesDeImprimir(consulta::leer(consulta::rutaActual()),
                                               [] { abrir::datosConsulta(); }))
        return;
    DatosFactura datos;
    datos.nombre = ADODataSet2->fieldByName(QStringLiteral("NOMBRE")).toString();
    datos.apellido1 = ADODataSet2->fieldByName(QStringLiteral("APELLIDO1")).toString();
    datos.apellido2 = ADODataSet2->fieldByName(QStringLiteral("APELLIDO2")).toString();
    datos.cantidad = DBEdit2->text().toInt();
    datos.numeroFactura = NumeroFactura;
    datos.fecha = FechaCita;
    // "Importe en factura:" prints as the user wrote it; empty, the amount is written out.
    datos.importeEnLetra = Edit1->text();
    abrir::factura(datos);
}

void TFormDatosCita::Image3Click()
{
    ayuda::abrir(QStringLiteral("p07-datoscita.html"));
}
