#include "db/facturas.h"

#include "db/comando.h"
#include "db/error.h"
#include "db/formatos.h"
#include "db/reloj.h"

namespace facturas {

QString numeroCorrelativo(int ano, int numero)
{
    return QStringLiteral("%1-%2").arg(ano, 4, 10, QLatin1Char('0'))
        .arg(numero, 4, 10, QLatin1Char('0'));
}

Sql siguienteNumero(int ano)
{
    return {QStringLiteral("SELECT COALESCE(MAX(numero), 0) + 1 AS siguiente FROM Factura "
                           "WHERE ano = ?"),
            {ano}};
}

Sql registrar(int ano, int numero, int codigo, const QString& fecha, const QString& emitida)
{
    return {QStringLiteral("INSERT INTO Factura (ano, numero, codigo, fecha, emitida) "
                           "VALUES (?, ?, ?, ?, ?)"),
            {ano, numero, codigo, fecha, emitida}};
}

Sql contarEnRegistro(const QString& numero, int codigo, const QString& fecha)
{
    // The text is matched as the series writes it, so a number of the other form never counts.
    return {QStringLiteral("SELECT COUNT(*) AS cuantos FROM Factura WHERE codigo = ? AND "
                           "fecha = ? AND ")
                + sql::numeroDeSerie(QStringLiteral("Factura")) + QStringLiteral(" = ?"),
            {codigo, fecha, numero}};
}

QString emitir(int codigo, const QString& fecha, QSqlDatabase db)
{
    const QDate dia = formatos::fechaDeTexto(fecha);
    if (!dia.isValid())
        throw DbError(QStringLiteral("ERROR: La cita tiene una fecha (%1) que no es válida; no se "
                                     "le puede dar número de factura.")
                          .arg(fecha));
    const int ano = dia.year();
    const int numero = comando::valor(siguienteNumero(ano), db).toInt();
    comando::ejecutar(registrar(ano, numero, codigo, fecha, formatos::textoFecha(reloj::hoy())),
                      db);
    return numeroCorrelativo(ano, numero);
}

bool esDelRegistro(const QString& numero, int codigo, const QString& fecha, QSqlDatabase db)
{
    if (numero.isEmpty())
        return false;
    return comando::valor(contarEnRegistro(numero, codigo, fecha), db).toInt() > 0;
}

int guardarVisita(sql::DatosVisita& v, const sql::DatosVisita& cargada, bool darNumero,
                  QSqlDatabase db)
{
    comando::Transaccion t(db);
    const QString antes = v.numFactura;
    if (darNumero)
        v.numFactura = emitir(v.codigo, v.fecha, db);
    const int filas = comando::ejecutar(sql::actualizarVisita(v, cargada), db);
    if (filas == 0) {
        // The visit is gone or changed at another desk: the transaction rolls back and the
        // number stays free.
        v.numFactura = antes;
        return 0;
    }
    t.commit();
    return filas;
}

}  // namespace facturas
