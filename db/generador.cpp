#include "db/generador.h"

#include "db/agenda.h"
#include "db/citado.h"
#include "db/comando.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/sql.h"

#include <QFile>
#include <QSqlQuery>
#include <QUuid>

#include <random>

namespace generador {

namespace {

const QStringList kNombres = {
    "ANTONIO", "MARÍA", "JOSÉ", "CARMEN", "MANUEL", "ANA", "FRANCISCO", "ISABEL", "DAVID",
    "LAURA", "JUAN", "LUCÍA", "JAVIER", "MARTA", "DANIEL", "CRISTINA", "CARLOS", "PILAR",
    "JESÚS", "ELENA", "ALEJANDRO", "ROSA", "MIGUEL", "PAULA", "RAFAEL", "SARA", "PABLO",
    "DOLORES", "SERGIO", "RAQUEL", "ÁNGEL", "BEATRIZ", "FERNANDO", "NURIA", "LUIS", "SILVIA",
    "JORGE", "IRENE", "ALBERTO", "ROCÍO"};
const QStringList kApellidos = {
    "GARCÍA", "RODRÍGUEZ", "GONZÁLEZ", "FERNÁNDEZ", "LÓPEZ", "MARTÍNEZ", "SÁNCHEZ", "PÉREZ",
    "GÓMEZ", "MARTÍN", "JIMÉNEZ", "RUIZ", "HERNÁNDEZ", "DÍAZ", "MORENO", "MUÑOZ", "ÁLVAREZ",
    "ROMERO", "ALONSO", "GUTIÉRREZ", "NAVARRO", "TORRES", "DOMÍNGUEZ", "VÁZQUEZ", "RAMOS",
    "GIL", "RAMÍREZ", "SERRANO", "BLANCO", "MOLINA", "MORALES", "SUÁREZ", "ORTEGA", "DELGADO",
    "CASTRO", "ORTIZ", "RUBIO", "MARÍN", "SANZ", "IBÁÑEZ", "O'BRIEN", "NÚÑEZ"};
const QStringList kPoblaciones = {"SEVILLA",   "DOS HERMANAS", "ALCALÁ DE GUADAÍRA",
                                  "UTRERA",    "MAIRENA DEL ALJARAFE", "CÓRDOBA",
                                  "GRANADA",   "MÁLAGA"};
const QStringList kProvincias = {"SEVILLA", "SEVILLA", "SEVILLA", "SEVILLA",
                                 "SEVILLA", "CÓRDOBA", "GRANADA", "MÁLAGA"};
const QStringList kCalles = {"C/ SIERPES", "AVDA. DE LA CONSTITUCIÓN", "C/ BETIS",
                             "PLAZA NUEVA", "C/ FERIA", "AVDA. DE ANDALUCÍA", "C/ SAN JACINTO",
                             "RONDA DE TRIANA"};
const QStringList kAseguradoras = {"", "", "ADESLAS", "SANITAS", "ASISA", "DKV", "MAPFRE"};
const QStringList kObservaciones = {"",
                                    "",
                                    "",
                                    "REVISIÓN",
                                    "PRIMERA VISITA",
                                    "CONTROL DE TENSIÓN",
                                    "RESULTADOS DE ANALÍTICA",
                                    "DOLOR LUMBAR",
                                    "CURA",
                                    "RECETA 50% DESCUENTO"};

// The 25 quarter hours from 15:00 to 21:00.
QString cuartoDeHora(int i)
{
    return formatos::textoHora(QTime(15, 0).addSecs(15 * 60 * i));
}

// A new file under a temporary name, filled by `rellenar` in one transaction and renamed into
// place: a failure leaves nothing behind, and an existing file is never touched.
template <typename Rellenar>
void crearConDatos(const QString& ruta, Rellenar rellenar)
{
    const QString temporal = ruta + QStringLiteral(".generando-")
                             + QUuid::createUuid().toString(QUuid::Id128).left(8);
    if (QFile::exists(ruta))
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citadoRuta(ruta)));
    esquema::crearFichero(temporal);
    const QString conexion = QStringLiteral("generador-") + QUuid::createUuid().toString();
    try {
        QSqlDatabase db = esquema::abrir(temporal, conexion);
        {
            comando::Transaccion t(db);
            rellenar(db);
            t.commit();
        }
        db = QSqlDatabase();
        esquema::cerrar(conexion);
    } catch (...) {
        esquema::cerrar(conexion);
        QFile::remove(temporal);
        throw;
    }
    if (!QFile::rename(temporal, ruta)) {
        QFile::remove(temporal);
        throw DbError(QStringLiteral("ERROR: El fichero %1 ya existe; no se sobrescribe.")
                          .arg(citadoRuta(ruta)));
    }
}

// Runs one prepared statement many times, binding new values each time.
class Lote {
public:
    Lote(QSqlDatabase db, const Sql& forma) : q_(db)
    {
        if (!q_.prepare(forma.text))
            throw DbError(comando::textoError(q_.lastError()));
    }
    void ejecutar(const Sql& s)
    {
        comando::enlazar(q_, s.values);
        if (!q_.exec())
            throw DbError(comando::textoError(q_.lastError()));
    }

private:
    QSqlQuery q_;
};

