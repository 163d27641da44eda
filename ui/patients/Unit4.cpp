#include "ui/patients/Unit4.h"

#include "app/refrescos.h"
#include "app/traspasos.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/sql.h"
#include "ui/common/ayuda.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/colorvisita.h"
#include "ui/common/controles.h"
#include "ui/common/mensajes.h"
#include "ui/common/rejilla.h"
#include "ui/patients/Unit2.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// DBEdit1 ... DBEdit13: label, field, longest text, and place in the group box (label row).
struct DefCaja {
    QString etiqueta, campo;
    int largo, fila, columna, columnas;
};
const DefCaja kCajas[] = {
    {QStringLiteral("Fecha de alta:"), QStringLiteral("FECHA_ALTA"), sql::kLargoFecha, 0, 0, 1},
    {QStringLiteral("Nombre:"), QStringLiteral("NOMBRE"), sql::kLargoNombre, 2, 0, 1},
    {QStringLiteral("Primer apellido:"), QStringLiteral("APELLIDO1"), sql::kLargoNombre, 2, 1, 1},
    {QStringLiteral("Segundo apellido:"), QStringLiteral("APELLIDO2"), sql::kLargoNombre, 2, 2, 1},
    {QStringLiteral("DNI:"), QStringLiteral("DNI"), sql::kLargoDni, 4, 0, 1},
    {QStringLiteral("Telf. de contacto:"), QStringLiteral("TLF1"), sql::kLargoTelefono, 4, 1, 1},
    {QStringLiteral("Tel. alternativo"), QStringLiteral("TLF2"), sql::kLargoTelefono, 4, 2, 1},
    {QStringLiteral("Dirección:"), QStringLiteral("DIRECCION"), sql::kLargoDireccion, 6, 0, 1},
    {QStringLiteral("Población:"), QStringLiteral("POBLACION"), sql::kLargoPoblacion, 6, 1, 1},
    {QStringLiteral("Provincia:"), QStringLiteral("PROVINCIA"), sql::kLargoPoblacion, 6, 2, 1},
    {QStringLiteral("Aseguradora:"), QStringLiteral("SOCIEDAD"), sql::kLargoSociedad, 8, 0, 1},
    {QStringLiteral("Comentario:"), QStringLiteral("COMENTARIO"), sql::kLargoComentario, 10, 0, 3},
    // The code only shows; it never changes once the patient exists.
    {QStringLiteral("Código de paciente:"), QStringLiteral("CODIGO"), 11, 0, 2, 1},
};

const QString kBlancosHistorial(12, QLatin1Char(' '));
const QList<int> kAnchosHistorial = {70, 64, 160};

}  // namespace

TFormDatos::TFormDatos(QWidget* parent)
    : Ventana(parent),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this)),
      ADODataSet2(new DataSet(QStringLiteral("ADODataSet2"), this))
{
    setObjectName(QStringLiteral("FormDatos"));
    setWindowTitle(QStringLiteral("Clinora 1.1 - Datos del Paciente"));
    crearControles();
    connect(ADODataSet1, &DataSet::opened, this, &TFormDatos::mostrarFila);
}

