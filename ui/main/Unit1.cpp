#include "ui/main/Unit1.h"

#include "app/traspasos.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/motor.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "ui/common/ayuda.h"
#include "ui/common/colorvisita.h"
#include "ui/common/controles.h"
#include "ui/common/desplegable.h"
#include "ui/common/estilo.h"
#include "ui/common/mensajes.h"
#include "ui/common/rejilla.h"
#include "ui/common/ventana.h"
#include "ui/main/copiasauto.h"
#include "ui/main/copiaseguridad.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kCaptionPanel1 = QStringLiteral("CITAS PARA HOY: ");
const QString kCaptionVistaRapida = QStringLiteral("CITAS - Vista rápida: ");
const QList<int> kAnchosVistaRapida = {48, 100, 100, 100};

QString hoyTexto()
{
    return formatos::textoFecha(reloj::hoy());
}

void pintarFondo(QWidget* w, const QColor& color)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, color);
    w->setPalette(p);
}

}  // namespace

TForm1::TForm1()
    : ADODataSetCitas(new DataSet(QStringLiteral("ADODataSetCitas"), this)),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Clinora 1.1"));
    // Fixed single border: minimise and close only; the window is shown maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    ADODataSetCitas->setCommand(sql::citasDelDia(hoyTexto(), sql::kOrdenHora));
    ADODataSet1->setCommand(sql::vistaRapida(hoyTexto()));
    crearControles();
}

TForm1::~TForm1()
{
    // The lists let go of the connection before it closes.
    ADODataSetCitas->close();
    ADODataSet1->close();
    esquema::cerrar();
}

