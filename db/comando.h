#pragma once

#include "db/sql.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <functional>

// Running single statements on a connection; any rejection becomes a DbError.
namespace comando {

// The engine's message as the user sees it in the error box: a Spanish explanation of the usual
// failures (busy, read-only, disk full, damaged file, a rule of the tables), then the engine's
// own text as detail. Keyed on the engine's result code, else on its wording.
QString textoError(const QSqlError& e);
QString textoErrorMotor(int codigo, const QString& texto);

// Once the data file is found damaged: every later write through the connection `conexion` is
// refused with `motivo`, before it reaches the engine. An empty text lifts the ban (a fresh
// file was opened).
void prohibirEscritura(const QString& motivo,
                       const QString& conexion = QString(QSqlDatabase::defaultConnection));
QString motivoProhibicion(const QString& conexion = QString(QSqlDatabase::defaultConnection));

// Binds values in order to a prepared query.
void enlazar(QSqlQuery& q, const QVariantList& valores);
// `soloAvance`: the rows are stepped through once, forward, and not kept by the driver.
QSqlQuery preparar(const Sql& s, QSqlDatabase db = QSqlDatabase::database(),
                   bool soloAvance = false);
// Runs a statement whose rows are read at once, before any other statement of the same text
// runs. On the server, outside a Transaccion, its prepared form is kept for the next run of that
// text on the connection: one exchange with the server instead of three (prepare, run,
// release); values stay bound.
QSqlQuery leer(const Sql& s, QSqlDatabase db = QSqlDatabase::database());
// Lets go of what leer keeps for the connection `conexion`, before it is closed.
void olvidarPreparadas(const QString& conexion);
// Runs a statement that changes rows; returns how many rows it changed.
int ejecutar(const Sql& s, QSqlDatabase db = QSqlDatabase::database());
// Runs an insert whose duplicate was ruled out just before. When the database's own key
// refuses it all the same (another copy of the program wrote first) and `yaExiste` confirms
// the row is there now, returns false with nothing stored; any other error is raised.
bool insertarSiSigueLibre(const Sql& insercion, const std::function<bool()>& yaExiste,
                          QSqlDatabase db = QSqlDatabase::database());

// Runs a query and returns the first column of its first row (null when there is none).
QVariant valor(const Sql& s, QSqlDatabase db = QSqlDatabase::database());
// Runs a query and returns the first column of every row, as text.
QStringList columna(const Sql& s, QSqlDatabase db = QSqlDatabase::database());

// Scope guard: rolls back unless commit() was reached, so a multi-statement change is all or
// nothing. Starts as a write transaction (BEGIN IMMEDIATE), so a read-then-write change never
// meets another writer half-way.
class Transaccion {
public:
    explicit Transaccion(QSqlDatabase db = QSqlDatabase::database());
    ~Transaccion();
    void commit();
    Transaccion(const Transaccion&) = delete;
    Transaccion& operator=(const Transaccion&) = delete;

private:
    QSqlDatabase db_;
    bool abierta_ = false;
};

}  // namespace comando
