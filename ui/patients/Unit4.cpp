#include "ui/patients/Unit4.h"

#include "db/dataset.h"
#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QToolButton>
#include <QVBoxLayout>

TFormDatos::TFormDatos(QWidget* parent)
    : Ventana(parent),
      ADODataSet1(new DataSet(QStringLiteral("ADODataSet1"), this)),
      ADODataSet2(new DataSet(QStringLiteral("ADODataSet2"), this))
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormDatos"), QStringLiteral("Clinora 1.1 - Datos del Paciente"),
                   QStringLiteral("DATOS DEL PACIENTE"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormDatos::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

bool TFormDatos::abierta() const
{
    return ADODataSet1->isActive();
}

void TFormDatos::mostrarPaciente(int codigo)
{
    CodigoPaciente = codigo;
}

void TFormDatos::Image3Click()
{
    ayuda::abrir(QStringLiteral("p05-datos.html"));
}
