#include "db/importar.h"

#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <mdbtools.h>

#include <memory>
#include <vector>

namespace importacion {

namespace {

std::function<void(const QString&)>& ganchoDePrueba()
{
    static std::function<void(const QString&)> gancho;
    return gancho;
}

QString citado(const QString& texto)
{
    return QStringLiteral("«") + texto + QStringLiteral("»");
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
                          .arg(QString::fromUtf8(entrada->object_name), citado(ruta)));
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
                          .arg(citado(ruta)));
    mdb_set_bind_size(mdb.get(), kTamValor);
    mdb_set_boolean_fmt_numbers(mdb.get());
    // A date-and-time column prints in one known form, which fechaImportada reads.
    mdb_set_date_fmt(mdb.get(), "%d/%m/%Y %H:%M:%S");
    // The catalog is read once: reading a table by name would read it again and free the
    // tables already opened.
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw DbError(QStringLiteral("ERROR: No se puede leer la lista de tablas del fichero %1.")
                          .arg(citado(ruta)));
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

// SQLite counts characters, not UTF-16 units.
qsizetype caracteres(const QString& s)
{
    return s.size() <= 50 ? s.size() : s.toUcs4().size();
}

QString primerosCaracteres(const QString& s, qsizetype n)
{
    const QList<uint> puntos = s.toUcs4();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(puntos.constData()),
                             std::min(n, puntos.size()));
}

QString restoCaracteres(const QString& s, qsizetype n)
{
    const QList<uint> puntos = s.toUcs4();
    return n >= puntos.size()
               ? QString()
               : QString::fromUcs4(reinterpret_cast<const char32_t*>(puntos.constData()) + n,
                                   puntos.size() - n);
}

// A yes/no as libmdb prints it, or as a text column might hold it. 1 when yes, 0 when no,
// -1 when it is neither.
int siNo(const QString& texto)
{
    const QString t = texto.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("-1") || t == QLatin1String("true")
        || t == QLatin1String("sí") || t == QLatin1String("si") || t == QLatin1String("yes")
        || t == QLatin1String("verdadero"))
        return 1;
    if (t.isEmpty() || t == QLatin1String("0") || t == QLatin1String("false")
        || t == QLatin1String("no") || t == QLatin1String("falso"))
        return 0;
    return -1;
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
                          .arg(citado(origen), tabla, filas(t.declaradas))
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
                          .arg(citado(r_.origen), tabla, nombre));
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
        p.fechaAlta = alta;
        if (!alta.isEmpty()) {
            const QString fecha = fechaImportada(alta);
            if (fecha.isEmpty())
                r_.cambiadas << quien
                                    + QStringLiteral(": la fecha de alta %1 no es una fecha "
                                                     "reconocible; se guarda tal como estaba.")
                                          .arg(citado(alta));
            else if (fecha != alta) {
                p.fechaAlta = fecha;
                r_.cambiadas << quien
                                    + QStringLiteral(": fecha de alta %1 pasa a %2.")
                                          .arg(citado(alta), citado(fecha));
            }
        }
        comando::ejecutar(sql::insertarPaciente(p), db_);
        importados_.insert(codigo);
        maximo_ = std::max(maximo_, codigo);
        ++r_.pacientesImportados;
    }
}

