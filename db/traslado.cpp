#include "db/traslado.h"

#include "db/acceso.h"
#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/motor.h"
#include "db/sql.h"
#include "db/verificacion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUuid>

#include <cstdio>

namespace traslado {

namespace {

struct Tabla {
    const char* nombre;
    QStringList columnas;
};

const Tabla kPaciente = {"Paciente",
                         {"codigo", "nombre", "apellido1", "apellido2", "dni", "tlf1", "tlf2",
                          "direccion", "poblacion", "provincia", "fecha_alta", "sociedad",
                          "comentario", "nombre_orden", "apellido1_orden", "apellido2_orden"}};
const Tabla kVisita = {"Visita",
                       {"codigo", "fecha", "pago", "cantidad", "observacion", "hora", "factura",
                        "num_factura"}};

QString citado(const QString& ruta)
{
    return QStringLiteral("«") + QDir::toNativeSeparators(ruta) + QStringLiteral("»");
}

qint64 contar(QSqlDatabase db, const char* tabla)
{
    return comando::valor(Sql{QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(tabla), {}},
                          db)
        .toLongLong();
}

// Every row of the table, in key order, written in batches of a few hundred rows per
// statement (values bound): far fewer round trips to the server than a row at a time.
void copiar(const Tabla& t, QSqlDatabase de, QSqlDatabase a)
{
    const QString columnas = t.columnas.join(QStringLiteral(", "));
    QSqlQuery leer(de);
    leer.setForwardOnly(true);
    if (!leer.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY codigo")
                       .arg(columnas, QLatin1String(t.nombre))))
        throw DbError(comando::textoError(leer.lastError()));
    const QString fila = QStringLiteral("(")
                         + QStringList(t.columnas.size(), QStringLiteral("?"))
                               .join(QStringLiteral(", "))
                         + QStringLiteral(")");
    const int porSentencia = 500;
    QVariantList valores;
    int filas = 0;
    const auto escribir = [&] {
        if (filas == 0)
            return;
        comando::ejecutar(Sql{QStringLiteral("INSERT INTO %1 (%2) VALUES ")
                                  .arg(QLatin1String(t.nombre), columnas)
                                  + QStringList(filas, fila).join(QStringLiteral(", ")),
                              valores},
                          a);
        valores.clear();
        filas = 0;
    };
    while (leer.next()) {
        for (int c = 0; c < t.columnas.size(); ++c)
            valores << leer.value(c);
        if (++filas == porSentencia)
            escribir();
    }
    if (leer.lastError().isValid())
        throw DbError(comando::textoError(leer.lastError()));
    escribir();
}

// Both tables and the counter, inside the caller's transaction on `a`, then the rows counted on
// both sides.
Cuentas copiarTodo(QSqlDatabase de, QSqlDatabase a, const QString& que)
{
    copiar(kPaciente, de, a);
    copiar(kVisita, de, a);
    const QVariant contador = comando::valor(sql::leerTablaCodigo(), de);
    comando::ejecutar(Sql{QStringLiteral("DELETE FROM tabla_codigo"), {}}, a);
    if (!contador.isNull())
        comando::ejecutar(sql::reponerTablaCodigo(contador.toLongLong()), a);
    Cuentas cuentas{contar(de, "Paciente"), contar(de, "Visita")};
    if (contar(a, "Paciente") != cuentas.pacientes || contar(a, "Visita") != cuentas.visitas)
        throw DbError(que + QStringLiteral(" Las cuentas de filas no coinciden tras la copia."));
    return cuentas;
}

}  // namespace

namespace {

// The file checked, then copied into the server in one transaction; `vaciar` empties the
// server's tables first, else they must be empty.
Cuentas cargarEnServidor(const QString& fichero, QSqlDatabase servidor, bool vaciar)
{
    const QString que = QStringLiteral("ERROR: No se ha cargado %1 en el servidor; el servidor "
                                       "sigue como estaba.")
                            .arg(citado(fichero));
    esquema::verificarFicheroCompleto(fichero);
    if (esquema::verificarFichero(fichero) < esquema::kUserVersion)
        throw DbError(que + QStringLiteral(" El fichero es de una versión anterior de Clinora: "
                                           "ábralo una vez con este programa para ponerlo al "
                                           "día."));
    const QString conexion = QStringLiteral("subir-") + QUuid::createUuid().toString();
    Cuentas cuentas;
    try {
        QSqlDatabase origen = esquema::abrir(fichero, conexion);
        comando::Transaccion t(servidor);
        if (vaciar) {
            comando::ejecutar(Sql{QStringLiteral("DELETE FROM Visita"), {}}, servidor);
            comando::ejecutar(Sql{QStringLiteral("DELETE FROM Paciente"), {}}, servidor);
        } else if (contar(servidor, "Paciente") != 0 || contar(servidor, "Visita") != 0) {
            throw DbError(que + QStringLiteral(" Las tablas del servidor ya tienen datos; solo "
                                               "se sube a un servidor vacío."));
        }
        cuentas = copiarTodo(origen, servidor, que);
        t.commit();
    } catch (...) {
        esquema::cerrar(conexion);
        throw;
    }
    esquema::cerrar(conexion);
    return cuentas;
}

}  // namespace

Cuentas subir(const QString& fichero, QSqlDatabase servidor)
{
    return cargarEnServidor(fichero, servidor, false);
}

Cuentas reemplazar(const QString& fichero, QSqlDatabase servidor)
{
    return cargarEnServidor(fichero, servidor, true);
}

Cuentas bajar(QSqlDatabase servidor, const QString& destino, bool reemplazar)
{
    const QString que = QStringLiteral("ERROR: No se ha podido escribir %1; no se ha guardado "
                                       "nada.")
                            .arg(citado(destino));
    if (!reemplazar && QFileInfo::exists(destino))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citado(destino)));
    const QString temporal = acceso::nombreTemporal(destino);
    const QString conexion = QStringLiteral("bajar-") + QUuid::createUuid().toString();
    const auto quitar = [&] {
        esquema::cerrar(conexion);
        QFile::remove(temporal);
        QFile::remove(temporal + QStringLiteral("-journal"));
    };
    Cuentas cuentas;
    try {
        esquema::crearFichero(temporal);
        {
            QSqlDatabase copia = esquema::abrir(temporal, conexion);
            // One snapshot of the server: rows another desk writes meanwhile are all in or
            // all out.
            comando::ejecutar(Sql{QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ "
                                                 "READ ONLY"),
                                  {}},
                              servidor);
            struct Fin {
                QSqlDatabase db;
                ~Fin() { QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); }
            } fin{servidor};
            comando::Transaccion t(copia);
            cuentas = copiarTodo(servidor, copia, que);
            t.commit();
        }
        // The copy's handle is gone before its connection is removed.
        esquema::cerrar(conexion);
        esquema::verificarFicheroCompleto(temporal, esquema::Comprobacion::Rapida);
        // QFile::rename never replaces a file (one may have appeared meanwhile); the system's
        // rename replaces in one step, when that was chosen.
        const bool movido =
            reemplazar ? std::rename(QFile::encodeName(temporal).constData(),
                                     QFile::encodeName(destino).constData())
                             == 0
                       : QFile::rename(temporal, destino);
        if (!movido)
            throw DbError(que);
    } catch (...) {
        quitar();
        throw;
    }
    quitar();
    return cuentas;
}

void guardarCopia(QSqlDatabase db, const QString& destino, const copia::Progreso& progreso)
{
    if (motor::esServidor(db))
        bajar(db, destino, true);
    else
        copia::guardar(db, destino, progreso);
}

}  // namespace traslado
