#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

// Clinic files made and read outside the program's windows, for the tests of files under
// faults and of the writer killed at random moments.

// A connection name no other test uses.
QString conexionNueva();

// Runs `hacer` on a plain connection to `ruta` (no checks, no lock), as a tool would.
void conConexion(const QString& ruta, const std::function<void(QSqlDatabase)>& hacer);

// A patient written straight through the program's statement.
void insertarPaciente(QSqlDatabase db, int codigo, const QString& apellido = "GARCÍA",
                      const QString& comentario = QString());

// A clinic file of ours with `pacientes` patients and one visit each.
void crearNuestro(const QString& ruta, int pacientes = 3);

// The program's own temporaries (interrupted saves, loads and conversions) in `carpeta`.
QStringList temporalesEn(const QString& carpeta);
