#pragma once

#include "app/aplicacion.h"
#include "app/ventanas.h"
#include "db/servidor.h"
#include "tests/support/ayudas.h"
#include "ui/common/mensajes.h"
#include "ui/common/ventana.h"

#include <QHash>
#include <QSqlDatabase>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// What every test gets: a fresh clinic database in its own temporary folder, a scripted
// answerer in place of the message boxes, and modal windows that run a script instead of
// waiting for a user. Built per test function (init/cleanup), never shared between tests.
class Entorno {
public:
    Entorno();
    ~Entorno();
    Entorno(const Entorno&) = delete;
    Entorno& operator=(const Entorno&) = delete;

    QString carpeta() const { return dir_.path(); }
    QString rutaBD() const;

    // The tests run on the practice's server when CLINORA_PRUEBAS_SERVIDOR names the folder of
    // the test server (scripts/servidor_pruebas.sh): each test then gets emptied tables in a
    // database of its own test program, and a clinora.ini beside rutaBD() naming it.
    static bool enServidor();
    // The test server's connection data, for a database of this test program.
    static servidor::Datos servidorDePruebas();
    // The desk (its windows and the rows below) works on `datos` instead, from now on.
    void usarServidor(const servidor::Datos& datos);

    // Creates the ten windows on this database, as the program does at start.
    bool crearVentanas();

    // Rows written straight into the database (the default connection once the windows exist,
    // a private one before).
    void paciente(int codigo, const QString& apellido1 = QStringLiteral("GARCÍA"),
                  const QString& nombre = QStringLiteral("ANA"),
                  const QString& apellido2 = QStringLiteral("LÓPEZ"));
    void visita(int codigo, const QString& fecha, const QString& hora, bool pago = false,
                const QString& observacion = QString());
    void exec(const QString& sql, const QVariantList& valores = {});
    QVariant valor(const QString& sql, const QVariantList& valores = {});

    // Message boxes: every text shown, in order, with its kind; answers are taken from the
    // front of `respuestas` (OK / index) and default to 1 (OK) when it is empty.
    QStringList textos;
    QList<mensajes::Tipo> tipos;
    QList<int> respuestas;

    // Modal windows: the objectName of each window opened, in order; `guiones` may hold, by
    // objectName, what to do while that window is open (it returns the dialog's result).
    QStringList abiertas;
    QHash<QString, std::function<int(Ventana*)>> guiones;

    // Runs `accion` with the real message boxes up, each answered by the Enter key alone, as a
    // user who does not read; their texts are added to `textos`.
    void responderConEnter(const std::function<void()>& accion);

    // Opens the window through the modal opener, as a user's click would, and runs `guion`
    // while it is open; a window the script left open is then closed from its title bar.
    // Returns the dialog's result (Accepted once the window closed itself on success).
    int abrir(Ventana* ventana, std::function<void()> guion);
    // The same script for a window the program itself opens later (a button pressed in the
    // script of the window beneath): the real hand-off, not one done by hand.
    void alAbrir(const QString& ventana, std::function<void()> guion);

    // The connection the rows above are written through.
    QSqlDatabase conexion();
    // Another desk on the same data: a connection `nombre` of its own, to the file or to the
    // server. Closed with esquema::cerrar(nombre).
    QSqlDatabase otroPuesto(const QString& nombre) const;

private:
    void responderConGuion();

    QTemporaryDir dir_;
    bool ventanas_ = false;
};

// The message of the DbError that `accion` raises; empty when it raises none.
QString mensajeDe(const std::function<void()>& accion);

// The controls Tab visits from `inicio` round to it again, by name: enabled ones that take Tab,
// not the inner parts of a control (the calendar's buttons, a box's own text) nor Qt's own.
// Those without an accessible name are added to `sinNombre`.
QStringList ordenDeTabulacion(QWidget* inicio, QStringList* sinNombre);

// A check of the file itself (its bytes, its header, the engine's pragmas): nothing of it exists
// on the server.
#define SOLO_FICHERO()                                                                       \
    do {                                                                                     \
        if (Entorno::enServidor())                                                           \
            QSKIP("Solo con el fichero de datos.");                                          \
    } while (false)

// What only a practice with several desks has (two desks at once, moving data up, its schema,
// its connection): these run in the pass on the private server, which fails the run when it
// cannot start; the pass on the file leaves them out.
#define VARIOS_PUESTOS()                                                                     \
    do {                                                                                     \
        if (!Entorno::enServidor())                                                          \
            QSKIP("De la instalación de varios puestos; esta pasada es la del fichero.");    \
    } while (false)

// The test program's main: our application object (so database errors reach the one error
// box), Spanish as in the program, offscreen.
#define CLINORA_TEST_MAIN(Clase)                                                             \
    int main(int argc, char** argv)                                                          \
    {                                                                                        \
        Aplicacion app(argc, argv);                                                          \
        programa::configurarIdioma();                                                        \
        Clase prueba;                                                                        \
        return QTest::qExec(&prueba, argc, argv);                                            \
    }
