#include "db/importar.h"

#include "db/citado.h"
#include "db/comando.h"
#include "db/convertidores.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "db/verificacion.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUuid>

#include <mdbtools.h>

#include <memory>
#include <optional>
#include <vector>

namespace importacion {

namespace {

std::function<void(const QString&)>& ganchoDePrueba()
{
    static std::function<void(const QString&)> gancho;
    return gancho;
}

// libmdb cuts every value at the bound buffer's size; a memo of 64K characters in UTF-8 fits.
constexpr size_t kTamValor = 256 * 1024;

using Access = TablasAccess;

int columnaDe(const Tabla& t, const QString& nombre)
{
    return int(t.columnas.indexOf(nombre));
}

void cerrarMdb(MdbHandle* h)
{
    if (h)
        mdb_close(h);
}

Tabla leerTabla(MdbCatalogEntry* entrada, const QString& ruta)
{
    MdbTableDef* definicion = mdb_read_table(entrada);
    if (!definicion)
        throw DbError(QStringLiteral("ERROR: No se puede leer la tabla «%1» del fichero %2.")
                          .arg(QString::fromUtf8(entrada->object_name), citadoRuta(ruta)));
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> guarda(definicion, mdb_free_tabledef);
    mdb_read_columns(definicion);
    mdb_rewind_table(definicion);

    Tabla t;
    t.existe = true;
    t.declaradas = definicion->num_rows;
    const int n = int(definicion->num_cols);
    std::vector<std::vector<char>> valores(size_t(n), std::vector<char>(kTamValor + 1, '\0'));
    std::vector<int> largos(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(definicion->columns, i));
        t.columnas << QString::fromUtf8(col->name).toLower();
        mdb_bind_column(definicion, i + 1, valores[size_t(i)].data(), &largos[size_t(i)]);
    }
    while (mdb_fetch_row(definicion)) {
        QStringList fila;
        fila.reserve(n);
        for (int i = 0; i < n; ++i) {
            const char* v = valores[size_t(i)].data();
            fila << QString::fromUtf8(v, qsizetype(qstrnlen(v, kTamValor)));
        }
        t.filas << fila;
    }
    return t;
}

Access leerAccess(const QString& ruta)
{
    // Opened without the writable flag: libmdb then only ever reads the file.
    std::unique_ptr<MdbHandle, void (*)(MdbHandle*)> mdb(
        mdb_open(QFile::encodeName(ruta).constData(), MDB_NOFLAGS), cerrarMdb);
    if (!mdb)
        throw DbError(QStringLiteral("ERROR: No se puede abrir el fichero de Access %1 (está "
                                     "dañado o no es de Access).")
                          .arg(citadoRuta(ruta)));
    mdb_set_bind_size(mdb.get(), kTamValor);
    mdb_set_boolean_fmt_numbers(mdb.get());
    // A date-and-time column prints in one known form, which fechaImportada reads.
    mdb_set_date_fmt(mdb.get(), "%d/%m/%Y %H:%M:%S");
    // The catalog is read once: reading a table by name would read it again and free the
    // tables already opened.
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw DbError(QStringLiteral("ERROR: No se puede leer la lista de tablas del fichero %1.")
                          .arg(citadoRuta(ruta)));
    Access a;
    GPtrArray* catalogo = mdb.get()->catalog;
    for (guint i = 0; i < catalogo->len; ++i) {
        auto* entrada = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalogo, i));
        if (entrada->object_type != MDB_TABLE || mdb_is_system_table(entrada))
            continue;
        const QString nombre = QString::fromUtf8(entrada->object_name);
        Tabla* destino = nullptr;
        if (nombre.compare(QLatin1String("Paciente"), Qt::CaseInsensitive) == 0)
            destino = &a.paciente;
        else if (nombre.compare(QLatin1String("Visita"), Qt::CaseInsensitive) == 0)
            destino = &a.visita;
        else if (nombre.compare(QLatin1String("tabla_codigo"), Qt::CaseInsensitive) == 0)
            destino = &a.codigo;
        if (!destino)
            a.otras << nombre;
        else if (!destino->existe)
            *destino = leerTabla(entrada, ruta);
    }
    return a;
}

QString valor(const QStringList& fila, int columna)
{
    return columna < 0 || columna >= fila.size() ? QString() : fila.at(columna);
}