void TForm1::crearControles()
{
    auto* central = new QWidget(this);
    auto* columna = new QVBoxLayout(central);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(0);
    columna->addWidget(crearPanelSuperior());
    columna->addWidget(crearPanelOrdenar());

    DBGrid1 = new Rejilla(QStringLiteral("DBGrid1"), ADODataSetCitas, central);
    DBGrid1->setIndicador(true);
    DBGrid1->setTabEntreColumnas(true);
    DBGrid1->setFrameShape(QFrame::NoFrame);
    DBGrid1->setAccessibleName(QStringLiteral("Citas para hoy"));
    const Qt::Alignment centro = Qt::AlignCenter;
    const Qt::Alignment izquierda = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid1->setColumnas({
        {QStringLiteral("hora"), QStringLiteral("Hora"), 64, centro, 13},
        {QStringLiteral("Visita.CODIGO"), QStringLiteral("Código"), 60, centro, 15},
        {QStringLiteral("APELLIDO1"), QStringLiteral("Primer Apellido"), 200, izquierda, 15},
        {QStringLiteral("APELLIDO2"), QStringLiteral("Segundo Apellido"), 200, izquierda, 15},
        {QStringLiteral("NOMBRE"), QStringLiteral("Nombre"), 200, izquierda, 15},
        {QStringLiteral("OBSERVACION"), QStringLiteral("Observaciones de la Cita"), 250,
         izquierda, 13},
    });
    DBGrid1->verticalHeader()->setDefaultSectionSize(24);
    DBGrid1->setColorFila(colorFilaVisita);
    connect(DBGrid1, &Rejilla::dobleClic, this, &TForm1::DBGrid1DblClick);
    columna->addWidget(DBGrid1, 1);
    columna->addWidget(crearPanelInferior());
    setCentralWidget(central);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

QWidget* TForm1::crearPanelSuperior()
{
    Panel1 = crearPanel(QStringLiteral("Panel1"), kCaptionPanel1, estilo::kCielo);
    Panel1->setFixedHeight(73);
    QFont fuente = Panel1->font();
    fuente.setBold(true);
    fuente.setPixelSize(16);
    Panel1->setFont(fuente);

    auto* fila = new QHBoxLayout(Panel1);
    fila->setContentsMargins(8, 4, 8, 4);
    auto* Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/imagenes/logo.png"))
                          .scaledToHeight(60, Qt::SmoothTransformation));
    fila->addWidget(Image1);
    auto* Label1 = new QLabel(QStringLiteral("Clinora 1.1"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont grande(QStringLiteral("Arial"));
    grande.setBold(true);
    grande.setPixelSize(29);
    Label1->setFont(grande);
    Label1->setStyleSheet(QStringLiteral("color: white;"));
    fila->addWidget(Label1);
    fila->addStretch();

    auto* Panel12 = new QWidget(Panel1);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    auto* dentro = new QHBoxLayout(Panel12);
    dentro->setContentsMargins(0, 0, 0, 0);
    QToolButton* Image3 = ayuda::crearImagenAyuda(Panel12);
    connect(Image3, &QToolButton::clicked, this, &TForm1::Image3Click);
    dentro->addWidget(Image3);
    fila->addWidget(Panel12);
    return Panel1;
}

QWidget* TForm1::crearPanelOrdenar()
{
    auto* PanelOrdenar = new QWidget;
    PanelOrdenar->setObjectName(QStringLiteral("PanelOrdenar"));
    PanelOrdenar->setFixedHeight(64);
    auto* fila = new QHBoxLayout(PanelOrdenar);
    fila->addStretch();

    auto* PanelColocaOrdenar = new QWidget(PanelOrdenar);
    PanelColocaOrdenar->setObjectName(QStringLiteral("PanelColocaOrdenar"));
    auto* dentro = new QHBoxLayout(PanelColocaOrdenar);
    auto* Label2 = new QLabel(QStringLiteral("Ordenar por:"), PanelColocaOrdenar);
    Label2->setObjectName(QStringLiteral("Label2"));
    ComboBox1 = new Desplegable(QStringLiteral("ComboBox1"), PanelColocaOrdenar);
    ComboBox1->addItems({QStringLiteral("Primer Apellido"), QStringLiteral("Segundo Apellido"),
                         QStringLiteral("Nombre"), QStringLiteral("Código"),
                         QStringLiteral("Hora")});
    ComboBox1->fijarTexto(QStringLiteral("Hora"));
    ComboBox1->setMinimumWidth(180);
    ComboBox1->setAccessibleName(QStringLiteral("Ordenar por"));
    Label2->setBuddy(ComboBox1);
    connect(ComboBox1, &Desplegable::textoConfirmado, this, &TForm1::ComboBox1Change);
    dentro->addWidget(Label2);
    dentro->addWidget(ComboBox1);
    fila->addWidget(PanelColocaOrdenar);
    return PanelOrdenar;
}

QGroupBox* TForm1::crearHerramientas(QWidget* padre)
{
    auto* GroupBox1 = new QGroupBox(QStringLiteral("HERRAMIENTAS"), padre);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* botones = new QGridLayout(GroupBox1);
    struct DefBoton {
        const char* nombre;
        QString caption, hint, icono;
        void (TForm1::*handler)();
    };
    const DefBoton defs[] = {
        {"BitBtn2", QStringLiteral("&Alta Paciente"),
         QStringLiteral("Introducir datos de un nuevo paciente."),
         QStringLiteral(":/imagenes/alta.png"), &TForm1::BitBtn2Click},
        {"BitBtn3", QStringLiteral("&Buscar "), QStringLiteral("Buscar paciente."),
         QStringLiteral(":/imagenes/buscar.png"), &TForm1::BitBtn3Click},
        {"BitBtn4", QStringLiteral("&Listados"), QStringLiteral("Obtener listados."),
         QStringLiteral(":/imagenes/listados.png"), &TForm1::BitBtn4Click},
        {"BitBtn5", QStringLiteral("&Backup"),
         QStringLiteral("Guardar o cargar una copia de seguridad."),
         QStringLiteral(":/imagenes/backup.png"), &TForm1::BitBtn5Click},
        {"BitBtn6", QStringLiteral("&Acerca de ..."), QStringLiteral("Acerca de Clinora."),
         QStringLiteral(":/imagenes/acerca.png"), &TForm1::BitBtn6Click},
        {"BitBtn1", QStringLiteral("&Salir"), QStringLiteral("Salir del programa."),
         QStringLiteral(":/imagenes/salir.png"), &TForm1::BitBtn1Click},
        {"BitBtn7", QStringLiteral("&Datos de la consulta"),
         QStringLiteral("Datos de la consulta que se imprimen en las facturas."),
         QStringLiteral(":/imagenes/listados.png"), &TForm1::BitBtn7Click},
    };
    int i = 0;
    for (const DefBoton& d : defs) {
        QToolButton* b = crearBotonVertical(QString::fromLatin1(d.nombre), d.caption, d.hint,
                                            d.icono, GroupBox1);
        connect(b, &QToolButton::clicked, this, d.handler);
        if (i < 6) {
            b->setMinimumSize(100, 68);
            botones->addWidget(b, i / 3, i % 3);
        } else {
            // The practice's data, set once: a wide bar under the daily tools, so the panel
            // keeps its height and the quick view its width on a 1024 x 768 screen.
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            b->setIconSize(QSize(22, 22));
            b->setMinimumHeight(36);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            botones->addWidget(b, 2, 0, 1, 3);
        }
        ++i;
    }
    return GroupBox1;
}

QWidget* TForm1::crearPanelInferior()
{
    auto* Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(297);
    pintarFondo(Panel2, estilo::kCielo);
    auto* fila = new QHBoxLayout(Panel2);
    fila->setContentsMargins(8, 4, 8, 4);

    QGroupBox* GroupBox1 = crearHerramientas(Panel2);
    // Tools above, the clock below them: the quick view then keeps its full width even on a
    // 1024-pixel screen.
    auto* izquierda = new QVBoxLayout;
    izquierda->addWidget(GroupBox1);
    auto* reloj = new QHBoxLayout;
    auto* Image2 = new QLabel(Panel2);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QPixmap(QStringLiteral(":/imagenes/decorado.png"))
                          .scaledToHeight(44, Qt::SmoothTransformation));
    Image2->setAlignment(Qt::AlignCenter);
    reloj->addWidget(Image2);
    PanelHora = crearPanel(QStringLiteral("PanelHora"), QStringLiteral("--:--:--"), estilo::kCielo,
                           Panel2);
    QFont fuenteReloj = PanelHora->font();
    fuenteReloj.setBold(true);
    fuenteReloj.setPixelSize(20);
    PanelHora->setFont(fuenteReloj);
    PanelHora->setMinimumWidth(110);
    PanelHora->setAccessibleName(QStringLiteral("Hora actual"));
    reloj->addWidget(PanelHora, 1);
    izquierda->addLayout(reloj);
    izquierda->addStretch();
    fila->addLayout(izquierda);
    fila->addStretch();

    auto* PanelColocarCalendario = new QWidget(Panel2);
    PanelColocarCalendario->setObjectName(QStringLiteral("PanelColocarCalendario"));
    auto* derecha = new QHBoxLayout(PanelColocarCalendario);
    derecha->setContentsMargins(0, 0, 0, 0);
    derecha->addWidget(crearVistaRapida());
    fila->addWidget(PanelColocarCalendario);
    return Panel2;
}

QGroupBox* TForm1::crearVistaRapida()
{
    GroupBox2 = new QGroupBox(kCaptionVistaRapida);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(12);
    arial.setBold(true);
    GroupBox2->setFont(arial);
    pintarFondo(GroupBox2, QApplication::palette().color(QPalette::Window));
    auto* rejilla = new QGridLayout(GroupBox2);

    MonthCalendar1 = crearCalendario(QStringLiteral("MonthCalendar1"),
                                     QStringLiteral("Calendario"), QSize(236, 190), GroupBox2);
    QFont normal = MonthCalendar1->font();
    normal.setBold(false);
    MonthCalendar1->setFont(normal);
    connect(MonthCalendar1, &QCalendarWidget::clicked, this, &TForm1::MonthCalendar1Click);
    // Keyboard moves on the calendar refresh the quick view as clicks do.
    connect(MonthCalendar1, &QCalendarWidget::selectionChanged, this, [this] {
        if (MonthCalendar1->selectedDate() != MonthCalendar1->property("diaMostrado").toDate())
            MonthCalendar1Click();
    });
    connect(MonthCalendar1, &QCalendarWidget::activated, this, &TForm1::MonthCalendar1DblClick);
    rejilla->addWidget(MonthCalendar1, 0, 0, 2, 1);

    DBGrid2 = new Rejilla(QStringLiteral("DBGrid2"), ADODataSet1, GroupBox2);
    DBGrid2->setFuente(normal);
    DBGrid2->setAccessibleName(QStringLiteral("Citas del día elegido"));
    const Qt::Alignment centro = Qt::AlignCenter;
    DBGrid2->setColumnas({
        {QStringLiteral("HORA"), QStringLiteral("Hora"), 48, centro, 0},
        {QStringLiteral("APELLIDO1"), QStringLiteral("1er Apellido"), 70, centro, 0},
        {QStringLiteral("APELLIDO2"), QStringLiteral("2o Apellido"), 70, centro, 0},
        {QStringLiteral("NOMBRE"), QStringLiteral("Nombre"), 70, centro, 0},
    });
    DBGrid2->setColorFila(colorFilaVisita);
    // The slot board below sets the width: nine 41-pixel panels.
    DBGrid2->setFixedWidth(TablaHoras::anchoNecesario(41));
    connect(DBGrid2, &Rejilla::dobleClic, this, &TForm1::DBGrid2DblClick);
    rejilla->addWidget(DBGrid2, 0, 1);

    slots_ = new TablaHoras(QSize(41, 27), false, GroupBox2);
    rejilla->addWidget(slots_, 1, 1);
    return GroupBox2;
}

bool TForm1::FormCreate(const QString& rutaBaseDatos)
{
    rutaBaseDatos_ = rutaBaseDatos;
    // Already connected to the practice's server: there is no file to open.
    if (!motor::esServidor(QSqlDatabase::database(QSqlDatabase::defaultConnection, false))) {
        if (!QFileInfo::exists(rutaBaseDatos)) {
            mensajes::informacion(QStringLiteral(
                "ERROR: No se encuentra el fichero con la información de los pacientes."));
            return false;
        }
        try {
            esquema::abrirClinica(rutaBaseDatos);
        } catch (const DbError& e) {
            mensajes::error(e.message());
            return false;
        }
    }
    MonthCalendar1->setSelectedDate(reloj::hoy());
    copiaDiaria_ = copiasauto::Diaria(reloj::hoy());
    OrdenCitas = sql::kOrdenHora;
    construirListaDelDia();
    Timer1Timer();
    Timer1->start();
    MonthCalendar1Click();
    // The receptionist starts on today's list.
    DBGrid1->setFocus();
    return true;
}

void TForm1::construirListaDelDia()
{
    ADODataSetCitas->close();
    // The rows' day, which the double-click hands on even after midnight, and the heading's.
    fechaListaDelDia_ = hoyTexto();
    Panel1->setText(kCaptionPanel1 + QStringLiteral("  ") + fechaListaDelDia_);
    ADODataSetCitas->setCommand(sql::citasDelDia(fechaListaDelDia_, OrdenCitas));
    ADODataSetCitas->open();
}

void TForm1::ComboBox1Change()
{
    struct Orden {
        QString texto, columna;
    };
    static const Orden ordenes[] = {
        {QStringLiteral("Nombre"), QStringLiteral("nombre")},
        {QStringLiteral("Primer Apellido"), QStringLiteral("apellido1")},
        {QStringLiteral("Segundo Apellido"), QStringLiteral("apellido2")},
        {QStringLiteral("Código"), QStringLiteral("paciente.codigo")},
    };
    OrdenCitas = QStringLiteral("ORDER BY ");
    QString columna;
    for (const Orden& o : ordenes) {
        if (ComboBox1->currentText() == o.texto) {
            columna = o.columna;
            break;
        }
    }
    if (columna.isEmpty()) {
        ComboBox1->fijarTexto(QStringLiteral("Hora"));
        columna = QStringLiteral("hora");
    }
    OrdenCitas += columna;
    construirListaDelDia();
}

void TForm1::Timer1Timer()
{
    PanelHora->setText(formatos::textoHoraLarga(reloj::horaActual()));
    PanelHora->setAccessibleDescription(PanelHora->text());
    // Left open past midnight, the window's "today" moves to the new day at the first tick,
    // in the order chosen; the quick view stays on the day picked in the calendar.
    if (hoyTexto() != fechaListaDelDia_) {
        construirListaDelDia();
        // A session left open past midnight: the day's work gets its copy, as on leaving.
        if (copiaDiaria_.toca(reloj::hoy()))
            copiasautomaticas::hacer(rutaBaseDatos_);
    }
}

void TForm1::MonthCalendar1Click()
{
    const QDate dia = MonthCalendar1->selectedDate();
    MonthCalendar1->setProperty("diaMostrado", dia);
    const QString fecha = formatos::textoFecha(dia);
    GroupBox2->setTitle(kCaptionVistaRapida + fecha);
    slots_->limpiar();
    ADODataSet1->close();
    ADODataSet1->setCommand(sql::vistaRapida(fecha));
    ADODataSet1->open();
    DBGrid2->setAnchos(kAnchosVistaRapida);
    slots_->leerOcupadas(fecha);
    slots_->marcarOcupadas();
}

void TForm1::MonthCalendar1DblClick()
{
    abrir::buscarParaCita(MonthCalendar1->selectedDate());
}

void TForm1::DBGrid1DblClick()
{
    if (DBGrid1->textoColumna(0).isEmpty())
        return;
    abrir::datosCita(DBGrid1->textoColumna(1).toInt(), fechaListaDelDia_);
}

void TForm1::DBGrid2DblClick()
{
    if (DBGrid2->textoColumna(0).isEmpty())
        return;
    abrir::datosCita(ADODataSet1->fieldByName(QStringLiteral("paciente.codigo")).toInt(),
                     formatos::textoFecha(MonthCalendar1->selectedDate()));
}

void TForm1::BitBtn1Click()
{
    QApplication::quit();
}

void TForm1::BitBtn2Click()
{
    abrir::altaPaciente();
}

void TForm1::BitBtn3Click()
{
    abrir::buscarPaciente();
}

void TForm1::BitBtn4Click()
{
    abrir::listados();
}

void TForm1::BitBtn6Click()
{
    abrir::acerca();
}

void TForm1::BitBtn7Click()
{
    abrir::datosConsulta();
}

void TForm1::Image3Click()
{
    ayuda::abrir(QStringLiteral("p02-principal.html"));
}

void TForm1::BitBtn5Click()
{
    copiaseguridad::elegirYHacer(this, rutaBaseDatos_);
}
