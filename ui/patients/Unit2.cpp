#include "ui/patients/Unit2.h"

#include "app/refrescos.h"
#include "app/traspasos.h"
#include "db/codigos.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "ui/common/ayuda.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/controles.h"
#include "ui/common/estilo.h"
#include "ui/common/mensajes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>
#include <optional>
#include <utility>

namespace {

const QString kMensajeCodigoAsignado = QStringLiteral(
    "ALERTA: ¡El código solicitado ya ha sido asignado a otro paciente!, selecciona otro que "
    "este libre.");

// A patient code as the code box holds it: digits only, no leading zero, 1 to the largest
// 32-bit value. Anything else is no code at all, so the hand-off can never fail to convert it.
std::optional<int> codigoDeTexto(const QString& texto)
{
    if (texto.isEmpty() || texto.size() > 10 || texto.front() == QLatin1Char('0'))
        return std::nullopt;
    for (const QChar c : texto) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qint64 valor = texto.toLongLong();
    if (valor < sql::kCodigoMinimo || valor > sql::kCodigoMaximo)
        return std::nullopt;
    return int(valor);
}

// The code box refuses every keystroke that would not leave a code (or nothing) in it.
class ValidadorCodigo : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        return codigoDeTexto(input) ? Acceptable : Invalid;
    }
};

// The code box, LabeledEdit1, checked before the patient's data; it has its own typing rule.
const CajaPaciente kCajaCodigo{
    QStringLiteral("CODIGO"), QStringLiteral("(*) Código:"), QString(), 10, 0, 0, 1, nullptr,
    QStringLiteral("¡El campo \"Código\" está vacío, debes poner un valor válido y no asignado "
                   "a otro paciente!. Puedes pulsar el botón de \"Código Válido\" para que "
                   "asigne uno disponible automáticamente.")};

}  // namespace

TFormAlta::TFormAlta(QWidget* parent)
    : Ventana(parent),
      ADODataSetCodigoValido(new DataSet(QStringLiteral("ADODataSetCodigoValido"), this)),
      ADODataSetLibre(new DataSet(QStringLiteral("ADODataSetLibre"), this)),
      ADODataSetParecidos(new DataSet(QStringLiteral("ADODataSetParecidos"), this))
{
    crearControles();
}

