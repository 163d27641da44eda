#include "ui/common/colorvisita.h"

#include "db/dataset.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "ui/common/estilo.h"

QColor colorVisita(const QVariant& pago, const QVariant& fecha, const QDate& hoy)
{
    bool esNumero = false;
    const qlonglong valorPago = pago.toLongLong(&esNumero);
    if (pago.isNull() || !esNumero || valorPago != 0)
        return {};
    const QDate dia = formatos::fechaDeTexto(fecha.toString());
    if (!dia.isValid())
        return {};
    if (dia < hoy)
        return estilo::kRojo;
    if (dia == hoy)
        return estilo::kGranate;
    return {};
}

QColor colorFilaVisita(const DataSet& datos, int fila)
{
    return colorVisita(datos.fieldAt(fila, QStringLiteral("pago")),
                       datos.fieldAt(fila, QStringLiteral("fecha")), reloj::hoy());
}
