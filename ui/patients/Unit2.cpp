#include "db/reloj.h"
#include "ui/patients/Unit2.h"

#include "app/refrescos.h"
#include "app/traspasos.h"
#include "db/codigos.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/formatos.h"
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

struct DefEdit {
    QString etiqueta;
    int fila, columna, columnas;
    int largo;   // the most the column keeps; the code box has its own rule
};

// LabeledEdit1 ... LabeledEdit12: label, place in the group box grid (label row), length.
const DefEdit kEdits[] = {
    {QStringLiteral("(*) Código:"), 0, 0, 1, 10},
    {QStringLiteral("(*) Nombre:"), 2, 0, 1, sql::kLargoNombre},
    {QStringLiteral("(*) Primer Apellido:"), 2, 1, 1, sql::kLargoNombre},
    {QStringLiteral("(*) Segundo Apellido:"), 2, 2, 1, sql::kLargoNombre},
    {QStringLiteral("DNI:"), 4, 0, 1, sql::kLargoDni},
    {QStringLiteral("(*) Telf. de contacto:"), 4, 1, 1, sql::kLargoTelefono},
    {QStringLiteral("Telf. alternativo:"), 4, 2, 1, sql::kLargoTelefono},
    {QStringLiteral("Dirección:"), 6, 0, 1, sql::kLargoDireccion},
    {QStringLiteral("Población:"), 6, 1, 1, sql::kLargoPoblacion},
    {QStringLiteral("Provincia:"), 6, 2, 1, sql::kLargoPoblacion},
    {QStringLiteral("Aseguradora:"), 8, 0, 1, sql::kLargoSociedad},
    {QStringLiteral("Comentario:"), 10, 0, 3, sql::kLargoComentario},
};

const QString kMensajeCodigoVacio = QStringLiteral(
    "¡El campo \"Código\" está vacío, debes poner un valor válido y no asignado a otro "
    "paciente!. Puedes pulsar el botón de \"Código Válido\" para que asigne uno disponible "
    "automáticamente.");

// An empty box gets its message and the focus.
bool rellena(QLineEdit* caja, const QString& mensaje)
{
    // Only the empty text counts as empty: blanks are a value the user typed.
    if (!caja->text().isEmpty())
        return true;
    mensajes::informacion(mensaje);
    caja->setFocus();
    return false;
}

}  // namespace

TFormAlta::TFormAlta(QWidget* parent)
    : Ventana(parent),
      ADODataSetCodigoValido(new DataSet(QStringLiteral("ADODataSetCodigoValido"), this)),
      ADODataSetLibre(new DataSet(QStringLiteral("ADODataSetLibre"), this))
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
    QList<QWidget*> orden;
    for (int i = 1; i < LabeledEdits.size(); ++i)
        orden.append(LabeledEdits.at(i));
    orden << LabeledEdit1 << CheckBox1;
    for (const char* nombre : {"BitBtn2", "BitBtn4", "BitBtn5", "BitBtn3", "BitBtn1"})
        orden << findChild<QPushButton*>(QString::fromLatin1(nombre));
    orden << cabecera.ayuda;
    for (int i = 1; i < orden.size(); ++i)
        setTabOrder(orden.at(i - 1), orden.at(i));
}

