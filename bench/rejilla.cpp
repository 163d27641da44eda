// The grid on a huge result: opening every patient must show the first screen at once, since
// rows are fetched only as the grid scrolls.
#include "bench/medir.h"

#include "db/dataset.h"
#include "ui/common/rejilla.h"

#include <QCoreApplication>

namespace bench {

namespace {

Resultado dataset100k(Contexto& c)
{
    c.asegurarVentanas();   // the program's connection
    DataSet datos(QStringLiteral("ADODataSetPacientes"));
    datos.setCommand(Sql{QStringLiteral("SELECT * FROM Paciente"), {}});
    Rejilla grid(QStringLiteral("DBGridPacientes"), &datos);
    const Qt::Alignment izquierda = Qt::AlignLeft | Qt::AlignVCenter;
    grid.setColumnas({
        {QStringLiteral("codigo"), QStringLiteral("Código"), 60, Qt::AlignCenter, 0},
        {QStringLiteral("apellido1"), QStringLiteral("Primer Apellido"), 200, izquierda, 0},
        {QStringLiteral("apellido2"), QStringLiteral("Segundo Apellido"), 200, izquierda, 0},
        {QStringLiteral("nombre"), QStringLiteral("Nombre"), 200, izquierda, 0},
        {QStringLiteral("tlf1"), QStringLiteral("Teléfono"), 100, izquierda, 0},
    });
    grid.resize(1000, 600);
    grid.show();
    QCoreApplication::processEvents();

    Resultado r;
    r.programa = medir(
        c.repeticiones(),
        [&](int) {
            datos.close();
            QCoreApplication::processEvents();
        },
        [&] {
            datos.open();
            QCoreApplication::processEvents();
            grid.viewport()->repaint();
        });
    const int cargadas = int(datos.model()->rowCount());
    int filas = 0;
    r.desnudo = c.desnudo(datos.command(), c.repeticiones(), &filas);
    r.notas << QStringLiteral("%1 filas en total, %2 cargadas para la primera pantalla; el "
                              "desnudo las recorre todas")
                   .arg(filas)
                   .arg(cargadas);
    datos.close();
    return r;
}

}  // namespace

QList<Accion> accionesRejilla()
{
    return {{QStringLiteral("dataset_100k"), dataset100k}};
}

}  // namespace bench
