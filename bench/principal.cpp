// The main window's actions, driven through its own handlers as the user would trigger them.
#include "db/reloj.h"
#include "bench/medir.h"

#include "app/ventanas.h"
#include "db/copia.h"
#include "db/copiasauto.h"
#include "db/dataset.h"
#include "db/formatos.h"
#include "db/sql.h"
#include "ui/common/rejilla.h"
#include "ui/main/copiasauto.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace bench {

namespace {

QString hoy()
{
    return formatos::textoFecha(reloj::hoy());
}

// The large database makes the day it was generated the busiest one. Run on a later day, today
// is an ordinary day and the figures understate the worst case: say so beside them.
QString avisoDia(Contexto& c, int citasHoy)
{
    const QVariantList masCitas = c.primeraFila(
        Sql{QStringLiteral("SELECT fecha, count(*) FROM Visita GROUP BY fecha "
                           "ORDER BY count(*) DESC LIMIT 1"),
            {}});
    if (masCitas.size() < 2 || masCitas.at(1).toInt() <= citasHoy)
        return {};
    return QStringLiteral("ojo: hoy no es el día con más citas (%1, con %2); genere la base hoy")
        .arg(masCitas.at(0).toString())
        .arg(masCitas.at(1).toInt());
}

template <typename T>
T* control(const char* nombre)
{
    T* w = Form1->findChild<T*>(QString::fromLatin1(nombre));
    if (!w)
        throw Fallo(QStringLiteral("la ventana principal no tiene %1").arg(
            QString::fromLatin1(nombre)));
    return w;
}

// The handler alone, without the paint, for the notes: how much of the wait is the paint.
QString sinRepintado(const Repeticiones& r, const std::function<void(int)>& antes,
                     const std::function<void()>& handler)
{
    const Tiempos t = medir(r, antes, handler);
    return QStringLiteral("sin el repintado: mediana %1 ms, máximo %2 ms")
        .arg(QString::number(t.mediana(), 'f', 1), QString::number(t.maximo(), 'f', 1));
}

// Today's list re-run after a change of ordering. Two orderings alternate, so every run really
// changes the order and both need a sort beyond what the date index gives.
Resultado listaDelDia(Contexto& c)
{
    c.asegurarVentanas();
    auto* combo = control<QComboBox>("ComboBox1");
    auto* grid = control<Rejilla>("DBGrid1");
    const QStringList ordenes = {QStringLiteral("Nombre"), QStringLiteral("Primer Apellido")};
    const auto antes = [&](int i) {
        QCoreApplication::processEvents();
        combo->setCurrentText(ordenes.at((i % 2 + 2) % 2));
    };
    const auto cambiar = [] { Form1->ComboBox1Change(); };

    Resultado r;
    r.programa = medir(c.repeticiones(), antes, [&] {
        cambiar();
        pintarVentana(Form1);
    });
    const int enLista = grid->model()->rowCount();
    r.notas << sinRepintado(c.repeticiones(), antes, cambiar);
    int filas = 0;
    r.desnudo = c.desnudo(sql::citasDelDia(hoy(), QStringLiteral("ORDER BY nombre")),
                          c.repeticiones(), &filas);
    r.notas << QStringLiteral("hoy %1: %2 citas (la rejilla tiene %3 filas cargadas); "
                              "órdenes alternados: %4; desnudo = la misma sentencia por nombre")
                   .arg(hoy())
                   .arg(filas)
                   .arg(enLista)
                   .arg(ordenes.join(QStringLiteral(" / ")));
    if (const QString aviso = avisoDia(c, filas); !aviso.isEmpty())
        r.notas << aviso;
    // Leave the window as it starts, for whatever runs next.
    combo->setCurrentText(QStringLiteral("Hora"));
    Form1->ComboBox1Change();
    return r;
}

// The calendar's quick view rebuilt for today, the busiest day of the large database.
Resultado vistaRapida(Contexto& c)
{
    c.asegurarVentanas();
    const auto antes = [](int) { QCoreApplication::processEvents(); };
    const auto pulsar = [] { Form1->MonthCalendar1Click(); };

    Resultado r;
    r.programa = medir(c.repeticiones(), antes, [&] {
        pulsar();
        pintarVentana(Form1);
    });
    r.notas << sinRepintado(c.repeticiones(), antes, pulsar);
    int filas = 0;
    r.desnudo = c.desnudo(sql::vistaRapida(hoy()), c.repeticiones(), &filas);
    r.notas << QStringLiteral("día %1: %2 citas; el programa lee la primera pantalla de la "
                              "lista y las horas ocupadas; desnudo = la sentencia de la lista "
                              "hasta su última fila")
                   .arg(hoy())
                   .arg(filas);
    if (const QString aviso = avisoDia(c, filas); !aviso.isEmpty())
        r.notas << aviso;
    return r;
}

// The engine's online backup alone, into a new file, without the program's check and rename.
void copiaDesnuda(const QString& origen, const QString& destino)
{
    sqlite3* de = nullptr;
    sqlite3* a = nullptr;
    sqlite3_open_v2(QFile::encodeName(origen).constData(), &de, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_open_v2(QFile::encodeName(destino).constData(), &a,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_exec(a, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    sqlite3_backup* b = sqlite3_backup_init(a, "main", de, "main");
    const int paso = b ? sqlite3_backup_step(b, -1) : SQLITE_ERROR;
    sqlite3_backup_finish(b);
    const QString fallo = paso == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(a));
    sqlite3_close(a);
    sqlite3_close(de);
    if (!fallo.isEmpty())
        throw Fallo(QStringLiteral("copia desnuda: ") + fallo);
}

// "Guardar copia" without its dialogs: the copy itself, checked and moved into place.
Resultado copiaSeguridad(Contexto& c)
{
    c.asegurarVentanas();
    QTemporaryDir carpeta;
    if (!carpeta.isValid())
        throw Fallo(QStringLiteral("no se puede crear una carpeta temporal"));
    const QString destino = carpeta.filePath(QStringLiteral("copia.mdb"));
    // A backup takes seconds; a few runs tell enough.
    const Repeticiones r{std::min(c.repeticiones().veces, 5), 1};
    const auto borrar = [&](int) { QFile::remove(destino); };

    Resultado res;
    res.programa = medir(r, borrar, [&] { copia::guardar(QSqlDatabase::database(), destino); });
    const qint64 tamano = QFileInfo(destino).size();
    res.desnudo = medir(r, borrar, [&] { copiaDesnuda(c.rutaBaseDatos(), destino); });
    QFile::remove(destino);
    res.notas << QStringLiteral("%1 veces; copia de %2 MB; desnudo = solo la copia en línea del "
                                "motor, sin la comprobación de integridad ni el cambio de nombre")
                     .arg(r.veces)
                     .arg(QString::number(tamano / 1048576.0, 'f', 1));
    return res;
}

// The automatic copy the program makes when it ends, as it makes it (progress window included),
// into the backup folder beside the database; each copy is removed after it is timed.
Resultado copiaAlSalir(Contexto& c)
{
    c.asegurarVentanas();
    const Repeticiones r{std::min(c.repeticiones().veces, 5), 1};
    QString hecha;
    const auto borrar = [&](int) {
        if (!hecha.isEmpty())
            QFile::remove(hecha);
    };
    Resultado res;
    res.programa = medir(r, borrar, [&] {
        if (!copiasautomaticas::hacer(c.rutaBaseDatos()))
            throw Fallo(QStringLiteral("la copia automática ha fallado"));
        hecha = copiasauto::leerEstado(c.rutaBaseDatos()).rutaUltima;
    });
    const qint64 tamano = QFileInfo(hecha).size();
    borrar(0);
    QTemporaryDir carpeta;
    const QString destino = carpeta.filePath(QStringLiteral("copia.mdb"));
    res.desnudo = medir(r, [&](int) { QFile::remove(destino); },
                        [&] { copiaDesnuda(c.rutaBaseDatos(), destino); });
    res.notas << QStringLiteral("%1 veces; copia de %2 MB en %3; desnudo = solo la copia en "
                                "línea del motor")
                     .arg(r.veces)
                     .arg(QString::number(tamano / 1048576.0, 'f', 1))
                     .arg(copiasauto::leerAjustes(c.rutaBaseDatos()).carpeta);
    return res;
}

}  // namespace

QList<Accion> accionesPrincipal()
{
    return {
        {QStringLiteral("lista_del_dia"), listaDelDia},
        {QStringLiteral("vista_rapida"), vistaRapida},
        {QStringLiteral("copia_seguridad"), copiaSeguridad},
        {QStringLiteral("copia_al_salir"), copiaAlSalir},
    };
}

}  // namespace bench