const QStringList kColumnasPaciente{"codigo",    "nombre",     "apellido1", "apellido2", "dni",
                                    "tlf1",      "tlf2",       "direccion", "poblacion",
                                    "provincia", "fecha_alta", "sociedad",  "comentario"};
const QStringList kColumnasVisita{"codigo",      "fecha", "pago",    "cantidad",
                                  "observacion", "hora",  "factura", "num_factura"};

QString filas(qint64 n)
{
    return n == 1 ? QStringLiteral("1 fila") : QStringLiteral("%1 filas").arg(n);
}

// A table whose rows could not all be read: a damaged page is skipped by libmdb without a word,
// so the count the table declares is what gives it away. Fewer rows: refused, as converting
// would lose them silently; more (a count left stale): only noted.
void comprobarFilasLeidas(const Tabla& t, const QString& tabla, const QString& origen,
                          QStringList& notas)
{
    if (!t.existe || t.declaradas < 0 || t.filas.size() == t.declaradas)
        return;
    if (t.filas.size() < t.declaradas)
        throw DbError(QStringLiteral(
            "ERROR: El fichero de Access %1 está dañado: la tabla «%2» dice tener %3 y solo "
            "se han podido leer %4. Convertirlo ahora perdería las que faltan. Repare el "
            "fichero con Access (\"Compactar y reparar base de datos\") o use una copia "
            "anterior, y vuelva a intentarlo.")
                          .arg(citadoRuta(origen), tabla, filas(t.declaradas))
                          .arg(t.filas.size()));
    notas << QStringLiteral("La tabla «%1» del fichero original dice tener %2 y se han leído "
                            "%3; se han convertido todas las leídas.")
                 .arg(tabla, filas(t.declaradas))
                 .arg(t.filas.size());
}

// Columns of the old table that the clinic database has no place for.
void anotarColumnasAjenas(const Tabla& t, const QString& tabla, const QStringList& nuestras,
                          QStringList& notas)
{
    QStringList ajenas;
    for (const QString& c : t.columnas) {
        if (!nuestras.contains(c))
            ajenas << citado(c);
    }
    if (!ajenas.isEmpty())
        notas << QStringLiteral("La tabla «%1» del fichero original tiene columnas que no se "
                                "importan: %2.")
                     .arg(tabla, ajenas.join(QStringLiteral(", ")));
}

class Conversion {
public:
    Conversion(const Access& a, Resultado& r, QSqlDatabase db) : a_(a), r_(r), db_(db) {}

    void pacientes();
    void visitas();
    void tablaCodigo();

private:
    int columna(const Tabla& t, const QString& tabla, const QString& nombre, bool obligatoria);
    std::optional<qint64> pacienteDeVisita(const QString& textoCodigo, const QString& quien);

    const Access& a_;
    Resultado& r_;
    QSqlDatabase db_;
    QSet<qint64> importados_;
    QSet<qint64> rechazados_;
    qint64 maximo_ = 0;
};

int Conversion::columna(const Tabla& t, const QString& tabla, const QString& nombre,
                        bool obligatoria)
{
    const int i = columnaDe(t, nombre);
    if (i >= 0)
        return i;
    if (obligatoria)
        throw DbError(QStringLiteral("ERROR: En el fichero de Access %1 a la tabla «%2» le falta "
                                     "la columna «%3»; no se puede convertir.")
                          .arg(citadoRuta(r_.origen), tabla, nombre));
    r_.notas << QStringLiteral("La tabla «%1» del fichero original no tiene la columna «%2»: "
                               "queda vacía en todas las filas.")
                    .arg(tabla, nombre);
    return -1;
}

