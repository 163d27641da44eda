#include "ui/appointments/Unit5.h"

#include "app/refrescos.h"
#include "db/agenda.h"
#include "db/comando.h"
#include "db/consulta.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "ui/common/ayuda.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/colorvisita.h"
#include "ui/common/controles.h"
#include "ui/common/desplegable.h"
#include "ui/common/estilo.h"
#include "ui/common/horacita.h"
#include "ui/common/mensajes.h"
#include "ui/common/panelpaciente.h"
#include "ui/common/rejilla.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

const QString kCaptionDia = QStringLiteral("CITAS DEL DÍA: ");
// Keeps the heading away from the right edge.
const QString kBlancosDia(29, QLatin1Char(' '));
const QList<int> kAnchosRejilla = {65, 80, 80, 80};

}  // namespace

TFormNuevaCita::TFormNuevaCita(QWidget* parent)
    : Ventana(parent),
      ColorSeleccion(estilo::kNaranja),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this)),
      ADODataSet2(new DataSet(QStringLiteral("ADODataSet2"), this)),
      ADODataSetLibre(new DataSet(QStringLiteral("ADODataSetLibre"), this))
{
    crearControles();
    MonthCalendar1->setSelectedDate(reloj::hoy());
}

void TFormNuevaCita::crearControles()
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormNuevaCita"),
                                             QStringLiteral("Clinora 1.1 - Nueva Cita"),
                                             QStringLiteral("FIJAR NUEVA CITA"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormNuevaCita::Image3Click);

    Panel15 = new QLabel(QStringLiteral("CITAS"), this);
    Panel15->setObjectName(QStringLiteral("Panel15"));
    Panel15->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Panel15->setFrameStyle(QFrame::Panel | QFrame::Raised);
    QFont negrita = Panel15->font();
    negrita.setBold(true);
    negrita.setPixelSize(15);
    Panel15->setFont(negrita);
    Panel15->setMinimumHeight(30);
    // Trailing blanks are not drawn; the margin keeps the place they stand for.
    Panel15->setContentsMargins(0, 0, QFontMetrics(negrita).horizontalAdvance(kBlancosDia), 0);
    columna->addWidget(Panel15);

    auto* cuerpo = new QHBoxLayout;
    cuerpo->setContentsMargins(8, 0, 8, 0);
    auto* izquierda = new QVBoxLayout;
    auto* arriba = new QHBoxLayout;
    arriba->addWidget((GroupBox1 = new PanelPaciente(150, this)), 1);
    arriba->addWidget(crearDia());
    izquierda->addLayout(arriba);

    auto* Label1 = new QLabel(QStringLiteral("Horas diponibles:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    izquierda->addWidget(Label1);
    horas_ = new TablaHoras(QSize(49, 49), true, this);
    connect(horas_, &TablaHoras::pulsada, this, &TFormNuevaCita::PanelClick);
    izquierda->addWidget(horas_);
    izquierda->addWidget(crearCita());
    izquierda->addStretch();
    cuerpo->addLayout(izquierda);

    DBGrid1 = new Rejilla(QStringLiteral("DBGrid1"), ADODataSet1, this);
    DBGrid1->setAccessibleName(QStringLiteral("Citas del día"));
    const Qt::Alignment centro = Qt::AlignCenter;
    const Qt::Alignment izquierdaTexto = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid1->setColumnas({
        {QStringLiteral("hora"), QStringLiteral("Hora"), kAnchosRejilla.at(0), centro, 0},
        {QStringLiteral("APELLIDO1"), QStringLiteral("1er Apellido"), kAnchosRejilla.at(1),
         izquierdaTexto, 0},
        {QStringLiteral("APELLIDO2"), QStringLiteral("2o Apellido"), kAnchosRejilla.at(2),
         izquierdaTexto, 0},
        {QStringLiteral("NOMBRE"), QStringLiteral("Nombre"), kAnchosRejilla.at(3),
         izquierdaTexto, 0},
    });
    DBGrid1->setFuenteCompacta();
    DBGrid1->setColorFila(colorFilaVisita);
    DBGrid1->setFixedWidth(330);
    // A new result resets the header; the columns keep their widths.
    connect(ADODataSet1, &DataSet::opened, this, [this] { DBGrid1->setAnchos(kAnchosRejilla); });
    cuerpo->addWidget(DBGrid1);
    columna->addLayout(cuerpo, 1);
    columna->addWidget(crearBotones());

    connect(ADODataSet2, &DataSet::opened, this, &TFormNuevaCita::mostrarPaciente);
    connect(ADODataSet2, &DataSet::closed, this, &TFormNuevaCita::mostrarPaciente);

    QList<QWidget*> orden{MonthCalendar1};
    for (Casilla* c : horas_->casillas())
        orden << c;
    orden << LabeledEdit1 << ComboBox1 << Edit3 << findChild<QPushButton*>("BitBtn3")
          << findChild<QPushButton*>("BitBtn2")
          << findChild<QPushButton*>("BitBtn1") << DBGrid1 << cabecera.ayuda;
    fijarOrdenTab(orden);
}

QWidget* TFormNuevaCita::crearDia()
{
    auto* GroupBox3 = new QGroupBox(QStringLiteral("Día"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto* dentro = new QVBoxLayout(GroupBox3);
    MonthCalendar1 = crearCalendario(QStringLiteral("MonthCalendar1"), QStringLiteral("Día"),
                                     QSize(280, 200), GroupBox3);
    connect(MonthCalendar1, &QCalendarWidget::clicked, this,
            &TFormNuevaCita::MonthCalendar1Click);
    // Keyboard moves choose a day as clicks do, but only while the window is open: the main
    // window sets the date from outside as well.
    connect(MonthCalendar1, &QCalendarWidget::selectionChanged, this, [this] {
        if (ventanasAbiertas().contains(this) && MonthCalendar1->selectedDate() != diaMostrado_)
            MonthCalendar1Click();
    });
    dentro->addWidget(MonthCalendar1);
    return GroupBox3;
}

QWidget* TFormNuevaCita::crearCita()
{
    auto* GroupBox2 = new QGroupBox(QStringLiteral("Datos de la Cita"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* rejilla = new QGridLayout(GroupBox2);

    LabeledEdit1 = new QLineEdit(GroupBox2);
    LabeledEdit1->setObjectName(QStringLiteral("LabeledEdit1"));
    LabeledEdit1->setReadOnly(true);
    LabeledEdit1->setMaximumWidth(110);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Fecha:"), LabeledEdit1, GroupBox2), 0, 0);
    rejilla->addWidget(LabeledEdit1, 0, 1);

    // What is typed is booked as typed: no completion adds to it.
    ComboBox1 = new Desplegable(QStringLiteral("ComboBox1"), GroupBox2,
                                new EditMayusculas(QStringLiteral("ComboBox1Texto")));
    horacita::llenarHoras(ComboBox1);
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setMaximumWidth(110);
    // Only a pick from the list chooses the slot; Enter on a typed hour does not.
    connect(ComboBox1, &Desplegable::elegidoDeLista, this, &TFormNuevaCita::ComboBox1Click);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Hora:"), ComboBox1, GroupBox2), 1, 0);
    rejilla->addWidget(ComboBox1, 1, 1);
    LabelEspecial = new QLabel(QStringLiteral("<- HORA ESPECIAL"), GroupBox2);
    LabelEspecial->setObjectName(QStringLiteral("LabelEspecial"));
    LabelEspecial->setAutoFillBackground(true);
    QPalette aguamarina = LabelEspecial->palette();
    aguamarina.setColor(QPalette::Window, estilo::kAguamarina);
    aguamarina.setColor(QPalette::WindowText, Qt::black);
    LabelEspecial->setPalette(aguamarina);
    QFont negrita = LabelEspecial->font();
    negrita.setBold(true);
    LabelEspecial->setFont(negrita);
    LabelEspecial->setContentsMargins(4, 2, 4, 2);
    LabelEspecial->hide();
    rejilla->addWidget(LabelEspecial, 1, 2, 1, 2, Qt::AlignLeft);

    // Payment and amount are recorded later, in the appointment's own window.
    ComboBox2 = new QComboBox(GroupBox2);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("NO"), QStringLiteral("SI")});
    ComboBox2->setCurrentIndex(0);
    ComboBox2->setEnabled(false);
    ComboBox2->setMaximumWidth(110);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Pago:"), ComboBox2, GroupBox2), 2, 0);
    rejilla->addWidget(ComboBox2, 2, 1);

    Edit2 = new QLineEdit(QStringLiteral("0"), GroupBox2);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEnabled(false);
    Edit2->setMaximumWidth(110);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Importe:"), Edit2, GroupBox2), 3, 0);
    rejilla->addWidget(Edit2, 3, 1);
    rejilla->addWidget(new QLabel(QStringLiteral("€"), GroupBox2), 3, 2);

    Edit3 = new EditMayusculas(QStringLiteral("Edit3"), GroupBox2);
    // The remark column holds up to 50 characters.
    Edit3->setMaxLength(50);
    rejilla->addWidget(etiquetaDe(QStringLiteral("Observacines:"), Edit3, GroupBox2), 4, 0);
    rejilla->addWidget(Edit3, 4, 1, 1, 4);
    rejilla->setColumnStretch(3, 1);
    return GroupBox2;
}

QWidget* TFormNuevaCita::crearBotones()
{
    return crearBarraBotones(
        this,
        {{QStringLiteral("BitBtn3"), QStringLiteral("&Primer hueco libre"),
          QStringLiteral("Buscar el primer día con una hora libre a partir del día elegido."),
          QString(), [this] { BitBtn3Click(); }, QStyle::SP_MediaSeekForward},
         kEstirar,
         {QStringLiteral("BitBtn2"), QStringLiteral("&Insertar Cita"), QString(), QString(),
          [this] { BitBtn2Click(); }, QStyle::SP_DialogApplyButton},
         {QStringLiteral("BitBtn1"), QStringLiteral("&Cancelar"), QString(),
          QStringLiteral(":/imagenes/salir.png"), [this] { BitBtn1Click(); }}},
        QSize(150, 36));
}

void TFormNuevaCita::mostrarPaciente()
{
    GroupBox1->mostrar(*ADODataSet2);
}

void TFormNuevaCita::LimpiarHoras()
{
    horas_->limpiar();
}

void TFormNuevaCita::MarcarHorasOcupadas()
{
    horas_->marcarOcupadas();
}

void TFormNuevaCita::elegirDia(const QDate& dia)
{
    MonthCalendar1->setSelectedDate(dia);
}

void TFormNuevaCita::FormActivate()
{
    ADODataSet2->close();
    ADODataSet2->setCommand(sql::pacientePorCodigo(CodigoPaciente));
    ADODataSet2->open();
    MonthCalendar1Click();
    LabelEspecial->hide();
    Edit3->clear();
}

void TFormNuevaCita::FormClose()
{
    ADODataSet1->close();
    ADODataSet2->close();
}

void TFormNuevaCita::MonthCalendar1Click()
{
    diaMostrado_ = MonthCalendar1->selectedDate();
    const QString fecha = formatos::textoFecha(diaMostrado_);
    LimpiarHoras();
    Panel15->setText(kCaptionDia + fecha + kBlancosDia);
    LabeledEdit1->setText(fecha);
    ADODataSet1->close();
    ADODataSet1->setCommand(sql::citasDeFecha(fecha));
    ADODataSet1->open();
    horas_->leerOcupadas(fecha);
    MarcarHorasOcupadas();
}

void TFormNuevaCita::PanelClick(Casilla* Sender)
{
    // Taken and already chosen slots take no clicks.
    if (Sender->color() != estilo::kLima)
        return;
    LimpiarHoras();
    MarcarHorasOcupadas();
    Sender->setColor(ColorSeleccion);
    Sender->setCursor(Qt::ArrowCursor);
    ComboBox1->setEditText(Sender->text());
    LabelEspecial->hide();
}

void TFormNuevaCita::ComboBox1Click()
{
    LabelEspecial->hide();
    if (Casilla* casilla = horas_->casillaDeHora(ComboBox1->currentText())) {
        PanelClick(casilla);
        return;
    }
    LimpiarHoras();
    MarcarHorasOcupadas();
    LabelEspecial->show();
}

void TFormNuevaCita::BitBtn3Click()
{
    // A free slot in the past is of no use: the search starts today at the earliest.
    const QDate desde = std::max(MonthCalendar1->selectedDate(), reloj::hoy());
    const std::optional<agenda::Hueco> hueco = agenda::primerHuecoLibre(
        desde, agenda::Semana::deFichero(consulta::rutaActual()), reloj::ahora());
    if (!hueco) {
        mensajes::informacion(
            QStringLiteral("No hay ninguna hora libre en los %1 días a partir del %2.")
                .arg(agenda::kDiasBuscados)
                .arg(formatos::textoFecha(desde)));
        return;
    }
    MonthCalendar1->setSelectedDate(hueco->dia);
    MonthCalendar1->setCurrentPage(hueco->dia.year(), hueco->dia.month());
    // While the window is open the calendar's own change has shown the day already.
    if (diaMostrado_ != hueco->dia)
        MonthCalendar1Click();
    if (Casilla* casilla = horas_->casillaDeHora(hueco->hora))
        PanelClick(casilla);
}

void TFormNuevaCita::avisarCitaEseDia()
{
    mensajes::informacion(QStringLiteral(
        "ALERTA: ¡El paciente ya tiene cita para este día!, selecciona otra fecha para fijar la "
        "nueva cita."));
}

namespace {

enum class EstadoHora { Libre, EnLaLista, DesdeOtroPuesto };

// Whether the hour already holds a visit of the day: one the list `dia` shows, or one another
// desk booked since the list was drawn.
EstadoHora estadoDeHora(const DataSet& dia, const QString& fecha, const QString& hora)
{
    const bool listaDelDia = dia.isActive() && dia.command().values == QVariantList{fecha};
    if (listaDelDia) {
        for (int fila = 0; fila < dia.model()->rowCount(); ++fila) {
            if (dia.fieldAt(fila, QStringLiteral("hora")).toString() == hora)
                return EstadoHora::EnLaLista;
        }
    }
    if (!comando::columna(sql::horasOcupadas(fecha)).contains(hora))
        return EstadoHora::Libre;
    return listaDelDia ? EstadoHora::DesdeOtroPuesto : EstadoHora::EnLaLista;
}

}  // namespace

bool TFormNuevaCita::preguntarAntesDeFijar(const QString& fecha, const QString& hora)
{
    const QDate dia = formatos::fechaDeTexto(fecha);
    if (!agenda::Semana::deFichero(consulta::rutaActual()).trabaja(dia)
        && !mensajes::confirmacionAviso(
            QStringLiteral("El %1 es %2 y no es día de consulta. ¿Fijar la cita de todas formas?")
                .arg(fecha, agenda::nombreDelDia(dia))))
        return false;
    switch (estadoDeHora(*ADODataSet1, fecha, hora)) {
    case EstadoHora::Libre:
        return true;
    case EstadoHora::EnLaLista:
        return mensajes::confirmacionAviso(
            QStringLiteral("La hora %1 ya tiene una cita. ¿Fijar otra a la misma hora?").arg(hora));
    case EstadoHora::DesdeOtroPuesto:
        // Never doubled silently: the board showed the hour free.
        if (mensajes::confirmacionAviso(
                QStringLiteral("La hora %1 se acaba de ocupar desde otro puesto: mientras tenía "
                               "abierta esta ventana se ha fijado otra cita a esa misma hora. "
                               "¿Desea fijar también esta cita a las %1?")
                    .arg(hora)))
            return true;
        // The list and the board show the hour taken now.
        ADODataSet1->reopen();
        horas_->leerOcupadas(fecha);
        MarcarHorasOcupadas();
        return false;
    }
    return false;
}

void TFormNuevaCita::BitBtn2Click()
{
    if (!ADODataSet2->isActive() || ADODataSet2->isEmpty()) {
        mensajes::informacion(QStringLiteral("ERROR: No existe ningún paciente con el código %1; "
                                             "no se puede fijar la cita.")
                                  .arg(CodigoPaciente));
        return;
    }
    const QString hora = ComboBox1->currentText();
    if (!horacita::horaValida(hora, ComboBox1))
        return;
    bool importeValido = false;
    const int cantidad = Edit2->text().toInt(&importeValido);
    if (!importeValido) {
        mensajes::informacion(QStringLiteral(
            "¡El campo \"Importe\" no es válido, debe ser una cantidad entera de euros!"));
        return;
    }

    const QString fecha = LabeledEdit1->text();
    const CerrarAlSalir cerrarLibre{ADODataSetLibre};
    const auto tieneCita = [&] {
        return ADODataSetLibre->consultar(sql::contarVisitasDelDia(CodigoPaciente, fecha),
                                          QStringLiteral("cuantos"))
                   .toInt()
               != 0;
    };
    if (tieneCita()) {
        avisarCitaEseDia();
        return;
    }

    if (!preguntarAntesDeFijar(fecha, hora))
        return;

    sql::NuevaVisita visita;
    visita.codigo = CodigoPaciente;
    visita.fecha = fecha;
    visita.pago = ComboBox2->currentText() != QLatin1String("NO");
    visita.cantidad = cantidad;
    visita.observacion = Edit3->text();
    visita.hora = hora;
    // Another copy of the program may have booked the patient on this day meanwhile: the
    // user then gets the same alert as for a visit already there.
    if (!comando::insertarSiSigueLibre(sql::insertarVisita(visita), tieneCita)) {
        avisarCitaEseDia();
        return;
    }
    mensajes::informacion(QStringLiteral("¡Cita fijada correctamente!"));

    ADODataSet1->reopen();
    refrescar::pacienteDeCita();
    refrescar::historial();
    refrescar::listaDelDia();
    refrescar::vistaRapida();
    accept();
}

void TFormNuevaCita::BitBtn1Click()
{
    reject();
}

void TFormNuevaCita::Image3Click()
{
    ayuda::abrir(QStringLiteral("p06-fijarcita.html"));
}