void TFormDatos::crearControles()
{
    auto* columna = new QVBoxLayout(this);
    columna->setSizeConstraint(QLayout::SetFixedSize);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(4);
    const Cabecera cabecera = crearCabecera(this, QStringLiteral("Panel2"),
                                            QStringLiteral("DATOS DEL PACIENTE"), true);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatos::Image3Click);
    columna->addWidget(cabecera.panel);

    auto* Panel3 = new QLabel(QStringLiteral("HISTORIAL DE CITAS DEL PACIENTE") + kBlancosHistorial,
                              this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont negrita = Panel3->font();
    negrita.setBold(true);
    Panel3->setFont(negrita);
    Panel3->setMinimumHeight(26);
    // Trailing blanks are not drawn; the margin keeps the place they stand for, so the caption
    // stands over the history.
    Panel3->setContentsMargins(0, 0, QFontMetrics(negrita).horizontalAdvance(kBlancosHistorial),
                               0);
    columna->addWidget(Panel3);

    auto* cuerpo = new QHBoxLayout;
    cuerpo->setContentsMargins(8, 0, 8, 4);
    cuerpo->addWidget(crearDatos(), 1);

    DBGrid1 = new Rejilla(QStringLiteral("DBGrid1"), ADODataSet2, this);
    DBGrid1->setAccessibleName(QStringLiteral("Historial de citas del paciente"));
    DBGrid1->setColumnas({
        {QStringLiteral("FECHA"), QStringLiteral("Fecha"), kAnchosHistorial.at(0),
         Qt::AlignCenter, 0},
        {QStringLiteral("hora"), QStringLiteral("Hora"), kAnchosHistorial.at(1), Qt::AlignCenter,
         0},
        {QStringLiteral("OBSERVACION"), QStringLiteral("Observación"), kAnchosHistorial.at(2),
         Qt::AlignLeft | Qt::AlignVCenter, 0},
    });
    DBGrid1->setColorFila(colorFilaVisita);
    // A compact face, so a whole date fits its narrow column.
    QFont compacta(QStringLiteral("Arial"));
    compacta.setPixelSize(12);
    DBGrid1->setFont(compacta);
    DBGrid1->modelo()->setFuenteBase(compacta);
    DBGrid1->setFixedWidth(kAnchosHistorial.at(0) + kAnchosHistorial.at(1)
                           + kAnchosHistorial.at(2) + 36);
    // A new result resets the header; the columns keep their widths.
    connect(ADODataSet2, &DataSet::opened, this, [this] { DBGrid1->setAnchos(kAnchosHistorial); });
    connect(DBGrid1, &Rejilla::dobleClic, this, &TFormDatos::DBGrid1DblClick);
    cuerpo->addWidget(DBGrid1);
    columna->addLayout(cuerpo);
    columna->addWidget(crearBotones());

    // The patient's data first, the registration date (read only) after them, then his
    // history and the buttons.
    QList<QWidget*> orden;
    for (int i = 1; i <= 11; ++i)
        orden << DBEdits.at(i);
    orden << DBEdits.at(0) << DBGrid1;
    for (const char* nombre : {"BitBtn2", "BitBtn3", "BitBtn4", "BitBtn1"})
        orden << findChild<QPushButton*>(QString::fromLatin1(nombre));
    orden << cabecera.ayuda;
    for (int i = 1; i < orden.size(); ++i)
        setTabOrder(orden.at(i - 1), orden.at(i));
}