void Conversion::pacientes()
{
    const Tabla& t = a_.paciente;
    const QString tabla = QStringLiteral("Paciente");
    const int iCodigo = columna(t, tabla, QStringLiteral("codigo"), true);
    int i[12];
    for (int k = 0; k < 12; ++k)
        i[k] = columna(t, tabla, kColumnasPaciente.at(k + 1), false);

    for (const QStringList& fila : t.filas) {
        ++r_.pacientesLeidos;
        sql::DatosPaciente p;
        p.nombre = valor(fila, i[0]);
        p.apellido1 = valor(fila, i[1]);
        p.apellido2 = valor(fila, i[2]);
        p.dni = valor(fila, i[3]);
        p.tlf1 = valor(fila, i[4]);
        p.tlf2 = valor(fila, i[5]);
        p.direccion = valor(fila, i[6]);
        p.poblacion = valor(fila, i[7]);
        p.provincia = valor(fila, i[8]);
        const QString alta = valor(fila, i[9]);
        p.sociedad = valor(fila, i[10]);
        p.comentario = valor(fila, i[11]);

        const QString textoCodigo = valor(fila, iCodigo);
        const QString nombre =
            QStringList{p.apellido1, p.apellido2}.join(QLatin1Char(' ')).simplified()
            + QStringLiteral(", ") + p.nombre.simplified();
        const QString quien = QStringLiteral("Paciente %1 (%2)").arg(
            textoCodigo.isEmpty() ? QStringLiteral("sin código") : textoCodigo, nombre);

        bool ok = false;
        const qint64 codigo = textoCodigo.trimmed().toLongLong(&ok);
        if (!ok) {
            r_.noImportadas << quien + QStringLiteral(": no tiene un código numérico.");
            continue;
        }
        if (codigo < sql::kCodigoMinimo || codigo > sql::kCodigoMaximo) {
            rechazados_.insert(codigo);
            r_.noImportadas << quien
                                   + QStringLiteral(": el código está fuera de 1 a 2147483647.");
            continue;
        }
        if (importados_.contains(codigo)) {
            r_.noImportadas << quien
                                   + QStringLiteral(": el código está repetido; se ha importado "
                                                    "el primer paciente con ese código, y las "
                                                    "visitas de ese código quedan con él.");
            continue;
        }
        p.codigo = int(codigo);
        const Convertido<QString> fechaAlta = fechaDeAlta(alta);
        p.fechaAlta = fechaAlta.valor;
        if (!fechaAlta.nota.isEmpty())
            r_.cambiadas << quien + QStringLiteral(": ") + fechaAlta.nota + QLatin1Char('.');
        comando::ejecutar(sql::insertarPaciente(p), db_);
        importados_.insert(codigo);
        maximo_ = std::max(maximo_, codigo);
        ++r_.pacientesImportados;
    }
}

// The patient of a visit row, when the row can come across; none, with the reason in the
// report, otherwise.
std::optional<qint64> Conversion::pacienteDeVisita(const QString& textoCodigo,
                                                   const QString& quien)
{
    bool ok = false;
    const qint64 codigo = textoCodigo.trimmed().toLongLong(&ok);
    if (!ok) {
        r_.noImportadas << quien + QStringLiteral(": no tiene un código de paciente numérico.");
        return std::nullopt;
    }
    if (!importados_.contains(codigo)) {
        r_.noImportadas << quien
                               + (rechazados_.contains(codigo)
                                      ? QStringLiteral(": su paciente no se ha importado (ver "
                                                       "arriba).")
                                      : QStringLiteral(": no hay ningún paciente con el código "
                                                       "%1.")
                                            .arg(codigo));
        return std::nullopt;
    }
    return codigo;
}

