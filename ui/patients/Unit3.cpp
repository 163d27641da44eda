#include "ui/patients/Unit3.h"

#include "db/dataset.h"
#include "ui/common/ayuda.h"
#include "ui/common/cabecera.h"

#include <QToolButton>
#include <QVBoxLayout>

TFormBuscar::TFormBuscar(QWidget* parent)
    : Ventana(parent),
      ADODataSetBuscarPaciente(new DataSet(QStringLiteral("ADODataSetBuscarPaciente"), this))
{
    QVBoxLayout* columna = nullptr;
    const Cabecera cabecera = iniciarVentana(this, QStringLiteral("FormBuscar"), QStringLiteral("Clinora 1.1 - Buscar Datos de Paciente"),
                   QStringLiteral("BUSCAR DATOS DE PACIENTE"), true, &columna);
    connect(cabecera.ayuda, &QToolButton::clicked, this, &TFormBuscar::Image3Click);
    columna->addStretch();
    resize(640, 420);
}

void TFormBuscar::Image3Click()
{
    ayuda::abrir(QStringLiteral("p04-buscar.html"));
}