void TFormAlta::crearControles()
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera =
        iniciarVentana(this, QStringLiteral("FormAlta"),
                       QStringLiteral("Clinora 1.1 - Alta de Nuevo Paciente"),
                       QStringLiteral("ALTA DE NUEVO PACIENTE"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormAlta::Image3Click);
    auto* cuerpo = new QVBoxLayout;
    cuerpo->setContentsMargins(10, 4, 10, 4);
    cuerpo->addWidget(crearDatos());
    columna->addLayout(cuerpo);

    auto* pie = new QHBoxLayout;
    auto* Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QPixmap(QStringLiteral(":/imagenes/alta.png"))
                          .scaledToHeight(32, Qt::SmoothTransformation));
    pie->addWidget(Image2);
    CheckBox1 = new QCheckBox(QStringLiteral("Fijar cita para el paciente."), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setToolTip(
        QStringLiteral("Al insertar usuario se inserta automáticamente una nueva cita."));
    CheckBox1->setChecked(true);
    pie->addWidget(CheckBox1);
    pie->addStretch();
    auto* Label3 = new QLabel(QStringLiteral("(*) Campos a rellenar obligatoriamente."), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    pie->addWidget(Label3);
    cuerpo->addLayout(pie);
    columna->addWidget(crearBotones());

    // Keyboard order: the patient's data first, the code last, then the choices and buttons.
    QList<QWidget*> orden(cajas_.todas().cbegin() + 1, cajas_.todas().cend());
    orden << LabeledEdit1 << CheckBox1;
    for (const char* nombre : {"BitBtn2", "BitBtn4", "BitBtn5", "BitBtn3", "BitBtn1"})
        orden << findChild<QPushButton*>(QString::fromLatin1(nombre));
    orden << cabecera.ayuda;
    fijarOrdenTab(orden);
}

QWidget* TFormAlta::crearDatos()
{
    auto* GroupBox1 = new QGroupBox(QStringLiteral("Datos del Paciente"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* rejilla = new QGridLayout(GroupBox1);
    rejilla->setHorizontalSpacing(14);
    for (int i = 0; i < 3; ++i)
        rejilla->setColumnMinimumWidth(i, 220);

    LabeledEdit1 = cajas_.crear(kCajaCodigo, QStringLiteral("LabeledEdit1"), rejilla, GroupBox1);
    LabeledEdit1->setValidator(new ValidadorCodigo(LabeledEdit1));
    cajas_.crearDatos(QStringLiteral("LabeledEdit"), rejilla, GroupBox1);
    // Some air above each label but the first, so it reads with the box below it.
    for (QLabel* etiqueta : GroupBox1->findChildren<QLabel*>()) {
        if (etiqueta->buddy() && etiqueta->buddy() != LabeledEdit1)
            etiqueta->setContentsMargins(0, 6, 0, 0);
    }
    LabeledEdit2 = cajas_.caja(QStringLiteral("NOMBRE"));

    auto* Label1 = new QLabel(QStringLiteral("Fecha de Alta:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("dd/mm/aaaa"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont negrita = Label2->font();
    negrita.setBold(true);
    Label2->setFont(negrita);
    auto* fecha = new QHBoxLayout;
    fecha->setSpacing(8);
    fecha->addStretch();
    fecha->addWidget(Label1);
    fecha->addWidget(Label2);
    rejilla->addLayout(fecha, 1, 2);

    // Lies over the middle of the boxes; shown only while a code search runs.
    Panel3 = crearPanel(QStringLiteral("Panel3"), QStringLiteral("BUSCANDO ..."), estilo::kCielo,
                        GroupBox1);
    QFont grande = Panel3->font();
    grande.setBold(true);
    grande.setPixelSize(28);
    Panel3->setFont(grande);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3->setFixedSize(360, 80);
    rejilla->addWidget(Panel3, 2, 0, 8, 3, Qt::AlignCenter);
    Panel3->hide();
    return GroupBox1;
}

QWidget* TFormAlta::crearBotones()
{
    return crearBarraBotones(
        this,
        {{QStringLiteral("BitBtn2"), QStringLiteral("&Limpiar Todo"),
          QStringLiteral("Borra el contenido de todos los campos."), QString(),
          [this] { BitBtn2Click(); }, QStyle::SP_DialogResetButton},
         {QStringLiteral("BitBtn4"), QStringLiteral("Búsqueda Código Válido"),
          QStringLiteral("Búsqueda rápida de un código de usuario válido."),
          QStringLiteral(":/imagenes/buscar.png"), [this] { BitBtn4Click(); }},
         {QStringLiteral("BitBtn5"), QStringLiteral("Búsqueda Exhaustiva de Código Válido "),
          QStringLiteral("Búsqueda exhaustiva de un código de usuario válido. (puede tardar "
                         "varios minutos)"),
          QStringLiteral(":/imagenes/buscar.png"), [this] { BitBtn5Click(); }},
         kEstirar,
         {QStringLiteral("BitBtn3"), QStringLiteral("&Insertar"),
          QStringLiteral("Inserta un nuevo paciente en el sistema."),
          QStringLiteral(":/imagenes/alta.png"), [this] { BitBtn3Click(); }},
         {QStringLiteral("BitBtn1"), QStringLiteral("&Cancelar"),
          QStringLiteral("Salir del Alta de Nuevos Pacientes."),
          QStringLiteral(":/imagenes/salir.png"), [this] { BitBtn1Click(); }}},
        QSize(0, 36));
}

void TFormAlta::FormActivate()
{
    BitBtn2Click();
    Label2->setText(formatos::textoFecha(reloj::hoy()));
    Label2->setAccessibleName(QStringLiteral("Fecha de Alta: ") + Label2->text());
    BitBtn4Click();
}

void TFormAlta::FormClose()
{
    // Whatever was booked on the way shows at once in the day list.
    refrescar::listaDelDia();
}

void TFormAlta::BitBtn1Click()
{
    reject();
}

void TFormAlta::BitBtn2Click()
{
    for (QLineEdit* edit : cajas_.todas())
        edit->clear();
}

void TFormAlta::BitBtn4Click()
{
    proponerCodigo(false);
}

void TFormAlta::BitBtn5Click()
{
    if (!mensajes::confirmacion(QStringLiteral(
            "Esta opción de búsqueda puede tardar varios minutos, ¿desea continuar con la "
            "búsqueda exhaustiva de un código válido?")))
        return;
    proponerCodigo(true);
}

void TFormAlta::proponerCodigo(bool desdeUno)
{
    // The window cannot repaint while the search runs, so the notice is painted before it.
    Panel3->show();
    Panel3->raise();
    Panel3->repaint();
    struct Ocultar {
        QWidget* panel;
        ~Ocultar() { panel->hide(); }
    } ocultar{Panel3};

    // Reading the next code and moving it is one change, even if another desk proposes too.
    const std::optional<qint64> libre = codigos::proponer(desdeUno);
    if (!libre) {
        Panel3->hide();
        mensajes::informacion(QStringLiteral(
            "ERROR: No queda ningún código de paciente libre entre 1 y 2147483647."));
        return;
    }

    LabeledEdit1->setText(QString::number(*libre));
    Panel3->hide();
    LabeledEdit2->setFocus();
}

void TFormAlta::avisarCodigoAsignado()
{
    mensajes::informacion(kMensajeCodigoAsignado);
    LabeledEdit1->setFocus();
}

void TFormAlta::BitBtn3Click()
{
    if (!cajas_.obligatoriosRellenos())
        return;
    const std::optional<int> codigo = codigoDeTexto(LabeledEdit1->text());
    if (!codigo) {
        mensajes::informacion(QStringLiteral(
            "¡El campo \"Código\" no es válido, debe ser un número entero entre 1 y "
            "2147483647!"));
        LabeledEdit1->setFocus();
        return;
    }
    const CerrarAlSalir cerrarLibre{ADODataSetLibre};
    const auto asignado = [this, &codigo] {
        return ADODataSetLibre->consultar(sql::contarPacientesConCodigo(*codigo),
                                          QStringLiteral("cuantos"))
                   .toInt()
               != 0;
    };
    if (asignado()) {
        avisarCodigoAsignado();
        return;
    }

    if (!cajas_.dniAceptado())
        return;
    sql::DatosPaciente p;
    p.codigo = *codigo;
    cajas_.escribir(p);
    p.fechaAlta = Label2->text();
    if (!altaAunqueHayaParecidos(p)) {
        LabeledEdit2->setFocus();
        return;
    }
    // Another copy of the program may have taken the code since the check: the user then
    // gets the same alert as for a code already taken.
    if (!comando::insertarSiSigueLibre(sql::insertarPaciente(p), asignado)) {
        avisarCodigoAsignado();
        return;
    }
    mensajes::informacion(QStringLiteral("¡Paciente dado de alta correctamente!"));

    if (CheckBox1->isChecked()) {
        abrir::nuevaCita(*codigo);
    }
    accept();
}

bool TFormAlta::altaAunqueHayaParecidos(const sql::DatosPaciente& p)
{
    const CerrarAlSalir cerrar{ADODataSetParecidos};
    ADODataSetParecidos->close();
    ADODataSetParecidos->setCommand(sql::pacientesParecidos(p));
    ADODataSetParecidos->open();
    // A handful is enough to recognise him; a common name could otherwise fill the screen.
    constexpr int kMostrados = 8;
    QStringList lineas;
    int cuantos = 0;
    for (ADODataSetParecidos->first(); !ADODataSetParecidos->eof();
         ADODataSetParecidos->next(), ++cuantos) {
        if (cuantos >= kMostrados)
            continue;
        const auto campo = [this](const char* nombre) {
            return ADODataSetParecidos->fieldByName(QString::fromLatin1(nombre))
                .toString()
                .trimmed();
        };
        QStringList nombre{campo("nombre"), campo("apellido1"), campo("apellido2")};
        nombre.removeAll(QString());
        QStringList telefonos{campo("tlf1"), campo("tlf2")};
        telefonos.removeAll(QString());
        QString linea = QStringLiteral("Código %1: %2").arg(campo("codigo"), nombre.join(' '));
        if (!telefonos.isEmpty())
            linea += QStringLiteral(", tlf. ") + telefonos.join(QStringLiteral(" / "));
        if (!campo("dni").isEmpty())
            linea += QStringLiteral(", DNI ") + campo("dni");
        lineas << linea;
    }
    if (cuantos == 0)
        return true;
    if (cuantos > kMostrados)
        lineas << QStringLiteral("… y %1 más.").arg(cuantos - kMostrados);
    // No leaves every box as typed, for a look at the patients named or a change.
    return mensajes::confirmacionAviso(
        QStringLiteral("Ya hay pacientes parecidos. ¿Dar de alta de todas formas?\n\n")
        + lineas.join(QLatin1Char('\n')));
}

void TFormAlta::Image3Click()
{
    ayuda::abrir(QStringLiteral("p03-alta.html"));
}