QWidget* TFormDatos::crearDatos()
{
    auto* GroupBox1 = new QGroupBox(QStringLiteral("Datos del Paciente"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* rejilla = new QGridLayout(GroupBox1);
    rejilla->setHorizontalSpacing(12);
    for (int i = 0; i < 3; ++i)
        rejilla->setColumnMinimumWidth(i, 180);

    int numero = 1;
    for (const DefCaja& d : kCajas) {
        auto* caja = new EditMayusculas(QStringLiteral("DBEdit%1").arg(numero++), GroupBox1);
        caja->setMaxLength(d.largo);
        crearEditEtiquetado(caja, d.etiqueta, rejilla, d.fila, d.columna, d.columnas);
        connect(caja, &QLineEdit::textChanged, this, &TFormDatos::DBEdit1Change);
        DBEdits.append(caja);
    }
    // kCajas lists the code box last so the numbering follows the design: DBEdit13.
    DBEdits.at(0)->setReadOnly(true);
    DBEdits.at(12)->setReadOnly(true);
    DBEdits.at(12)->setEnabled(false);
    for (QLabel* etiqueta : GroupBox1->findChildren<QLabel*>()) {
        if (etiqueta->buddy() && etiqueta->buddy() != DBEdits.at(0)
            && etiqueta->buddy() != DBEdits.at(12))
            etiqueta->setContentsMargins(0, 6, 0, 0);
    }
    rejilla->setRowStretch(12, 1);
    return GroupBox1;
}

QWidget* TFormDatos::crearBotones()
{
    QHBoxLayout* fila = nullptr;
    QWidget* Panel1 = crearBarraBotones(this, &fila);
    struct DefBoton {
        const char* nombre;
        QString caption, hint, icono;
        void (TFormDatos::*handler)();
    };
    const DefBoton defs[] = {
        {"BitBtn2", QStringLiteral("&Nueva Cita"),
         QStringLiteral("Fija una nueva cita para este paciente."),
         QStringLiteral(":/imagenes/alta.png"), &TFormDatos::BitBtn2Click},
        {"BitBtn3", QStringLiteral("Aplicar Cambios"),
         QStringLiteral("Guarda las modificaciones realizadas en los datos del paciente."),
         QStringLiteral(":/imagenes/backup.png"), &TFormDatos::BitBtn3Click},
        {"BitBtn4", QStringLiteral("&Baja Paciente"),
         QStringLiteral("Da de baja el paciente del programa perdiendo toda su información y su "
                        "historial de visitas. "),
         QStringLiteral(":/imagenes/salir.png"), &TFormDatos::BitBtn4Click},
        {"BitBtn1", QStringLiteral("&Cancelar"), QStringLiteral("Salir de datos del paciente."),
         QStringLiteral(":/imagenes/salir.png"), &TFormDatos::BitBtn1Click},
    };
    for (const DefBoton& d : defs) {
        QPushButton* b =
            crearBoton(QString::fromLatin1(d.nombre), d.caption, d.hint, d.icono, Panel1);
        b->setIconSize(QSize(24, 24));
        b->setMinimumSize(150, 36);
        connect(b, &QPushButton::clicked, this, d.handler);
        fila->addWidget(b);
        if (d.handler == &TFormDatos::BitBtn4Click)
            fila->addStretch();
    }
    BitBtn3 = Panel1->findChild<QPushButton*>(QStringLiteral("BitBtn3"));
    BitBtn3->setEnabled(false);
    return Panel1;
}

bool TFormDatos::abierta() const
{
    return ADODataSet1->isActive();
}

void TFormDatos::abrirDatos()
{
    ADODataSet1->close();
    ADODataSet1->setCommand(sql::pacientePorCodigo(CodigoPaciente));
    ADODataSet1->open();
    ADODataSet2->close();
    ADODataSet2->setCommand(sql::historialPaciente(CodigoPaciente));
    ADODataSet2->open();
}

void TFormDatos::mostrarFila()
{
    const bool hay = !ADODataSet1->isEmpty();
    for (int i = 0; i < DBEdits.size(); ++i) {
        QLineEdit* caja = DBEdits.at(i);
        const QString texto =
            hay ? ADODataSet1->fieldByName(kCajas[i].campo).toString() : QString();
        // A text stored longer than the box takes (by another program) is shown whole, never
        // cut: a save would otherwise lose its end.
        caja->setMaxLength(qMax(kCajas[i].largo, int(texto.size())));
        caja->setText(texto);
        caja->setCursorPosition(0);
    }
}

void TFormDatos::sinCambios(bool cursorNormal)
{
    // A disabled button hands the focus on to "&Baja Paciente", where the Enter that follows a
    // save would ask to delete the patient: the focus goes back to the first box instead.
    if (focusWidget() == BitBtn3)
        DBEdits.at(1)->setFocus();
    BitBtn3->setEnabled(false);
    if (cursorNormal)
        BitBtn3->setCursor(Qt::ArrowCursor);
}

void TFormDatos::mostrarPaciente(int codigo)
{
    ADODataSet1->close();
    ADODataSet2->close();
    CodigoPaciente = codigo;
    abrirDatos();
    sinCambios(true);
}

void TFormDatos::FormActivate()
{
    abrirDatos();
    DBEdits.at(1)->setFocus();
    // Loading the row counted as typing: nothing is pending yet.
    sinCambios(false);
}

void TFormDatos::FormClose()
{
    ADODataSet2->close();
    ADODataSet1->close();
}

void TFormDatos::DBEdit1Change()
{
    BitBtn3->setEnabled(true);
    BitBtn3->setCursor(Qt::PointingHandCursor);
}

namespace {

// The patient as the window loaded him, which a save or a delete compares again.
sql::DatosPaciente cargado(const DataSet& datos, int codigo)
{
    sql::DatosPaciente p;
    p.codigo = codigo;
    if (datos.isEmpty())
        return p;
    const auto campo = [&](const char* nombre) {
        return datos.fieldByName(QString::fromLatin1(nombre)).toString();
    };
    p.nombre = campo("nombre");
    p.apellido1 = campo("apellido1");
    p.apellido2 = campo("apellido2");
    p.dni = campo("dni");
    p.tlf1 = campo("tlf1");
    p.tlf2 = campo("tlf2");
    p.direccion = campo("direccion");
    p.poblacion = campo("poblacion");
    p.provincia = campo("provincia");
    p.sociedad = campo("sociedad");
    p.comentario = campo("comentario");
    return p;
}

bool existe(int codigo)
{
    return comando::valor(sql::contarPacientesConCodigo(codigo)).toInt() != 0;
}

}  // namespace

sql::DatosPaciente TFormDatos::datosDeCajas() const
{
    sql::DatosPaciente p;
    p.codigo = CodigoPaciente;
    p.nombre = DBEdits.at(1)->text();
    p.apellido1 = DBEdits.at(2)->text();
    p.apellido2 = DBEdits.at(3)->text();
    p.dni = DBEdits.at(4)->text();
    p.tlf1 = DBEdits.at(5)->text();
    p.tlf2 = DBEdits.at(6)->text();
    p.direccion = DBEdits.at(7)->text();
    p.poblacion = DBEdits.at(8)->text();
    p.provincia = DBEdits.at(9)->text();
    p.sociedad = DBEdits.at(10)->text();
    p.comentario = DBEdits.at(11)->text();
    return p;
}

void TFormDatos::avisarPacienteDesaparecido(const QString& texto)
{
    mensajes::informacion(texto);
    abrirDatos();
    sinCambios(true);
    refrescar::busqueda();
}

bool TFormDatos::guardar()
{
    if (!mensajes::confirmacion(QStringLiteral("¿Desea guardar las modificaciones?"))) {
        ADODataSet1->reopen();
        ADODataSet2->reopen();
        sinCambios(true);
        return true;
    }
    // A patient stays whole: the same mandatory boxes as at his registration.
    if (!datosObligatoriosRellenos(DBEdits.at(1), DBEdits.at(2), DBEdits.at(3), DBEdits.at(5)))
        return false;
    if (comando::ejecutar(sql::modificarPaciente(datosDeCajas(), cargado(*ADODataSet1, CodigoPaciente)))
        == 0) {
        avisarPacienteDesaparecido(
            existe(CodigoPaciente)
                ? QStringLiteral("ERROR: Los datos del paciente con código %1 se han cambiado "
                                 "desde otro puesto después de abrirlos aquí; no se ha guardado "
                                 "ningún cambio. Se muestran los datos guardados ahora.")
                      .arg(CodigoPaciente)
                : QStringLiteral("ERROR: El paciente con código %1 ya no existe en la base de "
                                 "datos; no se ha guardado ningún cambio.")
                      .arg(CodigoPaciente));
        return true;
    }
    // Every list that shows the patient's name shows the new one.
    refrescar::listaDelDia();
    refrescar::vistaRapida();
    refrescar::busqueda();
    refrescar::pacienteDeCita();
    sinCambios(false);
    mensajes::informacion(QStringLiteral("¡Datos modificados correctamente!"));
    return true;
}

void TFormDatos::BitBtn3Click()
{
    guardar();
}

void TFormDatos::BitBtn4Click()
{
    if (!mensajes::confirmacionBorrado(QStringLiteral(
            "Si da de baja un paciente, se perderán todos sus datos así como todo su historial "
            "de visitas, ¿desea borrar los datos del paciente permanentemente del programa?")))
        return;
    int borrados = 0;
    {
        // The patient and his visits go together or not at all: no visit may stay behind to
        // join a later patient given the same code.
        // A patient another desk changed since he was loaded is not deleted, his visits
        // neither: the transaction is not committed.
        comando::Transaccion transaccion;
        comando::ejecutar(sql::borrarVisitasDePaciente(CodigoPaciente));
        borrados = comando::ejecutar(sql::borrarPaciente(cargado(*ADODataSet1, CodigoPaciente)));
        if (borrados > 0)
            transaccion.commit();
    }
    if (borrados == 0) {
        avisarPacienteDesaparecido(
            existe(CodigoPaciente)
                ? QStringLiteral("ERROR: Los datos del paciente con código %1 se han cambiado "
                                 "desde otro puesto después de abrirlos aquí; no se ha borrado "
                                 "nada. Se muestran los datos guardados ahora.")
                      .arg(CodigoPaciente)
                : QStringLiteral("ERROR: El paciente con código %1 ya no existe en la base de "
                                 "datos; no se ha borrado nada.")
                      .arg(CodigoPaciente));
        return;
    }
    refrescar::listaDelDia();
    refrescar::busqueda();
    sinCambios(true);
    accept();
    refrescar::vistaRapida();
    // The appointment record this window was opened from shows a visit that is gone.
    refrescar::cerrarCita();
    mensajes::informacion(QStringLiteral("¡Datos de paciente borrados de manera satisfactoria!"));
}

void TFormDatos::BitBtn2Click()
{
    if (BitBtn3->isEnabled() && !guardar())
        return;
    abrir::nuevaCita(CodigoPaciente);
    accept();
}

void TFormDatos::DBGrid1DblClick()
{
    // The row the user chose, read before the offer to save: answering No reloads the history
    // and would move the selection to its first row.
    const QString fecha = DBGrid1->textoColumna(0);
    if (BitBtn3->isEnabled() && !guardar())
        return;
    if (fecha.isEmpty())
        return;
    // Opened from that visit's record, this record sends the user back to it, re-pointed.
    if (abrir::citaDesdeHistorial(CodigoPaciente, fecha))
        accept();
}

void TFormDatos::BitBtn1Click()
{
    if (BitBtn3->isEnabled() && !guardar())
        return;
    reject();
}

void TFormDatos::Image3Click()
{
    ayuda::abrir(QStringLiteral("p05-datos.html"));
}
