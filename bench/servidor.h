#pragma once

#include "bench/medir.h"
#include "db/servidor.h"

#include <QSqlDatabase>
#include <QTemporaryDir>

namespace bench {

// A private PostgreSQL server for the run, in a temporary folder, with an empty database
// "clinora"; stopped and removed at the end.
class ServidorDePruebas {
public:
    ServidorDePruebas();
    ~ServidorDePruebas();
    ServidorDePruebas(const ServidorDePruebas&) = delete;
    ServidorDePruebas& operator=(const ServidorDePruebas&) = delete;

    const servidor::Datos& datos() const { return datos_; }
    // Where the program is pointed: a clinora.mdb that does not exist, with a clinora.ini beside
    // it naming the server.
    QString rutaBaseDatos() const;

    // Makes the tables and moves the file up (timed), then writes the clinora.ini.
    Resultado subir(const QString& fichero);

    // The statement through a plain connection of its own: prepared, bound, read to the end.
    Tiempos desnudo(const Sql& s, const Repeticiones& r, int* filas);
    QVariantList primeraFila(const Sql& s);
    void cerrarConexiones();

private:
    QSqlDatabase conexionDesnuda();

    QTemporaryDir carpeta_;
    servidor::Datos datos_;
    bool arrancado_ = false;
};

// The other desk's booking, seen on this desk's day list.
Resultado otroPuesto(Contexto& c, ServidorDePruebas& s);

}  // namespace bench
