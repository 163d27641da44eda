// clinora-bd: makes clinic database files. Not part of the program, which never creates tables.
#include "db/consulta.h"
#include "db/reloj.h"
#include "db/esquema.h"
#include "db/error.h"
#include "db/generador.h"
#include "db/importar.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const bool importar = args.size() == 4 && args.at(1) == QLatin1String("importar");
    if (!importar
        && (args.size() != 3 || !QStringList{"crear", "demo", "grande"}.contains(args.at(1)))) {
        err << "Uso: clinora-bd crear|demo|grande FICHERO\n"
               "     clinora-bd importar VIEJO.mdb NUEVO.mdb\n"
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
