#include "ui/consulta/datosconsulta.h"

#include "db/nif.h"
#include "ui/common/barra.h"
#include "ui/common/cabecera.h"
#include "ui/common/controles.h"
#include "ui/common/mensajes.h"
#include "ui/common/panelpaciente.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kPreguntaCerrar =
    QStringLiteral("Ha cambiado los datos de la consulta y no los ha guardado. ¿Qué desea hacer?");
const QString kGuardados = QStringLiteral("¡Datos de la consulta guardados correctamente!");

// Long enough for any practitioner's name, title or street; the invoice fits what is longer.
constexpr int kLargo = 100;

}  // namespace

TFormDatosConsulta::TFormDatosConsulta(QWidget* parent) : Ventana(parent)
{
    crearControles();
}

void TFormDatosConsulta::crearControles()
{
    QVBoxLayout* columna = nullptr;
    iniciarVentana(this, QStringLiteral("FormDatosConsulta"),
                   QStringLiteral("Clinora 1.1 - Datos de la consulta"),
                   QStringLiteral("DATOS DE LA CONSULTA"), false, &columna);

    auto* GroupBox1 = new QGroupBox(QStringLiteral("Datos que se imprimen en las facturas"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* rejilla = new QGridLayout(GroupBox1);
    rejilla->setVerticalSpacing(6);
    int fila = 0;
    const auto caja = [&](const char* nombre, const QString& etiqueta, int largo) {
        auto* edit = new QLineEdit(GroupBox1);
        edit->setObjectName(QString::fromLatin1(nombre));
        edit->setMaxLength(largo);
        edit->setMinimumWidth(460);
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!cargando_)
                cambiado_ = true;
        });
        rejilla->addWidget(etiquetaDe(etiqueta, edit, GroupBox1), fila, 0);
        rejilla->addWidget(edit, fila, 1);
        ++fila;
        return edit;
    };
    EditNombre = caja("EditNombre", QStringLiteral("Nombre:"), kLargo);
    EditTitulo = caja("EditTitulo", QStringLiteral("Título:"), kLargo);
    EditColegiado = caja("EditColegiado", QStringLiteral("Nº de colegiado:"), 30);
    EditNif = caja("EditNif", QStringLiteral("NIF:"), 20);
    EditDireccion = caja("EditDireccion", QStringLiteral("Dirección:"), kLargo);
    EditPoblacion = caja("EditPoblacion", QStringLiteral("Población:"), kLargo);
    EditTelefono = caja("EditTelefono", QStringLiteral("Teléfono:"), 40);
    EditExencion = caja("EditExencion", QStringLiteral("Exención de IVA:"), 200);
    EditExencion->setToolTip(QStringLiteral(
        "Línea que se imprime bajo la tabla de servicios; vacía, la factura no la lleva."));

    auto* GroupBox2 = new QGroupBox(QStringLiteral("Numeración de facturas:"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* opciones = new QVBoxLayout(GroupBox2);
    RadioPacienteFecha = new QRadioButton(QStringLiteral("Código del paciente y fecha"), GroupBox2);
    RadioPacienteFecha->setObjectName(QStringLiteral("RadioPacienteFecha"));
    RadioPacienteFecha->setToolTip(QStringLiteral("Por ejemplo 7-01022026."));
    RadioCorrelativa = new QRadioButton(QStringLiteral("Correlativa por año"), GroupBox2);
    RadioCorrelativa->setObjectName(QStringLiteral("RadioCorrelativa"));
    RadioCorrelativa->setToolTip(QStringLiteral(
        "AAAA-NNNN, por ejemplo 2026-0001: se da al guardar una cita con \"Solicita factura:\"."));
    auto* grupo = new QButtonGroup(GroupBox2);
    grupo->addButton(RadioPacienteFecha);
    grupo->addButton(RadioCorrelativa);
    connect(grupo, &QButtonGroup::buttonToggled, this, [this] {
        if (!cargando_)
            cambiado_ = true;
    });
    opciones->addWidget(RadioPacienteFecha);
    opciones->addWidget(RadioCorrelativa);

    auto* cuerpo = new QVBoxLayout;
    cuerpo->setContentsMargins(10, 0, 10, 0);
    cuerpo->addWidget(GroupBox1);
    cuerpo->addWidget(GroupBox2);
    columna->addLayout(cuerpo);

    QWidget* Panel1 = crearBarraBotones(
        this,
        {{QStringLiteral("BitBtnGuardar"), QStringLiteral("&Guardar"),
          QStringLiteral("Guardar los datos de la consulta."), QString(),
          [this] { BitBtnGuardarClick(); }, QStyle::SP_DialogSaveButton},
         kEstirar,
         {QStringLiteral("BitBtnCancelar"), QStringLiteral("&Cancelar"),
          QStringLiteral("Cerrar sin guardar los cambios."), QStringLiteral(":/imagenes/salir.png"),
          [this] { BitBtnCancelarClick(); }}},
        QSize(140, 36));
    columna->addWidget(Panel1);

    fijarOrdenTab({EditNombre, EditTitulo, EditColegiado, EditNif, EditDireccion, EditPoblacion,
                   EditTelefono, EditExencion, RadioPacienteFecha, RadioCorrelativa,
                   findChild<QPushButton*>(QStringLiteral("BitBtnGuardar")),
                   findChild<QPushButton*>(QStringLiteral("BitBtnCancelar"))});
}

void TFormDatosConsulta::FormActivate()
{
    ruta_ = consulta::rutaActual();
    mostrar(consulta::leer(ruta_));
    EditNombre->setFocus();
}

void TFormDatosConsulta::mostrar(const DatosConsulta& d)
{
    cargando_ = true;
    EditNombre->setText(d.nombre);
    EditTitulo->setText(d.titulo);
    EditColegiado->setText(d.colegiado);
    EditNif->setText(d.nif);
    EditDireccion->setText(d.direccion);
    EditPoblacion->setText(d.poblacion);
    EditTelefono->setText(d.telefono);
    EditExencion->setText(d.exencion);
    (d.numeracion == DatosConsulta::Numeracion::Correlativa ? RadioCorrelativa
                                                            : RadioPacienteFecha)
        ->setChecked(true);
    cargando_ = false;
    cambiado_ = false;
}

DatosConsulta TFormDatosConsulta::datos() const
{
    DatosConsulta d;
    d.nombre = EditNombre->text().trimmed();
    d.titulo = EditTitulo->text().trimmed();
    d.colegiado = EditColegiado->text().trimmed();
    d.nif = EditNif->text().trimmed();
    d.direccion = EditDireccion->text().trimmed();
    d.poblacion = EditPoblacion->text().trimmed();
    d.telefono = EditTelefono->text().trimmed();
    d.exencion = EditExencion->text().trimmed();
    d.numeracion = RadioCorrelativa->isChecked() ? DatosConsulta::Numeracion::Correlativa
                                                 : DatosConsulta::Numeracion::PacienteFecha;
    return d;
}

bool TFormDatosConsulta::guardar()
{
    const DatosConsulta d = datos();
    // A wrong control letter is most often a typing slip; the practice may still know better.
    const QString aviso = nif::aviso(d.nif);
    if (!aviso.isEmpty()
        && !mensajes::confirmacion(aviso + QStringLiteral("\n\n¿Desea guardarlo así?"))) {
        EditNif->setFocus();
        EditNif->selectAll();
        return false;
    }
    const QString fallo = consulta::guardar(ruta_, d);
    if (!fallo.isEmpty()) {
        mensajes::informacion(QStringLiteral("¡No se han guardado los datos de la consulta! ")
                              + fallo);
        return false;
    }
    cambiado_ = false;
    mensajes::informacion(kGuardados);
    return true;
}

void TFormDatosConsulta::BitBtnGuardarClick()
{
    if (guardar())
        accept();
}

void TFormDatosConsulta::BitBtnCancelarClick()
{
    reject();
}

void TFormDatosConsulta::reject()
{
    if (cambiado_) {
        const int respuesta = mensajes::eleccion(
            kPreguntaCerrar, {QStringLiteral("Guardar"), QStringLiteral("Descartar cambios")});
        if (respuesta < 0 || (respuesta == 0 && !guardar()))
            return;
    }
    cambiado_ = false;
    Ventana::reject();
}

namespace datosconsulta {

bool revisarAntesDeImprimir(const DatosConsulta& d, const std::function<void()>& completar)
{
    QStringList faltan;
    if (d.nombre.isEmpty())
        faltan << QStringLiteral("el nombre");
    if (d.nif.isEmpty())
        faltan << QStringLiteral("el NIF");
    if (faltan.isEmpty())
        return true;
    const QString que = faltan.join(QStringLiteral(" y "));
    const int respuesta = mensajes::eleccion(
        QStringLiteral("En los datos de la consulta falta %1, así que la factura saldrá sin %2 "
                       "(Hacienda exige el nombre y el NIF de quien la emite). ¿Desea "
                       "completarlos ahora?")
            .arg(que, faltan.size() == 2 ? QStringLiteral("esas líneas")
                                         : QStringLiteral("esa línea")),
        {QStringLiteral("Completar ahora"), QStringLiteral("Imprimir así")});
    if (respuesta < 0)
        return false;
    if (respuesta == 0)
        completar();
    return true;
}

}  // namespace datosconsulta