void Conversion::visitas()
{
    const Tabla& t = a_.visita;
    const QString tabla = QStringLiteral("Visita");
    // Looked up in the order the report notes the missing ones.
    const int iCodigo = columna(t, tabla, QStringLiteral("codigo"), true);
    const int iFecha = columna(t, tabla, QStringLiteral("fecha"), true);
    const int iPago = columna(t, tabla, QStringLiteral("pago"), false);
    const int iCantidad = columna(t, tabla, QStringLiteral("cantidad"), false);
    const int iObservacion = columna(t, tabla, QStringLiteral("observacion"), false);
    const int iHora = columna(t, tabla, QStringLiteral("hora"), false);
    const int iFactura = columna(t, tabla, QStringLiteral("factura"), false);
    const int iNumFactura = columna(t, tabla, QStringLiteral("num_factura"), false);

    QSet<QPair<qint64, QString>> dias;
    for (const QStringList& fila : t.filas) {
        ++r_.visitasLeidas;
        const QString textoCodigo = valor(fila, iCodigo);
        const QString textoFecha = valor(fila, iFecha);
        const QString quien = QStringLiteral("Visita del paciente %1 del %2")
                                  .arg(textoCodigo.isEmpty() ? QStringLiteral("(sin código)")
                                                             : textoCodigo,
                                       textoFecha.isEmpty() ? QStringLiteral("(sin fecha)")
                                                            : citado(textoFecha));
        const std::optional<qint64> codigo = pacienteDeVisita(textoCodigo, quien);
        if (!codigo)
            continue;
        const Convertido<QString> fecha = fechaDeVisita(textoFecha);
        if (fecha.valor.isEmpty()) {
            r_.noImportadas << quien
                                   + QStringLiteral(": la fecha no es una fecha reconocible (no "
                                                    "se adivina).");
            continue;
        }
        if (dias.contains({*codigo, fecha.valor})) {
            r_.noImportadas << quien
                                   + QStringLiteral(": el paciente ya tiene otra visita el %1; se "
                                                    "ha importado la primera que aparece en el "
                                                    "fichero.")
                                         .arg(fecha.valor);
            continue;
        }

        QStringList cambios;
        const auto anotado = [&cambios](const auto& convertido) {
            if (!convertido.nota.isEmpty())
                cambios << convertido.nota;
            return convertido.valor;
        };
        sql::DatosVisita v;
        v.codigo = int(*codigo);
        v.fecha = anotado(fecha);
        v.hora = anotado(horaDeVisita(valor(fila, iHora)));
        v.pago = anotado(siNoDeVisita(valor(fila, iPago), QStringLiteral("pagado")));
        v.factura = anotado(siNoDeVisita(valor(fila, iFactura), QStringLiteral("factura")));
        v.cantidad = anotado(importeDeVisita(valor(fila, iCantidad)));
        v.observacion = anotado(observacionDeVisita(valor(fila, iObservacion)));
        v.numFactura = valor(fila, iNumFactura);

        comando::ejecutar(sql::importarVisita(v), db_);
        dias.insert({*codigo, fecha.valor});
        ++r_.visitasImportadas;
        if (!cambios.isEmpty())
            r_.cambiadas << quien + QStringLiteral(": ") + cambios.join(QStringLiteral("; "))
                                + QLatin1Char('.');
    }
}

void Conversion::tablaCodigo()
{
    const qint64 reconstruido = maximo_ < sql::kCodigoMaximo ? maximo_ + 1 : sql::kCodigoMinimo;
    QString motivo;
    const Tabla& t = a_.codigo;
    const int i = columnaDe(t, QStringLiteral("codigo"));
    if (!t.existe)
        motivo = QStringLiteral("el fichero original no tiene la tabla «tabla_codigo»");
    else if (i < 0)
        motivo = QStringLiteral("la tabla «tabla_codigo» no tiene la columna «codigo»");
    else if (t.filas.isEmpty())
        motivo = QStringLiteral("la tabla «tabla_codigo» está vacía");
    else {
        bool ok = false;
        const QString texto = t.filas.first().at(i);
        const qint64 codigo = texto.trimmed().toLongLong(&ok);
        if (!ok || codigo < sql::kCodigoMinimo || codigo > sql::kCodigoMaximo)
            motivo = QStringLiteral("el valor %1 de «tabla_codigo» no es un código de 1 a "
                                    "2147483647")
                         .arg(citado(texto));
        else
            r_.siguienteCodigo = codigo;
    }
    r_.codigoReconstruido = !motivo.isEmpty();
    if (r_.codigoReconstruido)
        r_.siguienteCodigo = reconstruido;
    comando::ejecutar(sql::guardarTablaCodigo(r_.siguienteCodigo), db_);
    r_.notas << (r_.codigoReconstruido
                     ? QStringLiteral("Siguiente código de paciente propuesto: %1 (el código más "
                                      "alto más uno, porque %2).")
                           .arg(r_.siguienteCodigo)
                           .arg(motivo)
                     : QStringLiteral("Siguiente código de paciente propuesto: %1, el mismo del "
                                      "fichero original (al dar de alta se salta a uno libre).")
                           .arg(r_.siguienteCodigo));
}

}  // namespace

bool esAccess(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray cabecera = f.read(20);
    return cabecera.size() == 20
           && (cabecera.mid(4, 15) == "Standard Jet DB" || cabecera.mid(4, 15) == "Standard ACE DB");
}

QString Resultado::resumen() const
{
    return QStringLiteral("Pacientes importados: %1 de %2.\nVisitas importadas: %3 de %4.\n"
                          "Filas no importadas: %5.\nFilas importadas con cambios: %6.")
        .arg(pacientesImportados)
        .arg(pacientesLeidos)
        .arg(visitasImportadas)
        .arg(visitasLeidas)
        .arg(noImportadas.size())
        .arg(cambiadas.size());
}

