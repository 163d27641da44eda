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
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>

#include <libpq-fe.h>

#include <cstdio>
#include <optional>

namespace traslado {

namespace {

struct Tabla {
    const char* nombre;
    QStringList columnas;
    const char* orden;
};

const Tabla kPaciente = {"Paciente",
                         {"codigo", "nombre", "apellido1", "apellido2", "dni", "tlf1", "tlf2",
                          "direccion", "poblacion", "provincia", "fecha_alta", "sociedad",
                          "comentario", "nombre_orden", "apellido1_orden", "apellido2_orden"},
                         "codigo"};
const Tabla kVisita = {"Visita",
                       {"codigo", "fecha", "pago", "cantidad", "observacion", "hora", "factura",
                        "num_factura"},
                       "codigo, fecha"};
// The register of invoice numbers given: without it a number could be given twice.
const Tabla kFactura = {"Factura", {"ano", "numero", "codigo", "fecha", "emitida"}, "ano, numero"};

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

// The rows read from `leer`, which runs the table's SELECT in key order.
QSqlQuery leerTabla(const Tabla& t, QSqlDatabase de)
{
    QSqlQuery leer(de);
    leer.setForwardOnly(true);
    if (!leer.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                       .arg(t.columnas.join(QStringLiteral(", ")), QLatin1String(t.nombre),
                            QLatin1String(t.orden))))
        throw DbError(comando::textoError(leer.lastError()));
    return leer;
}

// Into the file: one insert prepared once and run for every row, values bound; inside the
// caller's transaction the engine makes that about as fast as anything it has.
void insertarEnFichero(const Tabla& t, QSqlDatabase de, QSqlDatabase a)
{
    QSqlQuery leer = leerTabla(t, de);
    QSqlQuery escribir(a);
    if (!escribir.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(QLatin1String(t.nombre), t.columnas.join(QStringLiteral(", ")),
                                   QStringList(t.columnas.size(), QStringLiteral("?"))
                                       .join(QStringLiteral(", ")))))
        throw DbError(comando::textoError(escribir.lastError()));
    QVariantList valores(t.columnas.size());
    while (leer.next()) {
        for (int c = 0; c < t.columnas.size(); ++c)
            valores[c] = leer.value(c);
        comando::enlazar(escribir, valores);
        if (!escribir.exec())
            throw DbError(comando::textoError(escribir.lastError()));
    }
    if (leer.lastError().isValid())
        throw DbError(comando::textoError(leer.lastError()));
}

// The server's refusal of the load (`r`, else the connection's last error), worded as any other
// of its errors.
QString falloDeCarga(PGconn* pg, const PGresult* r = nullptr)
{
    const char* estado = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const QString texto = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(pg));
    return motor::textoErrorServidor(QSqlError(QString(), texto.trimmed(),
                                               r ? QSqlError::StatementError
                                                 : QSqlError::ConnectionError,
                                               QString::fromLatin1(estado ? estado : "")));
}

// One value as a field of the server's bulk-load text: \N for none, and the four characters
// that shape the text escaped.
void anadirCampo(QByteArray& datos, const QVariant& v)
{
    if (v.isNull()) {
        datos += "\\N";
        return;
    }
    const QByteArray texto = v.toString().toUtf8();
    for (const char c : texto) {
        switch (c) {
        case '\\': datos += "\\\\"; break;
        case '\t': datos += "\\t"; break;
        case '\n': datos += "\\n"; break;
        case '\r': datos += "\\r"; break;
        default: datos += c;
        }
    }
}

