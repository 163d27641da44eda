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

}  // namespace refrescar
