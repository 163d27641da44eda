#include "db/codigos.h"

#include "db/comando.h"
#include "db/sql.h"

namespace codigos {

std::optional<qint64> proponer(bool desdeUno, QSqlDatabase db)
{
    comando::Transaccion transaccion(db);
    bool hayFila = false;
    const qint64 guardado = comando::valor(sql::leerTablaCodigo(), db).toLongLong(&hayFila);
    // A missing row, or a value no code can take, starts from the first code.
    qint64 desde = guardado;
    if (desdeUno || !hayFila || desde < sql::kCodigoMinimo || desde > sql::kCodigoMaximo)
        desde = sql::kCodigoMinimo;
    const auto buscar = [&db](qint64 inicio) {
        return comando::valor(sql::primerCodigoLibreDesde(inicio), db).toLongLong();
    };
    qint64 libre = buscar(desde);
    // Every code above the stored one is taken: look again from the bottom.
    if (libre > sql::kCodigoMaximo && desde > sql::kCodigoMinimo)
        libre = buscar(sql::kCodigoMinimo);
    if (libre > sql::kCodigoMaximo)
        return std::nullopt;
    if (!hayFila)
        comando::ejecutar(sql::reponerTablaCodigo(libre), db);
    else if (guardado != libre)
        comando::ejecutar(sql::guardarTablaCodigo(libre), db);
    transaccion.commit();
    return libre;
}

}  // namespace codigos