// Into the server: the server's own bulk load (COPY ... FROM STDIN) on the connection's
// handle, the rows streamed as data, never as statement text; a fraction of the time a million
// INSERTs take. Inside the caller's transaction, so a failure leaves nothing behind.
void volcarEnServidor(const Tabla& t, QSqlDatabase de, QSqlDatabase a)
{
    const QVariant handle = a.driver()->handle();
    // Qt's driver hands its libpq connection over as the type's own name.
    PGconn* pg = qstrcmp(handle.typeName(), "pg_conn*") == 0
                     ? *static_cast<PGconn* const*>(handle.constData())
                     : nullptr;
    if (!pg)
        throw DbError(QStringLiteral("ERROR: No se puede cargar en el servidor: la conexión no "
                                     "es de PostgreSQL."));
    QSqlQuery leer = leerTabla(t, de);
    const QByteArray orden = QStringLiteral("COPY %1 (%2) FROM STDIN")
                                 .arg(QLatin1String(t.nombre),
                                      t.columnas.join(QStringLiteral(", ")))
                                 .toUtf8();
    PGresult* r = PQexec(pg, orden.constData());
    const QString rechazo = PQresultStatus(r) == PGRES_COPY_IN ? QString() : falloDeCarga(pg, r);
    PQclear(r);
    if (!rechazo.isEmpty())
        throw DbError(rechazo);
    QByteArray datos;
    datos.reserve(1 << 20);
    bool enviado = true;
    const auto enviar = [&] {
        if (enviado && !datos.isEmpty())
            enviado = PQputCopyData(pg, datos.constData(), int(datos.size())) == 1;
        datos.resize(0);
    };
    const int columnas = int(t.columnas.size());
    while (enviado && leer.next()) {
        for (int c = 0; c < columnas; ++c) {
            if (c > 0)
                datos += '\t';
            anadirCampo(datos, leer.value(c));
        }
        datos += '\n';
        if (datos.size() >= (1 << 20))
            enviar();
    }
    // A read that failed ends the load unfinished: the server discards what it had.
    const bool leido = !leer.lastError().isValid();
    enviar();
    PQputCopyEnd(pg, enviado && leido ? nullptr : "carga interrumpida");
    // Every result is read, so the connection is ready for the next statement.
    QString fallo;
    while ((r = PQgetResult(pg)) != nullptr) {
        if (fallo.isEmpty() && PQresultStatus(r) != PGRES_COMMAND_OK)
            fallo = falloDeCarga(pg, r);
        PQclear(r);
    }
    if (!leido)
        throw DbError(comando::textoError(leer.lastError()));
    if (!enviado && fallo.isEmpty())
        fallo = falloDeCarga(pg);
    if (!fallo.isEmpty())
        throw DbError(fallo);
}

// On the server an index grown row by row under a million new rows costs several times what
// building it once over them does. Within the load's transaction the patients' and visits'
// secondary indexes, unique pair and foreign key are set aside, each as the server's catalogue
// defines it; rehacer() makes each again from that same definition, the key checking every row
// then, and refuses the load unless everything reads exactly as before.
class IndicesAparte {
public:
    explicit IndicesAparte(QSqlDatabase db) : db_(db)
    {
        definiciones_ = leer();
        // Keys that point at an index go first; the indexes they point at, after.
        for (const char* tipo : {"f", "u", "i"}) {
            for (const auto& d : std::as_const(definiciones_)) {
                if (d.tipo == QLatin1String(tipo))
                    comando::ejecutar(Sql{d.quitar, {}}, db_);
            }
        }
    }

    // Only the tables' owner may set their indexes aside: the desks' user may not.
    static bool posible(QSqlDatabase db)
    {
        return comando::valor(Sql{QStringLiteral("SELECT bool_and(pg_has_role(relowner, "
                                                 "'USAGE')) FROM pg_class WHERE oid IN "
                                                 "('paciente'::regclass, 'visita'::regclass)"),
                                  {}},
                              db)
            .toBool();
    }

    void rehacer(const QString& que)
    {
        for (const char* tipo : {"u", "i", "f"}) {
            for (const auto& d : std::as_const(definiciones_)) {
                if (d.tipo == QLatin1String(tipo))
                    comando::ejecutar(Sql{d.crear, {}}, db_);
            }
        }
        if (leer() != definiciones_)
            throw DbError(que + QStringLiteral(" Los índices del servidor no han quedado como "
                                               "estaban."));
    }

private:
    struct Definicion {
        QString tipo, quitar, crear;
        bool operator==(const Definicion&) const = default;
    };

