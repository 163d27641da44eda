// clinora-bd: makes clinic database files. Not part of the program, which never creates tables.
#include "db/consulta.h"
#include "db/reloj.h"
#include "db/esquema.h"
#include "db/error.h"
#include "db/generador.h"
#include "db/importar.h"
#include "db/servidor.h"
#include "db/traslado.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <termios.h>

namespace {

// The password asked on the terminal, unseen as it is typed, as the server's own tools ask it.
// False when there is no terminal to ask on, or nothing was typed.
bool preguntarContrasena(const servidor::Datos& datos, QString& contrasena)
{
    FILE* tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return false;
    const int fd = fileno(tty);
    std::fputs(QStringLiteral("Contraseña del usuario «%1» en el servidor %2: ")
                   .arg(datos.usuario, datos.descripcion())
                   .toLocal8Bit()
                   .constData(),
               tty);
    std::fflush(tty);
    termios antes{};
    const bool terminal = tcgetattr(fd, &antes) == 0;
    if (terminal) {
        termios sinEco = antes;
        sinEco.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &sinEco);
    }
    char linea[512] = {};
    const bool leida = std::fgets(linea, sizeof linea, tty) != nullptr;
    if (terminal)
        tcsetattr(fd, TCSAFLUSH, &antes);
    std::fputs("\n", tty);
    std::fclose(tty);
    contrasena = QString::fromLocal8Bit(linea).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    // Kept nowhere but in the connection.
    std::memset(linea, 0, sizeof linea);
    return leida && !contrasena.isEmpty();
}

// Connects as the program does: the password from ~/.pgpass, else asked (three tries).
QSqlDatabase conectar(const servidor::Datos& datos)
{
    QString contrasena;
    for (int intento = 0;; ++intento) {
        bool faltaContrasena = false;
        try {
            return servidor::conectar(datos, contrasena, QString(), &faltaContrasena);
        } catch (const DbError&) {
            if (!faltaContrasena || intento >= 3 || !preguntarContrasena(datos, contrasena))
                throw;
        }
    }
}

// clinora-bd servidor ORDEN [--ini FICHERO]: the server named in clinora.ini (beside the tool,
// unless --ini names another). The password comes from ~/.pgpass, or is asked on the terminal.
int ordenServidor(QStringList args, QTextStream& err)
{
    QString ini = consulta::rutaJuntoA(QCoreApplication::applicationFilePath());
    const qsizetype i = args.indexOf(QStringLiteral("--ini"));
    if (i >= 0 && i + 1 < args.size()) {
        ini = args.at(i + 1);
        args.remove(i, 2);
    }
    const bool crear = args.size() == 1 && args.at(0) == QLatin1String("crear");
    const bool actualizar = args.size() == 1 && args.at(0) == QLatin1String("actualizar");
    const bool fichero = args.size() == 2
                         && (args.at(0) == QLatin1String("subir")
                             || args.at(0) == QLatin1String("bajar"));
    if (!crear && !actualizar && !fichero) {
        err << "Uso: clinora-bd servidor crear|actualizar|subir FICHERO.mdb|bajar FICHERO.mdb "
               "[--ini FICHERO]\n"
               "  crear   crea las tablas de Clinora en la base de datos vacía del servidor\n"
               "          que indica la sección [Servidor] de clinora.ini\n"
               "  actualizar  pone al día las tablas de una versión anterior (antes guarda\n"
               "          una copia de los datos junto a clinora.ini)\n"
               "  subir   copia un fichero de Clinora en las tablas vacías del servidor\n"
               "  bajar   escribe los datos del servidor en un fichero de Clinora nuevo\n";
        return 2;
    }
    const std::optional<servidor::Datos> datos = servidor::leer(ini);
    if (!datos) {
        err << "ERROR: " << ini << " no tiene sección [Servidor].\n";
        return 1;
    }
    try {
        QSqlDatabase db = conectar(*datos);
        QTextStream out(stdout);
        if (crear) {
            servidor::crear(db);
        } else if (actualizar) {
            const QString copia = esquema::rutaCopiaAntesDeActualizar(ini);
            out << (servidor::actualizar(db, copia)
                        ? QStringLiteral("Tablas puestas al día; copia de los datos en %1.\n")
                              .arg(copia)
                        : QStringLiteral("Las tablas ya estaban al día.\n"));
        } else if (args.at(0) == QLatin1String("subir")) {
            servidor::verificar(db);
            const traslado::Cuentas c = traslado::subir(args.at(1), db);
            out << "Subidos " << c.pacientes << " pacientes y " << c.visitas << " citas.\n";
        } else {
            servidor::verificar(db);
            const traslado::Cuentas c = traslado::bajar(db, args.at(1));
            out << "Escritos " << c.pacientes << " pacientes y " << c.visitas << " citas en "
                << args.at(1) << ".\n";
        }
        db = QSqlDatabase();
        esquema::cerrar();
    } catch (const DbError& e) {
        esquema::cerrar();
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("servidor"))
        return ordenServidor(args.mid(2), err);
    const bool importar = args.size() == 4 && args.at(1) == QLatin1String("importar");
    if (!importar
        && (args.size() != 3 || !QStringList{"crear", "demo", "grande"}.contains(args.at(1)))) {
        err << "Uso: clinora-bd crear|demo|grande FICHERO\n"
               "     clinora-bd importar VIEJO.mdb NUEVO.mdb\n"
               "     clinora-bd servidor crear|subir F.mdb|bajar F.mdb [--ini FICHERO]\n"
               "  crear   base de datos vacía (tabla_codigo en 1)\n"
               "  demo    unos 40 pacientes con citas pasadas, de hoy y futuras, y un\n"
               "          clinora.ini de ejemplo al lado (si no hay ya uno)\n"
               "  grande  100.000 pacientes y 1.000.000 de visitas (para medir tiempos)\n"
               "  importar  convierte el fichero de Access VIEJO.mdb del programa anterior en\n"
               "            una base de datos nueva NUEVO.mdb (que no debe existir); VIEJO.mdb\n"
               "            no se modifica. Escribe el informe de la conversión.\n";
        return 2;
    }
    try {
        const QString orden = args.at(1);
        const QString fichero = args.at(2);
        if (importar) {
            QTextStream out(stdout);
            out << importacion::importar(fichero, args.at(3)).informe();
        } else if (orden == QLatin1String("crear")) {
            esquema::crearFichero(fichero);
        } else if (orden == QLatin1String("demo")) {
            generador::crearDemo(fichero, reloj::hoy());
            // The invoice's header comes from this file; a practice's own one is never replaced.
            const QString ini = consulta::rutaJuntoA(fichero);
            if (!consulta::escribirDemo(ini))
                err << "Se conserva el " << ini << " que ya existía.\n";
        } else {
            generador::crearGrande(fichero);
        }
    } catch (const DbError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
