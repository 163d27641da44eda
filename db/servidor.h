#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

// The practice's data on a PostgreSQL server, for several desks at once. clinora.ini beside the
// program names it in a [Servidor] section; without one the program works on its file as
// always. The password is never kept: it comes from the server's own password file (~/.pgpass)
// or is asked at start.
namespace servidor {

inline const QString kGrupo = QStringLiteral("Servidor");

struct Datos {
    QString anfitrion;          // Anfitrion: host name, address, or the folder of its socket
    int puerto = 5432;          // Puerto
    QString base = QStringLiteral("clinora");   // Base
    QString usuario;            // Usuario
    bool cifrado = false;       // Cifrado=si: TLS required, else used when the server offers it

    // How the user sees it in messages: «base» en «anfitrion:puerto».
    QString descripcion() const;
};

// The [Servidor] section of `rutaIni`; none when the file or the section is missing.
std::optional<Datos> leer(const QString& rutaIni);

// Opens the connection `nombre` (the default one when empty) to the server. An empty password
// leaves it to ~/.pgpass. Gives up after about five seconds. Throws DbError with a Spanish
// message naming the server and what to check; `faltaContrasena` (when given) tells whether it
// was the password that was refused or missing.
QSqlDatabase conectar(const Datos& datos, const QString& contrasena,
                      const QString& nombre = QString(), bool* faltaContrasena = nullptr);

// Makes Clinora's tables on the server's empty database, in one transaction; refused when the
// database already holds tables of its own.
void crear(QSqlDatabase db);

// Checks the server's tables, indexes and rules are exactly those crear makes (nothing missing,
// nothing extra, each defined the same), and that the counter table has one row at most.
// Throws DbError with a Spanish message saying what is wrong.
void verificar(QSqlDatabase db);

// Brings tables made by the release before up to date, their data first kept in a clinic file
// at `rutaCopia` (when given), then checks them; false when they already were. It changes the
// tables, so it needs their owner (the administrator) unless the desks' user owns them.
bool actualizar(QSqlDatabase db, const QString& rutaCopia);

// What the program does at start on the server: connects, brings tables made by the release
// before up to date (their data first kept in a clinic file at `rutaCopia`, when given) and
// checks the tables.
QSqlDatabase abrirClinica(const Datos& datos, const QString& contrasena,
                          const QString& nombre = QString(), bool* faltaContrasena = nullptr,
                          const QString& rutaCopia = QString());

}  // namespace servidor