    QList<Definicion> leer() const
    {
        QSqlQuery q = comando::preparar(
            Sql{QStringLiteral(
                    "SELECT c.contype::text,"
                    " format('ALTER TABLE %s DROP CONSTRAINT %I', c.conrelid::regclass, c.conname),"
                    " format('ALTER TABLE %s ADD CONSTRAINT %I %s', c.conrelid::regclass, c.conname,"
                    " pg_get_constraintdef(c.oid))"
                    " FROM pg_constraint c WHERE c.conrelid IN ('paciente'::regclass,"
                    " 'visita'::regclass) AND c.contype IN ('u', 'f')"
                    " UNION ALL SELECT 'i', format('DROP INDEX %s', i.indexrelid::regclass),"
                    " pg_get_indexdef(i.indexrelid)"
                    " FROM pg_index i WHERE i.indrelid IN ('paciente'::regclass, 'visita'::regclass)"
                    " AND NOT EXISTS (SELECT 1 FROM pg_constraint c WHERE c.conindid = i.indexrelid"
                    " AND c.contype IN ('p', 'u', 'x'))"
                    " ORDER BY 3"),
                {}},
            db_);
        QList<Definicion> lista;
        while (q.next())
            lista.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
        return lista;
    }

    QSqlDatabase db_;
    QList<Definicion> definiciones_;
};

// Every row of the table, in key order, into the other side.
void copiar(const Tabla& t, QSqlDatabase de, QSqlDatabase a)
{
    if (motor::esServidor(a))
        volcarEnServidor(t, de, a);
    else
        insertarEnFichero(t, de, a);
}

// Both tables and the counter, inside the caller's transaction on `a`, then the rows counted on
// both sides.
Cuentas copiarTodo(QSqlDatabase de, QSqlDatabase a, const QString& que)
{
    for (const Tabla* t : {&kPaciente, &kVisita, &kFactura})
        copiar(*t, de, a);
    const QVariant contador = comando::valor(sql::leerTablaCodigo(), de);
    comando::ejecutar(Sql{QStringLiteral("DELETE FROM tabla_codigo"), {}}, a);
    if (!contador.isNull())
        comando::ejecutar(sql::reponerTablaCodigo(contador.toLongLong()), a);
    Cuentas cuentas{contar(de, "Paciente"), contar(de, "Visita")};
    if (contar(a, "Paciente") != cuentas.pacientes || contar(a, "Visita") != cuentas.visitas
        || contar(a, "Factura") != contar(de, "Factura"))
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
    if (esquema::verificarFicheroCompleto(fichero) < esquema::kUserVersion)
        throw DbError(que + QStringLiteral(" El fichero es de una versión anterior de Clinora: "
                                           "ábralo una vez con este programa para ponerlo al "
                                           "día."));
    const QString conexion = QStringLiteral("subir-") + QUuid::createUuid().toString();
    Cuentas cuentas;
    try {
        QSqlDatabase origen = esquema::abrir(fichero, conexion);
        comando::Transaccion t(servidor);
        // Everything is in the one commit, or nothing: waiting for the disk there adds no safety.
        // A load of a whole practice takes longer than a desk's statements are allowed.
        comando::ejecutar(Sql{QStringLiteral("SET LOCAL synchronous_commit = off"), {}}, servidor);
        comando::ejecutar(Sql{QStringLiteral("SET LOCAL statement_timeout = 0"), {}}, servidor);
        if (vaciar) {
            for (const char* tabla : {"Factura", "Visita", "Paciente"})
                comando::ejecutar(Sql{QStringLiteral("DELETE FROM ") + QLatin1String(tabla), {}},
                                  servidor);
        } else if (contar(servidor, "Paciente") != 0 || contar(servidor, "Visita") != 0
                   || contar(servidor, "Factura") != 0) {
            throw DbError(que + QStringLiteral(" Las tablas del servidor ya tienen datos; solo "
                                               "se sube a un servidor vacío."));
        }
        // Onto the empty tables of a practice moving up, no desk reading yet, the indexes are
        // made once after the rows. Replacing the data under desks at work ("Cargar copia")
        // goes through them: the other desks keep reading the old rows until the commit.
        std::optional<IndicesAparte> indices;
        if (!vaciar && IndicesAparte::posible(servidor))
            indices.emplace(servidor);
        cuentas = copiarTodo(origen, servidor, que);
        if (indices)
            indices->rehacer(que);
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
            // The read of a large practice's visits lasts as long as the file takes to write
            // them, longer than a desk's statements are allowed.
            comando::ejecutar(Sql{QStringLiteral("SET LOCAL statement_timeout = 0"), {}},
                              servidor);
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