QString Resultado::informe() const
{
    QString t = QStringLiteral("Conversión del fichero de Access %1\nHecha el %2 a las %3.\n\n")
                    .arg(citadoRuta(origen), formatos::textoFecha(reloj::hoy()),
                         formatos::textoHora(reloj::horaActual()));
    t += resumen() + QStringLiteral("\n");
    const auto lista = [&t](const QString& titulo, const QStringList& lineas) {
        t += QStringLiteral("\n") + titulo + QStringLiteral(":\n");
        if (lineas.isEmpty())
            t += QStringLiteral("- Ninguna.\n");
        for (const QString& l : lineas)
            t += QStringLiteral("- ") + l + QStringLiteral("\n");
    };
    lista(QStringLiteral("Filas no importadas"), noImportadas);
    lista(QStringLiteral("Filas importadas con cambios"), cambiadas);
    lista(QStringLiteral("Notas"), notas);
    return t;
}

void fijarFalloDePrueba(std::function<void(const QString&)> gancho)
{
    ganchoDePrueba() = std::move(gancho);
}

Resultado importar(const QString& origen, const QString& destino)
{
    if (QFileInfo::exists(destino))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citadoRuta(destino)));
    if (!esAccess(origen))
        throw DbError(QStringLiteral("ERROR: El fichero %1 no es una base de datos de Access.")
                          .arg(citadoRuta(origen)));
    return importarTablas(leerAccess(origen), origen, destino);
}

Resultado importarTablas(const TablasAccess& access, const QString& origen,
                         const QString& destino)
{
    if (QFileInfo::exists(destino))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citadoRuta(destino)));
    if (!access.paciente.existe || !access.visita.existe)
        throw DbError(QStringLiteral("ERROR: Al fichero de Access %1 le falta la tabla «%2»; no "
                                     "es un fichero de la consulta.")
                          .arg(citadoRuta(origen), access.paciente.existe ? QStringLiteral("Visita")
                                                                      : QStringLiteral("Paciente")));

    Resultado r;
    r.origen = origen;
    r.notas << QStringLiteral("Los textos pasan tal como estaban escritos (mayúsculas y "
                              "minúsculas, acentos, comillas, saltos de línea).")
            << QStringLiteral("El fichero de Access no distingue al leerlo un campo vacío de uno "
                              "nulo: los dos pasan como texto vacío.");
    comprobarFilasLeidas(access.paciente, QStringLiteral("Paciente"), origen, r.notas);
    comprobarFilasLeidas(access.visita, QStringLiteral("Visita"), origen, r.notas);
    comprobarFilasLeidas(access.codigo, QStringLiteral("tabla_codigo"), origen, r.notas);
    if (!access.otras.isEmpty())
        r.notas << QStringLiteral("Otras tablas del fichero original que no se importan: %1.")
                       .arg(access.otras.join(QStringLiteral(", ")));
    anotarColumnasAjenas(access.paciente, QStringLiteral("Paciente"), kColumnasPaciente, r.notas);
    anotarColumnasAjenas(access.visita, QStringLiteral("Visita"), kColumnasVisita, r.notas);

    const QString temporal = destino + QStringLiteral(".importando-")
                             + QUuid::createUuid().toString(QUuid::Id128).left(8);
    const QString conexion = QStringLiteral("importar-") + QUuid::createUuid().toString();
    try {
        esquema::crearFichero(temporal);
        {
            QSqlDatabase db = esquema::abrir(temporal, conexion);
            comando::Transaccion transaccion(db);
            Conversion c(access, r, db);
            c.pacientes();
            c.visitas();
            c.tablaCodigo();
            transaccion.commit();
        }
        esquema::cerrar(conexion);
        if (ganchoDePrueba())
            ganchoDePrueba()(temporal);
        esquema::verificarFicheroCompleto(temporal, esquema::Comprobacion::Rapida);
        if (!QFile::rename(temporal, destino))
            throw DbError(QStringLiteral("ERROR: No se puede poner el fichero convertido en %1.")
                              .arg(citadoRuta(destino)));
    } catch (...) {
        esquema::cerrar(conexion);
        QFile::remove(temporal);
        QFile::remove(temporal + QStringLiteral("-journal"));
        throw;
    }
    return r;
}

}  // namespace importacion
