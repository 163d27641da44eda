#include "app/refrescos.h"

#include "app/ventanas.h"
#include "db/dataset.h"

namespace refrescar {

void listaDelDia()
{
    if (Form1)
        Form1->ADODataSetCitas->reopen();
}

void vistaRapida()
{
    if (Form1)
        Form1->MonthCalendar1Click();
}

namespace {

void reabrirSiAbierto(DataSet* datos)
{
    if (datos->isActive())
        datos->reopen();
}

}  // namespace

void busqueda()
{
    reabrirSiAbierto(FormBuscar->ADODataSetBuscarPaciente);
}

void historial()
{
    reabrirSiAbierto(FormDatos->ADODataSet2);
}

void pacienteDeCita()
{
    reabrirSiAbierto(FormDatosCita->ADODataSet2);
}

void cerrarCita()
{
    if (FormDatosCita->abierta())
        FormDatosCita->reject();
}

}  // namespace refrescar
