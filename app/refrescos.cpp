#include "app/refrescos.h"

#include "app/ventanas.h"
#include "db/dataset.h"
#include "ui/common/rejilla.h"

#include <QScrollBar>

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

namespace {

QStringList contenido(const QAbstractItemModel* modelo, int fila)
{
    QStringList valores;
    for (int c = 0; c < modelo->columnCount(); ++c)
        valores << modelo->index(fila, c).data().toString();
    return valores;
}

// Re-runs what the grid shows and puts back its selected row (the same contents, else the same
// place) and its scroll position, fetching as many rows as they need.
void conservando(QWidget* ventana, const char* nombre, const std::function<void()>& reabrir)
{
    auto* rejilla = ventana ? ventana->findChild<Rejilla*>(QLatin1String(nombre)) : nullptr;
    if (!rejilla) {
        reabrir();
        return;
    }
    QAbstractItemModel* modelo = rejilla->model();
    const QModelIndex actual = rejilla->currentIndex();
    const QStringList elegida = actual.isValid() ? contenido(modelo, actual.row()) : QStringList();
    const int desplazamiento = rejilla->verticalScrollBar()->value();
    reabrir();
    modelo = rejilla->model();
    const int necesarias = std::max(actual.row(), desplazamiento) + 100;
    while (modelo->rowCount() < necesarias && modelo->canFetchMore({}))
        modelo->fetchMore({});
    if (actual.isValid() && modelo->rowCount() > 0) {
        int fila = std::min(actual.row(), modelo->rowCount() - 1);
        for (int f = 0; f < modelo->rowCount(); ++f) {
            if (contenido(modelo, f) == elegida) {
                fila = f;
                break;
            }
        }
        rejilla->setCurrentIndex(modelo->index(fila, actual.column()));
    }
    rejilla->verticalScrollBar()->setValue(desplazamiento);
}

}  // namespace

void deOtroPuesto()
{
    if (!Form1)
        return;
    conservando(Form1, "DBGrid1", listaDelDia);
    conservando(Form1, "DBGrid2", vistaRapida);
    if (FormBuscar && FormBuscar->ADODataSetBuscarPaciente->isActive())
        conservando(FormBuscar, "DBGrid1", busqueda);
    if (FormDatos && FormDatos->ADODataSet2->isActive())
        conservando(FormDatos, "DBGrid1", historial);
}

void cerrarCita()
{
    if (FormDatosCita->abierta())
        FormDatosCita->reject();
}

}  // namespace refrescar
