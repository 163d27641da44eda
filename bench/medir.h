#pragma once

#include "db/sql.h"

#include <QList>
#include <QString>
#include <QSize>
#include <QStringList>

class QWidget;

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

// What every timed action shares: repeating a piece of work, reading the clock around it only,
// and the figures printed for it.
namespace bench {

// An action that cannot be measured; its text ends up in the notes.
class Fallo : public std::runtime_error {
public:
    explicit Fallo(const QString& texto)
        : std::runtime_error(texto.toStdString()), texto_(texto) {}
    const QString& texto() const { return texto_; }

private:
    QString texto_;
};

struct Tiempos {
    QList<double> ms;   // one per timed run, warm-up excluded

    double mediana() const
    {
        if (ms.isEmpty())
            return 0;
        QList<double> orden = ms;
        std::sort(orden.begin(), orden.end());
        const qsizetype mitad = orden.size() / 2;
        return orden.size() % 2 ? orden.at(mitad) : (orden.at(mitad - 1) + orden.at(mitad)) / 2;
    }
    double maximo() const { return ms.isEmpty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

struct Repeticiones {
    int veces = 20;
    int calentamiento = 1;   // first runs fill the caches and are not counted
};

inline double milisegundosDesde(std::chrono::steady_clock::time_point inicio)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - inicio)
        .count();
}

// Runs `hacer` warm-up plus `veces` times; only `hacer` is inside the clock. `antes(i)` puts
// the state in place for run i (i < 0 for warm-up runs) and is not timed.
inline Tiempos medir(const Repeticiones& r, const std::function<void(int)>& antes,
                     const std::function<void()>& hacer)
{
    Tiempos t;
    for (int i = -r.calentamiento; i < r.veces; ++i) {
        if (antes)
            antes(i);
        const auto inicio = std::chrono::steady_clock::now();
        hacer();
        const double ms = milisegundosDesde(inicio);
        if (i >= 0)
            t.ms.append(ms);
    }
    return t;
}

// As medir, but the first run is timed too and kept apart in `primera`: a window's first
// opening lays it out and fills the caches, and the user waits for that once.
inline Tiempos medirConPrimera(const Repeticiones& r, const std::function<void(int)>& antes,
                               const std::function<void()>& hacer, double* primera)
{
    Tiempos t = medir(Repeticiones{r.veces + 1, 0}, antes, hacer);
    *primera = t.ms.takeFirst();
    return t;
}

inline Tiempos medir(const Repeticiones& r, const std::function<void()>& hacer)
{
    return medir(r, nullptr, hacer);
}

// What the user waits for after an action: every pending layout and update handled and every
// part that changed painted, synchronously (a window just shown: painted whole). Every timing
// of a window ends with this.
void pintarVentana(QWidget* ventana);

// A window's size as the timings use it: a common laptop screen.
inline const QSize kPantalla(1366, 768);

// One printed line, plus notes printed after it (counts, memory, what a figure stands for).
struct Resultado {
    Tiempos programa;
    std::optional<Tiempos> desnudo;   // the same work straight on the engine; "-" when none
    QStringList notas;
    bool fallido = false;             // not measured: the line shows "-", the notes say why
};

// The driver's services the actions use.
class Contexto {
public:
    virtual ~Contexto() = default;
    virtual QString rutaBaseDatos() const = 0;
    virtual Repeticiones repeticiones() const = 0;
    // The ten windows on the database, created once on first use (needs no argument).
    virtual void asegurarVentanas() = 0;
    // The statement run bare on the engine's C API through a read-only connection of its own:
    // prepared, values bound, stepped to the end. Returns the row count of the last run.
    virtual Tiempos desnudo(const Sql& s, const Repeticiones& r, int* filas = nullptr) = 0;
    // The first row of a statement, read through that same connection; for the notes.
    virtual QVariantList primeraFila(const Sql& s) = 0;
    // Whether the slow step-by-step code search is to be run for comparison (--paso-a-paso).
    virtual bool pasoAPaso() const = 0;
};

struct Accion {
    QString nombre;
    std::function<Resultado(Contexto&)> ejecutar;
};

// The actions of each area of the program, in the order they are printed.
QList<Accion> accionesArranque();     // arranque.cpp
QList<Accion> accionesPrincipal();    // principal.cpp
QList<Accion> accionesRejilla();      // rejilla.cpp
QList<Accion> accionesCitas();        // citas.cpp
QList<Accion> accionesDatosCita();    // datoscita.cpp
QList<Accion> accionesPacientes();    // pacientes.cpp
QList<Accion> accionesListados();     // listados.cpp
QList<Accion> accionesFactura();      // factura.cpp
QList<Accion> accionesCopias();       // cargar.cpp
QList<Accion> accionesSesion();       // sesion.cpp
QList<Accion> accionesImportacion();  // importar.cpp

}  // namespace bench