void Conversion::visitas()
{
    const Tabla& t = a_.visita;
    const QString tabla = QStringLiteral("Visita");
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
        QStringList cambios;

        bool ok = false;
        const qint64 codigo = textoCodigo.trimmed().toLongLong(&ok);
        if (!ok) {
            r_.noImportadas << quien + QStringLiteral(": no tiene un código de paciente numérico.");
            continue;
        }
        if (!importados_.contains(codigo)) {
            r_.noImportadas << quien
                                   + (rechazados_.contains(codigo)
                                          ? QStringLiteral(": su paciente no se ha importado "
                                                           "(ver arriba).")
                                          : QStringLiteral(": no hay ningún paciente con el "
                                                           "código %1.")
                                                .arg(codigo));
            continue;
        }
        const QString fecha = fechaImportada(textoFecha);
        if (fecha.isEmpty()) {
            r_.noImportadas << quien
                                   + QStringLiteral(": la fecha no es una fecha reconocible (no "
                                                    "se adivina).");
            continue;
        }
        if (dias.contains({codigo, fecha})) {
            r_.noImportadas << quien
                                   + QStringLiteral(": el paciente ya tiene otra visita el %1; se "
                                                    "ha importado la primera que aparece en el "
                                                    "fichero.")
                                         .arg(fecha);
            continue;
        }
        if (fecha != textoFecha)
            cambios << QStringLiteral("fecha %1 pasa a %2").arg(citado(textoFecha), citado(fecha));

        sql::DatosVisita v;
        v.codigo = int(codigo);
        v.fecha = fecha;

        const QString textoHora = valor(fila, iHora);
        if (!textoHora.isEmpty()) {
            v.hora = horaImportada(textoHora);
            if (v.hora.isEmpty())
                cambios << QStringLiteral("la hora %1 no es una hora reconocible; queda vacía")
                               .arg(citado(textoHora));
            else if (v.hora != textoHora)
                cambios << QStringLiteral("hora %1 pasa a %2").arg(citado(textoHora),
                                                                     citado(v.hora));
        }

        const auto siNoDe = [&](int col, const QString& campo) {
            const QString texto = valor(fila, col);
            const int s = siNo(texto);
            if (s < 0)
                cambios << QStringLiteral("%1 %2 no es sí ni no; queda «no»")
                               .arg(campo, citado(texto));
            return s == 1;
        };
        v.pago = siNoDe(iPago, QStringLiteral("pagado"));
        v.factura = siNoDe(iFactura, QStringLiteral("factura"));

        const QString textoCantidad = valor(fila, iCantidad).trimmed();
        if (textoCantidad.isEmpty()) {
            v.cantidad = 0;
            cambios << QStringLiteral("sin importe (vacío o nulo); queda 0");
        } else {
            bool entero = false;
            const qint64 c = textoCantidad.toLongLong(&entero);
            QString decimal = textoCantidad;
            decimal.replace(QLatin1Char(','), QLatin1Char('.'));
            bool real = false;
            const double d = entero ? 0.0 : decimal.toDouble(&real);
            if (entero && c >= INT32_MIN && c <= INT32_MAX) {
                v.cantidad = int(c);
                if (c < 0)
                    cambios << QStringLiteral("importe negativo (%1); se conserva tal cual")
                                   .arg(c);
            } else if (real && d >= INT32_MIN && d <= INT32_MAX) {
                v.cantidad = int(qRound64(d));
                cambios << QStringLiteral("importe %1 con decimales; queda %2 euros")
                               .arg(citado(textoCantidad))
                               .arg(v.cantidad);
            } else {
                v.cantidad = 0;
                cambios << QStringLiteral("importe %1 no es un número entero; queda 0")
                               .arg(citado(textoCantidad));
            }
        }

        const QString observacion = valor(fila, iObservacion);
        v.observacion = observacion;
        if (caracteres(observacion) > 50) {
            v.observacion = primerosCaracteres(observacion, 50);
            cambios << QStringLiteral("la observación tenía %1 caracteres y caben 50; lo que "
                                      "no cabe era %2")
                           .arg(caracteres(observacion))
                           .arg(citado(restoCaracteres(observacion, 50)));
        }
        v.numFactura = valor(fila, iNumFactura);

        comando::ejecutar(sql::importarVisita(v), db_);
        dias.insert({codigo, fecha});
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

// d/m/yyyy or yyyy-m-d, each optionally followed by a time of day.
const QRegularExpression& patronDiaMes()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    return re;
}

const QRegularExpression& patronIso()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T]\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    return re;
}

const QRegularExpression& patronHora()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(?:\d{1,2}/\d{1,2}/\d{4}\s+|\d{4}-\d{1,2}-\d{1,2}[ T])?(\d{1,2}):(\d{2})(?::(\d{2}))?\s*$)"));
    return re;
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

QString fechaImportada(const QString& texto)
{
    int dia = 0, mes = 0, ano = 0;
    QRegularExpressionMatch m = patronDiaMes().match(texto);
    if (m.hasMatch()) {
        dia = m.captured(1).toInt();
        mes = m.captured(2).toInt();
        ano = m.captured(3).toInt();
    } else {
        m = patronIso().match(texto);
        if (!m.hasMatch())
            return {};
        ano = m.captured(1).toInt();
        mes = m.captured(2).toInt();
        dia = m.captured(3).toInt();
    }
    const QDate fecha(ano, mes, dia);
    return fecha.isValid() ? formatos::textoFecha(fecha) : QString();
}

QString horaImportada(const QString& texto)
{
    const QRegularExpressionMatch m = patronHora().match(texto);
    if (!m.hasMatch())
        return {};
    const QTime hora(m.captured(1).toInt(), m.captured(2).toInt(),
                     m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    return hora.isValid() ? formatos::textoHora(hora) : QString();
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
                    .arg(citado(origen), formatos::textoFecha(reloj::hoy()),
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
                          .arg(citado(destino)));
    if (!esAccess(origen))
        throw DbError(QStringLiteral("ERROR: El fichero %1 no es una base de datos de Access.")
                          .arg(citado(origen)));
    return importarTablas(leerAccess(origen), origen, destino);
}

Resultado importarTablas(const TablasAccess& access, const QString& origen,
                         const QString& destino)
{
    if (QFileInfo::exists(destino))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citado(destino)));
    if (!access.paciente.existe || !access.visita.existe)
        throw DbError(QStringLiteral("ERROR: Al fichero de Access %1 le falta la tabla «%2»; no "
                                     "es un fichero de la consulta.")
                          .arg(citado(origen), access.paciente.existe ? QStringLiteral("Visita")
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
                              .arg(citado(destino)));
    } catch (...) {
        esquema::cerrar(conexion);
        QFile::remove(temporal);
        QFile::remove(temporal + QStringLiteral("-journal"));
        throw;
    }
    return r;
}

}  // namespace importacion
