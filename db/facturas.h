#pragma once

#include "db/sql.h"

#include <QSqlDatabase>
#include <QString>

// The correlative series of invoice numbers, one per year (AAAA-NNNN, as 2026-0001), kept in the
// register table Factura: a number once given is never given again, and one whose visit no
// longer carries it (the invoice removed, the visit or the patient deleted) stays there,
// annulled, so the series has no gap that cannot be explained.
namespace facturas {

// "2026-0001": the year, a dash and the number in the year, at least four digits.
QString numeroCorrelativo(int ano, int numero);

// The next number of the year's series (field "siguiente").
Sql siguienteNumero(int ano);
// Keeps a number given to the visit of `codigo` on `fecha`, on the day `emitida`.
Sql registrar(int ano, int numero, int codigo, const QString& fecha, const QString& emitida);
// How many register rows give the number `numero` to that visit (field "cuantos").
Sql contarEnRegistro(const QString& numero, int codigo, const QString& fecha);

// Gives the visit the next number of the series of its date's year and keeps it in the register.
// Runs inside the caller's write transaction, so the number and the visit's row are stored
// together or not at all, and two desks never get the same one (the register's key refuses the
// second). Throws DbError.
QString emitir(int codigo, const QString& fecha, QSqlDatabase db = QSqlDatabase::database());

// True when `numero` was given to this visit from the register: taking it away annuls it.
bool esDelRegistro(const QString& numero, int codigo, const QString& fecha,
                   QSqlDatabase db = QSqlDatabase::database());

// Saves a visit from its record; when `darNumero`, the invoice's number is first given from the
// series, in the same transaction, and written into `v.numFactura`. Returns the rows changed:
// 0 when the visit is gone or no longer holds what the record loaded (`cargada`), and then no
// number is used up.
int guardarVisita(sql::DatosVisita& v, const sql::DatosVisita& cargada, bool darNumero,
                  QSqlDatabase db = QSqlDatabase::database());

}  // namespace facturas
