#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The text forms stored in the database and passed between windows. They never depend on the
// machine's locale: stored rows must keep one shape whatever the computer says.
namespace formatos {

QString textoFecha(const QDate& fecha);              // dd/mm/yyyy
QDate fechaDeTexto(const QString& texto);            // strict dd/mm/yyyy; invalid QDate otherwise
QString textoHora(const QTime& hora);                // hh:mm
bool esHoraValida(const QString& texto);             // hh:mm, 00:00 to 23:59
QString textoHoraLarga(const QTime& hora);           // hh:mm:ss, the clock's form
QString numeroFactura(int codigo, const QString& fechaTexto);  // "{codigo}-ddmmyyyy"

}  // namespace formatos
