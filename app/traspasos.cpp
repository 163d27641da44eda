#include "app/traspasos.h"

#include "app/ventanas.h"
#include "ui/consulta/datosconsulta.h"

#include <QPointer>

namespace abrir {

void altaPaciente()
{
    showModal(FormAlta);
}

void buscarPaciente()
{
    showModal(FormBuscar);
}

void listados()
{
    FormListados->prepararApertura();
    showModal(FormListados);
}

void acerca()
{
    showModal(FormAcerca);
}

void datosConsulta()
{
    // Not one of the ten windows of the start: made the first time it is asked for, beside the
    // main window, and gone with it.
    static QPointer<TFormDatosConsulta> ventana;
    if (!ventana)
        ventana = new TFormDatosConsulta(Form1);
    showModal(ventana);
}

void buscarParaCita(const QDate& dia)
{
    FormNuevaCita->elegirDia(dia);
    showModal(FormBuscar);
}

void datosCita(int codigo, const QString& fecha)
{
    FormDatosCita->CodigoPaciente = codigo;
    FormDatosCita->FechaCita = fecha;
    showModal(FormDatosCita);
}

void datosPaciente(int codigo)
{
    FormDatos->CodigoPaciente = codigo;
    showModal(FormDatos);
}

void nuevaCita(int codigo)
{
    FormNuevaCita->CodigoPaciente = codigo;
    showModal(FormNuevaCita);
}

bool citaDesdeHistorial(int codigo, const QString& fecha)
{
    if (FormDatosCita->abierta()) {
        FormDatosCita->mostrarVisita(codigo, fecha);
        return true;
    }
    datosCita(codigo, fecha);
    return false;
}

bool pacienteDesdeCita(int codigo)
{
    if (FormDatos->abierta()) {
        FormDatos->mostrarPaciente(codigo);
        return true;
    }
    datosPaciente(codigo);
    return false;
}

void factura(const DatosFactura& datos)
{
    ImprimeFactura->mostrar(datos);
}

void listaVisitas(const Sql& consulta, const QString& titulo)
{
    ImprimeListaVisitas->mostrar(consulta, titulo, TImprimeListaVisitas::Variante::Visitas);
}

void listaFacturas(const Sql& consulta, const QString& titulo)
{
    ImprimeListaVisitas->mostrar(consulta, titulo, TImprimeListaVisitas::Variante::Facturas);
}

void listaCitas(const Sql& consulta, const QString& titulo)
{
    ImprimeListaVisitas->mostrar(consulta, titulo, TImprimeListaVisitas::Variante::Citas);
}

}  // namespace abrir
