#include "ui/appointments/Unit6.h"

#include "db/dataset.h"
#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QToolButton>
#include <QVBoxLayout>

TFormDatosCita::TFormDatosCita(QWidget* parent)
    : Ventana(parent),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this)),
      ADODataSet2(new DataSet(QStringLiteral("ADODataSet2"), this))
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormDatosCita"), QStringLiteral("Clinora 1.1 -  Datos de la Cita"),
                   QStringLiteral("DATOS DE LA CITA"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatosCita::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

int TFormDatosCita::abrirCita(int codigo, const QString& fecha)
{
    CodigoPaciente = codigo;
    FechaCita = fecha;
    return showModal(this);
}

bool TFormDatosCita::abierta() const
{
    return ADODataSet1->isActive();
}

void TFormDatosCita::mostrarVisita(int codigo, const QString& fecha)
{
    CodigoPaciente = codigo;
    FechaCita = fecha;
}

void TFormDatosCita::Image3Click()
{
    ayuda::abrir(QStringLiteral("p07-datoscita.html"));
}
