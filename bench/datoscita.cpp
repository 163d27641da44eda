// The appointment record's actions, driven through its own handlers: opening a visit, saving a
// change and deleting it, each with the main window's lists refreshed and everything the user
// sees painted at 1366 x 768. The visit used is put back as it was after every run.
#include "bench/medir.h"

#include "app/refrescos.h"
#include "app/ventanas.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QLineEdit>

#include <sqlite3.h>

namespace bench {

namespace {

// A visit of today, so the day list and the quick view the refreshes re-run are the large
// database's busiest ones. Its row, to put back after each run.
struct Visita {
    sql::NuevaVisita fila;
    bool factura = false;
    QString numFactura;
};

Visita visitaDeHoy()
{
    const QString hoy = formatos::textoFecha(reloj::hoy());
    DataSet d(QStringLiteral("bench-visita"));
    d.setCommand(Sql{QStringLiteral("SELECT codigo, fecha, pago, cantidad, observacion, hora, "
                                    "factura, num_factura FROM Visita WHERE fecha = ? "
                                    "ORDER BY hora DESC, codigo LIMIT 1"),
                     {hoy}});
    d.open();
    if (d.isEmpty())
        throw Fallo(QStringLiteral("no hay citas hoy (%1): genere la base hoy").arg(hoy));
    Visita v;
    v.fila.codigo = d.fieldByName(QStringLiteral("codigo")).toInt();
    v.fila.fecha = d.fieldByName(QStringLiteral("fecha")).toString();
    v.fila.pago = d.fieldByName(QStringLiteral("pago")).toInt() != 0;
    v.fila.cantidad = d.fieldByName(QStringLiteral("cantidad")).toInt();
    v.fila.observacion = d.fieldByName(QStringLiteral("observacion")).toString();
    v.fila.hora = d.fieldByName(QStringLiteral("hora")).toString();
    v.factura = d.fieldByName(QStringLiteral("factura")).toInt() != 0;
    v.numFactura = d.fieldByName(QStringLiteral("num_factura")).toString();
    return v;
}

sql::DatosVisita datos(const Visita& v)
{
    sql::DatosVisita d;
    d.codigo = v.fila.codigo;
    d.fecha = v.fila.fecha;
    d.pago = v.fila.pago;
    d.cantidad = v.fila.cantidad;
    d.observacion = v.fila.observacion;
    d.hora = v.fila.hora;
    d.factura = v.factura;
    d.numFactura = v.numFactura;
    return d;
}

// The row back as it was: inserted again when a run deleted it, its columns rewritten.
void restaurar(const Visita& v)
{
    if (comando::valor(sql::contarVisitasDelDia(v.fila.codigo, v.fila.fecha)).toInt() == 0)
        comando::ejecutar(sql::insertarVisita(v.fila));
    comando::ejecutar(sql::actualizarVisita(datos(v)));
}

// The main window as a user of a common laptop screen has it.
void principalA1366()
{
    Form1->showNormal();
    Form1->setGeometry(0, 0, 1366, 768);
    QCoreApplication::processEvents();
}

void principalComoAntes()
{
    Form1->showMaximized();
    QCoreApplication::processEvents();
}

// The record shown with the visit loaded afresh, as an opening leaves it.
void abrirRegistro(const Visita& v)
{
    FormDatosCita->ADODataSet1->close();
    FormDatosCita->ADODataSet2->close();
    FormDatosCita->RecienAbierta = true;
    FormDatosCita->CodigoPaciente = v.fila.codigo;
    FormDatosCita->FechaCita = v.fila.fecha;
    FormDatosCita->show();
    FormDatosCita->FormActivate();
    QCoreApplication::processEvents();
}

void cerrarRegistro()
{
    FormDatosCita->hide();
    FormDatosCita->ADODataSet1->close();
    FormDatosCita->ADODataSet2->close();
    FormDatosCita->RecienAbierta = true;
}

// A statement that writes, run bare on the engine's C API: prepared, values bound, stepped once,
// with `antes` (untimed) putting the row in place before each run. It goes through the
// program's own connection: the lists it keeps open hold a read lock that a second connection
// could not write past, while the connection itself can.
Tiempos escrituraDesnuda(const Sql& s, const Repeticiones& r, const std::function<void()>& antes)
{
    const QVariant manejador = QSqlDatabase::database().driver()->handle();
    if (!manejador.isValid() || qstrcmp(manejador.typeName(), "sqlite3*") != 0)
        throw Fallo(QStringLiteral("la conexión del programa no es de SQLite"));
    sqlite3* h = *static_cast<sqlite3* const*>(manejador.constData());
    const QByteArray texto = s.text.toUtf8();
    QString error;
    const Tiempos t = medir(
        r, [&](int) { antes(); },
        [&] {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(h, texto.constData(), int(texto.size()), &st, nullptr);
            for (int i = 0; i < s.values.size(); ++i) {
                const QVariant& v = s.values.at(i);
                if (v.typeId() == QMetaType::QString) {
                    const QByteArray b = v.toString().toUtf8();
                    sqlite3_bind_text(st, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                } else {
                    sqlite3_bind_int64(st, i + 1, v.toLongLong());
                }
            }
            if (sqlite3_step(st) != SQLITE_DONE)
                error = QString::fromUtf8(sqlite3_errmsg(h));
            sqlite3_finalize(st);
        });
    if (!error.isEmpty())
        throw Fallo(error);
    return t;
}

QString ms(double v)
{
    return QString::number(v, 'f', 1);
}

// What a save or delete costs besides its own statement: the refreshes it owes and the paint,
// part by part, so a slow figure says where its time goes.
QString refrescosSolos(const Repeticiones& r)
{
    const auto antes = [](int) { QCoreApplication::processEvents(); };
    const Tiempos todo = medir(r, antes, [] {
        refrescar::listaDelDia();
        refrescar::vistaRapida();
        refrescar::historial();
        Form1->repaint();
    });
    const Tiempos lista = medir(r, antes, [] { refrescar::listaDelDia(); });
    const Tiempos vista = medir(r, antes, [] { refrescar::vistaRapida(); });
    const Tiempos pintado = medir(r, antes, [] { Form1->repaint(); });
    return QStringLiteral("refrescos y repintado de la principal solos: mediana %1 ms (lista del "
                          "día %2, vista rápida y tablero %3, repintado %4)")
        .arg(ms(todo.mediana()), ms(lista.mediana()), ms(vista.mediana()),
             ms(pintado.mediana()));
}

Resultado abrirDatosCita(Contexto& c)
{
    c.asegurarVentanas();
    const Visita v = visitaDeHoy();
    principalA1366();
    abrirRegistro(v);
    const auto antes = [&](int) {
        FormDatosCita->ADODataSet1->close();
        FormDatosCita->ADODataSet2->close();
        FormDatosCita->RecienAbierta = true;
        QCoreApplication::processEvents();
    };
    Resultado r;
    r.programa = medir(c.repeticiones(), antes, [] {
        FormDatosCita->FormActivate();
        FormDatosCita->repaint();
    });
    const Tiempos sinPintar =
        medir(c.repeticiones(), antes, [] { FormDatosCita->FormActivate(); });
    cerrarRegistro();
    principalComoAntes();
    // Bare: the two statements of an opening, the patient and the visit, one after the other.
    const Tiempos paciente = c.desnudo(sql::pacientePorCodigo(v.fila.codigo), c.repeticiones());
    const Tiempos visita =
        c.desnudo(sql::visitaPorCodigoYFecha(v.fila.codigo, v.fila.fecha), c.repeticiones());
    Tiempos ambos;
    for (int i = 0; i < paciente.ms.size() && i < visita.ms.size(); ++i)
        ambos.ms << paciente.ms.at(i) + visita.ms.at(i);
    r.desnudo = ambos;
    r.notas << QStringLiteral("paciente %1, cita del %2 a las %3: paciente y cita cargados, "
                              "ventana pintada; sin pintar: mediana %4 ms; desnudo = paciente "
                              "(%5 ms) + cita (%6 ms)")
                   .arg(v.fila.codigo)
                   .arg(v.fila.fecha, v.fila.hora, ms(sinPintar.mediana()),
                        ms(paciente.mediana()), ms(visita.mediana()));
    return r;
}

Resultado guardarCita(Contexto& c)
{
    c.asegurarVentanas();
    const Visita v = visitaDeHoy();
    principalA1366();
    auto* observacion = FormDatosCita->findChild<QLineEdit*>(QStringLiteral("DBEdit3"));
    if (!observacion)
        throw Fallo(QStringLiteral("FormDatosCita no tiene DBEdit3"));
    const QStringList textos = {QStringLiteral("PRUEBA DE TIEMPOS A"),
                                QStringLiteral("PRUEBA DE TIEMPOS B")};
    abrirRegistro(v);
    Resultado r;
    try {
        // Every run really changes the row: the remark alternates.
        r.programa = medir(
            c.repeticiones(),
            [&](int i) {
                observacion->setText(textos.at((i % 2 + 2) % 2));
                QCoreApplication::processEvents();
            },
            [] {
                FormDatosCita->BitBtn3Click();
                Form1->repaint();
                FormDatosCita->repaint();
            });
    } catch (...) {
        cerrarRegistro();
        restaurar(v);
        throw;
    }
    const QString guardada =
        comando::valor(Sql{QStringLiteral("SELECT observacion FROM Visita WHERE codigo = ? AND "
                                          "fecha = ?"),
                           {v.fila.codigo, v.fila.fecha}})
            .toString();
    cerrarRegistro();
    restaurar(v);
    Form1->ADODataSetCitas->reopen();
    Form1->MonthCalendar1Click();
    r.notas << refrescosSolos(c.repeticiones());

    r.desnudo = escrituraDesnuda(sql::actualizarVisita(datos(v)),
                                 c.repeticiones(), [] {});
    restaurar(v);
    principalComoAntes();
    const Tiempos lista = c.desnudo(
        sql::citasDelDia(v.fila.fecha, sql::kOrdenHora), c.repeticiones());
    const Tiempos vista = c.desnudo(sql::vistaRapida(v.fila.fecha), c.repeticiones());
    r.notas << QStringLiteral("cita %1 del %2: pregunta, UPDATE, lista del día, vista rápida y "
                              "tablero, historial si abierto, aviso; principal (1366x768) y "
                              "ventana repintadas; guardado \"%3\"; desnudo = solo el UPDATE; "
                              "lista del día desnuda %4 ms, vista rápida desnuda %5 ms")
                   .arg(v.fila.codigo)
                   .arg(v.fila.fecha, guardada, ms(lista.mediana()), ms(vista.mediana()));
    if (!textos.contains(guardada))
        throw Fallo(r.notas.constLast());
    return r;
}

Resultado borrarCita(Contexto& c)
{
    c.asegurarVentanas();
    const Visita v = visitaDeHoy();
    principalA1366();
    Resultado r;
    int borradas = 0;
    try {
        r.programa = medir(
            c.repeticiones(),
            [&](int) {
                restaurar(v);
                Form1->ADODataSetCitas->reopen();
                Form1->MonthCalendar1Click();
                abrirRegistro(v);
            },
            [] {
                FormDatosCita->BitBtn4Click();
                Form1->repaint();
            });
        borradas = comando::valor(sql::contarVisitasDelDia(v.fila.codigo, v.fila.fecha)).toInt()
                           == 0
                       ? 1
                       : 0;
    } catch (...) {
        cerrarRegistro();
        restaurar(v);
        throw;
    }
    cerrarRegistro();
    restaurar(v);
    Form1->ADODataSetCitas->reopen();
    Form1->MonthCalendar1Click();
    r.notas << refrescosSolos(c.repeticiones());

    r.desnudo = escrituraDesnuda(sql::borrarVisita(v.fila.codigo, v.fila.fecha),
                                 c.repeticiones(), [&] { restaurar(v); });
    restaurar(v);
    principalComoAntes();
    r.notas << QStringLiteral("cita %1 del %2: pregunta, DELETE, lista del día, vista rápida y "
                              "tablero, historial si abierto, aviso, cierre; principal (1366x768) "
                              "repintada; cita %3; desnudo = solo el DELETE")
                   .arg(v.fila.codigo)
                   .arg(v.fila.fecha,
                        borradas ? QStringLiteral("borrada y repuesta")
                                 : QStringLiteral("NO borrada"));
    if (!borradas)
        throw Fallo(r.notas.constLast());
    return r;
}

}  // namespace

QList<Accion> accionesDatosCita()
{
    return {
        {QStringLiteral("abrir_datos_cita"), abrirDatosCita},
        {QStringLiteral("guardar_cita"), guardarCita},
        {QStringLiteral("borrar_cita"), borrarCita},
    };
}

}  // namespace bench