QWidget* TFormAlta::crearDatos()
{
    auto* GroupBox1 = new QGroupBox(QStringLiteral("Datos del Paciente"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* rejilla = new QGridLayout(GroupBox1);
    rejilla->setHorizontalSpacing(14);
    for (int i = 0; i < 3; ++i)
        rejilla->setColumnMinimumWidth(i, 220);

    int numero = 1;
    for (const DefEdit& d : kEdits) {
        auto* edit = new EditMayusculas(QStringLiteral("LabeledEdit%1").arg(numero++), GroupBox1);
        // Typing stops at what the patient record can keep and show again.
        edit->setMaxLength(d.largo);
        crearEditEtiquetado(edit, d.etiqueta, rejilla, d.fila, d.columna, d.columnas);
        LabeledEdits.append(edit);
    }
    // Some air above each label but the first, so it reads with the box below it.
    for (QLabel* etiqueta : GroupBox1->findChildren<QLabel*>()) {
        if (etiqueta->buddy() && etiqueta->buddy() != LabeledEdits.at(0))
            etiqueta->setContentsMargins(0, 6, 0, 0);
    }
    LabeledEdit1 = LabeledEdits.at(0);
    LabeledEdit1->setValidator(new ValidadorCodigo(LabeledEdit1));
    LabeledEdit1->setMaxLength(10);
    LabeledEdit2 = LabeledEdits.at(1);

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
    QHBoxLayout* fila = nullptr;
    QWidget* Panel1 = crearBarraBotones(this, &fila);
    struct DefBoton {
        const char* nombre;
        QString caption, hint, icono;
        void (TFormAlta::*handler)();
    };
    const DefBoton defs[] = {
        {"BitBtn2", QStringLiteral("&Limpiar Todo"),
         QStringLiteral("Borra el contenido de todos los campos."), QString(),
         &TFormAlta::BitBtn2Click},
        {"BitBtn4", QStringLiteral("Búsqueda Código Válido"),
         QStringLiteral("Búsqueda rápida de un código de usuario válido."),
         QStringLiteral(":/imagenes/buscar.png"), &TFormAlta::BitBtn4Click},
        {"BitBtn5", QStringLiteral("Búsqueda Exhaustiva de Código Válido "),
         QStringLiteral("Búsqueda exhaustiva de un código de usuario válido. (puede tardar "
                        "varios minutos)"),
         QStringLiteral(":/imagenes/buscar.png"), &TFormAlta::BitBtn5Click},
        {"BitBtn3", QStringLiteral("&Insertar"),
         QStringLiteral("Inserta un nuevo paciente en el sistema."),
         QStringLiteral(":/imagenes/alta.png"), &TFormAlta::BitBtn3Click},
        {"BitBtn1", QStringLiteral("&Cancelar"),
         QStringLiteral("Salir del Alta de Nuevos Pacientes."),
         QStringLiteral(":/imagenes/salir.png"), &TFormAlta::BitBtn1Click},
    };
    for (const DefBoton& d : defs) {
        QPushButton* b =
            crearBoton(QString::fromLatin1(d.nombre), d.caption, d.hint, d.icono, Panel1);
        if (d.icono.isEmpty())
            b->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
        b->setIconSize(QSize(24, 24));
        b->setMinimumHeight(36);
        connect(b, &QPushButton::clicked, this, d.handler);
        fila->addWidget(b);
        if (d.handler == &TFormAlta::BitBtn5Click)
            fila->addStretch();
    }
    return Panel1;
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
    for (QLineEdit* edit : std::as_const(LabeledEdits))
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

bool datosObligatoriosRellenos(QLineEdit* nombre, QLineEdit* apellido1, QLineEdit* apellido2,
                               QLineEdit* telefono)
{
    return rellena(nombre, QStringLiteral("¡El campo \"Nombre\" está vacío, debes poner el "
                                          "nombre del paciente!"))
           && rellena(apellido1, QStringLiteral("¡El campo \"Primer Apellido\" está vacío, "
                                                "debes poner el primer apellido del paciente!"))
           && rellena(apellido2, QStringLiteral("¡El campo \"Segundo Apellido\" está vacío, "
                                                "debes poner el segundo apellido del "
                                                "paciente!"))
           && rellena(telefono, QStringLiteral("¡El campo \"Telf. de Contacto\" está vacío, "
                                               "debes poner un teléfono donde poder contactar "
                                               "con el paciente!"));
}

bool TFormAlta::obligatoriosRellenos()
{
    return rellena(LabeledEdit1, kMensajeCodigoVacio)
           && datosObligatoriosRellenos(LabeledEdits.at(1), LabeledEdits.at(2),
                                        LabeledEdits.at(3), LabeledEdits.at(5));
}

void TFormAlta::avisarCodigoAsignado()
{
    mensajes::informacion(kMensajeCodigoAsignado);
    LabeledEdit1->setFocus();
}

void TFormAlta::BitBtn3Click()
{
    if (!obligatoriosRellenos())
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

    sql::DatosPaciente p;
    p.codigo = *codigo;
    p.nombre = LabeledEdits.at(1)->text();
    p.apellido1 = LabeledEdits.at(2)->text();
    p.apellido2 = LabeledEdits.at(3)->text();
    p.dni = LabeledEdits.at(4)->text();
    p.tlf1 = LabeledEdits.at(5)->text();
    p.tlf2 = LabeledEdits.at(6)->text();
    p.direccion = LabeledEdits.at(7)->text();
    p.poblacion = LabeledEdits.at(8)->text();
    p.provincia = LabeledEdits.at(9)->text();
    p.fechaAlta = Label2->text();
    p.sociedad = LabeledEdits.at(10)->text();
    p.comentario = LabeledEdits.at(11)->text();
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

void TFormAlta::Image3Click()
{
    ayuda::abrir(QStringLiteral("p03-alta.html"));
}
