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

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Shown, never saved: the registration date (DBEdit1) and the code (DBEdit13), which never
// changes once the patient exists.
const CajaPaciente kCajaAlta{QStringLiteral("FECHA_ALTA"), QString(),
                             QStringLiteral("Fecha de alta:"), sql::kLargoFecha, 0, 0, 1,
                             nullptr, QString()};
const CajaPaciente kCajaCodigo{QStringLiteral("CODIGO"), QString(),
                               QStringLiteral("Código de paciente:"), 11, 0, 2, 1,
                               nullptr, QString()};

const QString kBlancosHistorial(12, QLatin1Char(' '));
const QList<int> kAnchosHistorial = {70, 64, 160};

}  // namespace

TFormDatos::TFormDatos(QWidget* parent)
    : Ventana(parent),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this)),
      ADODataSet2(new DataSet(QStringLiteral("ADODataSet2"), this))
{
    crearControles();
    connect(ADODataSet1, &DataSet::opened, this, &TFormDatos::mostrarFila);
}

void TFormDatos::crearControles()
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormDatos"),
                                             QStringLiteral("Clinora 1.1 - Datos del Paciente"),
                                             QStringLiteral("DATOS DEL PACIENTE"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatos::Image3Click);
    // Closer than in other windows: the caption over the history sits right under the header.
    columna->setSpacing(4);

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
    DBGrid1->setFuenteCompacta();
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
    const QList<QLineEdit*>& cajas = cajas_.todas();
    QList<QWidget*> orden(cajas.cbegin() + 1, cajas.cend() - 1);
    orden << cajas.constFirst() << DBGrid1;
    for (const char* nombre : {"BitBtn2", "BitBtn3", "BitBtn4", "BitBtn1"})
        orden << findChild<QPushButton*>(QString::fromLatin1(nombre));
    orden << cabecera.ayuda;
    fijarOrdenTab(orden);
}

QWidget* TFormDatos::crearDatos()
{
    auto* GroupBox1 = new QGroupBox(QStringLiteral("Datos del Paciente"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* rejilla = new QGridLayout(GroupBox1);
    rejilla->setHorizontalSpacing(12);
    for (int i = 0; i < 3; ++i)
        rejilla->setColumnMinimumWidth(i, 180);

    QLineEdit* alta = cajas_.crear(kCajaAlta, QStringLiteral("DBEdit1"), rejilla, GroupBox1);
    cajas_.crearDatos(QStringLiteral("DBEdit"), rejilla, GroupBox1);
    QLineEdit* codigo =
        cajas_.crear(kCajaCodigo, QStringLiteral("DBEdit13"), rejilla, GroupBox1);
    for (QLineEdit* caja : cajas_.todas())
        connect(caja, &QLineEdit::textChanged, this, &TFormDatos::DBEdit1Change);
    alta->setReadOnly(true);
    codigo->setReadOnly(true);
    codigo->setEnabled(false);
    for (QLabel* etiqueta : GroupBox1->findChildren<QLabel*>()) {
        if (etiqueta->buddy() && etiqueta->buddy() != alta && etiqueta->buddy() != codigo)
            etiqueta->setContentsMargins(0, 6, 0, 0);
    }
    rejilla->setRowStretch(12, 1);
    return GroupBox1;
}

QWidget* TFormDatos::crearBotones()
{
    QWidget* Panel1 = crearBarraBotones(
        this,
        {{QStringLiteral("BitBtn2"), QStringLiteral("&Nueva Cita"),
          QStringLiteral("Fija una nueva cita para este paciente."),
          QStringLiteral(":/imagenes/alta.png"), [this] { BitBtn2Click(); }},
         {QStringLiteral("BitBtn3"), QStringLiteral("Aplicar Cambios"),
          QStringLiteral("Guarda las modificaciones realizadas en los datos del paciente."),
          QStringLiteral(":/imagenes/backup.png"), [this] { BitBtn3Click(); }},
         {QStringLiteral("BitBtn4"), QStringLiteral("&Baja Paciente"),
          QStringLiteral("Da de baja el paciente del programa perdiendo toda su información y "
                         "su historial de visitas. "),
          QStringLiteral(":/imagenes/salir.png"), [this] { BitBtn4Click(); }},
         kEstirar,
         {QStringLiteral("BitBtn1"), QStringLiteral("&Cancelar"),
          QStringLiteral("Salir de datos del paciente."), QStringLiteral(":/imagenes/salir.png"),
          [this] { BitBtn1Click(); }}},
        QSize(150, 36));
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
    cajas_.mostrar(*ADODataSet1);
}

void TFormDatos::sinCambios(bool cursorNormal)
{
    // A disabled button hands the focus on to "&Baja Paciente", where the Enter that follows a
    // save would ask to delete the patient: the focus goes back to the first box instead.
    if (focusWidget() == BitBtn3)
        cajas_.caja(QStringLiteral("NOMBRE"))->setFocus();
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
    cajas_.caja(QStringLiteral("NOMBRE"))->setFocus();
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
    if (!cajas_.obligatoriosRellenos() || !cajas_.dniAceptado())
        return false;
    sql::DatosPaciente paciente;
    paciente.codigo = CodigoPaciente;
    cajas_.escribir(paciente);
    if (comando::ejecutar(
            sql::modificarPaciente(paciente, cargado(*ADODataSet1, CodigoPaciente)))
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