sql::DatosPaciente pacienteAlAzar(int codigo, std::mt19937& azar, const QDate& alta)
{
    auto elegir = [&](const QStringList& lista) {
        return lista.at(int(azar() % quint32(lista.size())));
    };
    const int sitio = int(azar() % quint32(kPoblaciones.size()));
    sql::DatosPaciente p;
    p.codigo = codigo;
    p.nombre = elegir(kNombres);
    p.apellido1 = elegir(kApellidos);
    p.apellido2 = elegir(kApellidos);
    p.dni = QStringLiteral("%1%2").arg(10000000 + azar() % 89999999).arg(QChar(char16_t(u'A' + azar() % 26)));
    p.tlf1 = QStringLiteral("6%1").arg(10000000 + azar() % 89999999);
    p.tlf2 = azar() % 3 == 0 ? QStringLiteral("95%1").arg(4000000 + azar() % 999999) : QString();
    p.direccion = QStringLiteral("%1, %2").arg(elegir(kCalles)).arg(1 + azar() % 120);
    p.poblacion = kPoblaciones.at(sitio);
    p.provincia = kProvincias.at(sitio);
    p.fechaAlta = formatos::textoFecha(alta);
    p.sociedad = elegir(kAseguradoras);
    p.comentario = azar() % 5 == 0 ? QStringLiteral("ALÉRGICO A LA PENICILINA") : QString();
    return p;
}

// Pays and invoices a visit already inserted: the booking statement always stores it unpaid.
const Sql kPagar{QStringLiteral("UPDATE Visita SET pago = 1, cantidad = ?, factura = ?, "
                                "num_factura = ? WHERE codigo = ? AND fecha = ?"),
                 {}};

void pagar(Lote& lote, int codigo, const QString& fecha, int cantidad, bool factura)
{
    lote.ejecutar(Sql{QString(), {cantidad, factura ? 1 : 0,
                                  factura ? formatos::numeroFactura(codigo, fecha) : QString(),
                                  codigo, fecha}});
}

}  // namespace

void crearDemo(const QString& ruta, const QDate& hoy)
{
    crearConDatos(ruta, [&](QSqlDatabase db) {
        std::mt19937 azar(20261207);
        Lote pacientes(db, sql::insertarPaciente({}));
        Lote visitas(db, sql::insertarVisita({}));
        Lote pagos(db, kPagar);
        // Code 17 is left free, as if that patient had been removed: the exhaustive search
        // finds it.
        QList<int> codigos;
        for (int c = 1; c <= 41; ++c) {
            if (c != 17)
                codigos.append(c);
        }
        for (int c : codigos)
            pacientes.ejecutar(sql::insertarPaciente(
                pacienteAlAzar(c, azar, hoy.addDays(-400 + int(azar() % 380)))));
        comando::ejecutar(sql::guardarTablaCodigo(42), db);

        for (int dia = -21; dia <= 14; ++dia) {
            const QDate fecha = hoy.addDays(dia);
            if (fecha.dayOfWeek() >= 6)
                continue;
            // Today gets a full afternoon, other days a handful.
            const int cuantas = dia == 0 ? 7 : 2 + int(azar() % 4);
            QList<int> usados;
            for (int n = 0; n < cuantas; ++n) {
                int codigo;
                do {
                    codigo = codigos.at(int(azar() % quint32(codigos.size())));
                } while (usados.contains(codigo));
                usados.append(codigo);
                sql::NuevaVisita v;
                v.codigo = codigo;
                v.fecha = formatos::textoFecha(fecha);
                v.hora = (dia == 0 && n == 6) ? QStringLiteral("16:45")
                                              : agenda::horasDelTablero().at(int(azar() % 9));
                v.observacion = kObservaciones.at(int(azar() % quint32(kObservaciones.size())));
                visitas.ejecutar(sql::insertarVisita(v));
                const bool pasada = dia < 0 || (dia == 0 && n < 2);
                if (pasada && azar() % 4 != 0)
                    pagar(pagos, codigo, v.fecha, azar() % 5 == 0 ? 60 : 100, azar() % 3 == 0);
            }
        }
    });
}

void crearGrande(const QString& ruta, const QDate& hoy)
{
    crearConDatos(ruta, [&](QSqlDatabase db) {
        std::mt19937 azar(100000);
        Lote pacientes(db, sql::insertarPaciente({}));
        for (int c = 1; c <= kPacientesGrande; ++c)
            pacientes.ejecutar(sql::insertarPaciente(
                pacienteAlAzar(c, azar, hoy.addDays(-int(azar() % 4000)))));
        comando::ejecutar(sql::guardarTablaCodigo(kPacientesGrande + 1), db);

        // Ten visits a patient on ten different days spread over twelve years; today also
        // gets one visit of every hundredth patient, so it is the busiest day.
        const QDate inicio = hoy.addYears(-10);
        const int dias = int(inicio.daysTo(hoy.addYears(2)));
        Lote visitas(db, sql::insertarVisita({}));
        Lote pagos(db, kPagar);
        int total = 0;
        for (int c = 1; c <= kPacientesGrande; ++c) {
            const int base = int((qint64(c) * 7919) % dias);
            const int objetivo = total + 10;
            for (int k = 0; k < 20 && total < objetivo; ++k) {
                QDate fecha = inicio.addDays((base + k * 431) % dias);
                if (k == 0 && c % 100 == 0)
                    fecha = hoy;
                else if (fecha == hoy)
                    fecha = fecha.addDays(1);
                sql::NuevaVisita v;
                v.codigo = c;
                v.fecha = formatos::textoFecha(fecha);
                v.hora = cuartoDeHora(int(azar() % 25));
                v.observacion = kObservaciones.at(int(azar() % quint32(kObservaciones.size())));
                try {
                    visitas.ejecutar(sql::insertarVisita(v));
                } catch (const DbError&) {
                    continue;  // the rare clash of two of a patient's days; skip it
                }
                ++total;
                if (fecha < hoy && azar() % 10 < 8)
                    pagar(pagos, c, v.fecha, 100, azar() % 10 == 0);
            }
        }
    });
}

}  // namespace generador
