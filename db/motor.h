#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

// What differs between the two engines the data layer runs on: the embedded file (SQLite, one
// desk) and the practice's server (PostgreSQL, several desks). Statements are written once, in
// the SQL both understand; only what cannot be is decided here.
namespace motor {

// The connection works on the server, not on a file.
bool esServidor(const QSqlDatabase& db);

// The statement that opens a write transaction. The file's BEGIN IMMEDIATE takes the one write
// lock up front; on the server the same is had by taking the counter table's lock first, so
// that two desks' read-then-write changes (the code proposal above all) run one after the other.
QStringList inicioTransaccion(const QSqlDatabase& db);

// The file's table and index definitions, as written for the server: no STRICT (the server's
// types are strict already), integers of 64 bits as the file's (the checks keep codes, amounts
// and yes/no within theirs), every text compared byte by byte (COLLATE "C", as the file does),
// so sort keys, prefix ranges and hours order the same on both.
QString definicionServidor(const QString& definicionFichero);

// Clinora's schema on the server, from the file's statements (esquema::sentenciasCreacion):
// each mapped as above, then what only the server has: a change counter, and the triggers that
// count every change of patients and visits and announce it (NOTIFY kCanalAvisos), whoever
// makes it, so every desk can refresh.
QStringList esquemaServidor(const QStringList& sentenciasFichero);
inline const QString kCanalAvisos = QStringLiteral("clinora_cambios");
// The counter's current value: one cheap read, compared now and then in case a notice was missed.
inline const QString kLeerCambios = QStringLiteral("SELECT numero FROM clinora_cambios");

// The error came from the server (its five-character SQLSTATE, or the wording of a lost
// connection).
bool deServidor(const QSqlError& e);
// The server could not be reached, or the connection broke: nothing was stored.
bool conexionPerdida(const QSqlError& e);
// The server's refusal as the user sees it in the error box: a Spanish explanation, then the
// server's own text as detail.
QString textoErrorServidor(const QSqlError& e);

}  // namespace motor
