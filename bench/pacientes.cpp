// Patient search and patient record, driven through the windows' own handlers and timed to the
// end of the paint of what changed on screen. Whatever a run writes is put back afterwards.
#include "bench/medir.h"

#include "app/ventanas.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "ui/common/desplegable.h"
#include "ui/common/rejilla.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace bench {

namespace {

// A patient registered and deleted again by the delete action, far above the large database's
// own codes.
constexpr int kCodigoBaja = 2000000100;

void pantallaDeTrabajo();

template <typename T>
T* control(QWidget* ventana, const char* nombre)
{
    T* w = ventana->findChild<T*>(QString::fromLatin1(nombre));
    if (!w)
        throw Fallo(QStringLiteral("%1 no tiene %2").arg(ventana->objectName(),
                                                        QString::fromLatin1(nombre)));
    return w;
}

QString ms(double v)
{
    return QString::number(v, 'f', 1);
}

// Paints now, not at the next turn of the event loop: the clock stops when the user sees it.
void pintar(const QList<QWidget*>& ventanas)
{
    for (QWidget* w : ventanas)
        w->repaint();
}

// The search window as the user has it, with the given search ready to run.
void prepararBusqueda(const QString& por, const QString& texto)
{
    FormBuscar->show();
    control<Desplegable>(FormBuscar, "ComboBox1")->fijarTexto(por);
    control<QLineEdit>(FormBuscar, "Edit1")->setText(texto);
    FormBuscar->CampoOrden = QStringLiteral("codigo");
    QCoreApplication::processEvents();
}

struct Busqueda {
    QString por, columna, texto;
};

Resultado buscar(Contexto& c, const Busqueda& b)
{
    c.asegurarVentanas();
    pantallaDeTrabajo();
    prepararBusqueda(b.por, b.texto);
    auto* grid = control<Rejilla>(FormBuscar, "DBGrid1");
    const auto antes = [](int) {
        // A result left from the last run would let the grid skip its reset.
        FormBuscar->ADODataSetBuscarPaciente->close();
        QCoreApplication::processEvents();
    };
    Resultado r;
    r.programa = medir(c.repeticiones(), antes, [] {
        FormBuscar->BitBtn2Click();
        pintar({FormBuscar});
    });
    const int cargadas = grid->model()->rowCount();
    const QString primera = grid->model()->index(0, 1).data().toString();
    const Tiempos sinPintar = medir(c.repeticiones(), antes, [] { FormBuscar->BitBtn2Click(); });
    int filas = 0;
    r.desnudo = c.desnudo(sql::buscarPacientes(b.columna, b.texto, QStringLiteral("codigo")),
                          c.repeticiones(), &filas);
    // The same text ordered by the first surname, the other order a user picks most.
    FormBuscar->CampoOrden = QStringLiteral("apellido1");
    const Tiempos porApellido = medir(c.repeticiones(), antes, [] {
        FormBuscar->BitBtn2Click();
        pintar({FormBuscar});
    });
    const Tiempos porApellidoDesnudo = c.desnudo(
        sql::buscarPacientes(b.columna, b.texto, QStringLiteral("apellido1")), c.repeticiones());
    FormBuscar->CampoOrden = QStringLiteral("codigo");
    r.notas << QStringLiteral("«%1» en %2: %3 pacientes, %4 cargados en la rejilla (primero "
                              "%5); ventana %6x%7 pintada entera")
                   .arg(b.texto, b.columna)
                   .arg(filas)
                   .arg(cargadas)
                   .arg(primera)
                   .arg(FormBuscar->width())
                   .arg(FormBuscar->height());
    r.notas << QStringLiteral("sin el pintado: mediana %1 ms; ordenado por primer apellido con "
                              "el pintado: mediana %2 ms, máximo %3 ms, desnudo %4 ms")
                   .arg(ms(sinPintar.mediana()), ms(porApellido.mediana()),
                        ms(porApellido.maximo()), ms(porApellidoDesnudo.mediana()));
    r.notas << QStringLiteral("desnudo = la sentencia hasta su última fila; la ventana lee "
                              "solo la primera tanda");
    FormBuscar->hide();
    return r;
}

Resultado buscarVacio(Contexto& c)
{
    return buscar(c, {QStringLiteral("Primer Apellido"), QStringLiteral("apellido1"), QString()});
}

Resultado buscarGarc(Contexto& c)
{
    return buscar(c, {QStringLiteral("Primer Apellido"), QStringLiteral("apellido1"),
                      QStringLiteral("GARC")});
}

Resultado buscarCodigo1(Contexto& c)
{
    return buscar(c, {QStringLiteral("Código"), QStringLiteral("codigo"), QStringLiteral("1")});
}

// The patient with the longest history: where opening his record does the most work.
int pacienteConMasVisitas(Contexto& c, int* visitas)
{
    const QVariantList fila = c.primeraFila(
        Sql{QStringLiteral("SELECT codigo, count(*) FROM Visita GROUP BY codigo "
                           "ORDER BY count(*) DESC LIMIT 1"),
            {}});
    if (fila.size() < 2)
        throw Fallo(QStringLiteral("la base no tiene visitas"));
    *visitas = fila.at(1).toInt();
    return fila.at(0).toInt();
}

// The record of `codigo`, open and shown, as after the search's double-click.
void mostrarFicha(int codigo)
{
    FormDatos->CodigoPaciente = codigo;
    FormDatos->FormActivate();
    FormDatos->show();
    QCoreApplication::processEvents();
}

void cerrarFicha()
{
    FormDatos->hide();
    FormDatos->ADODataSet2->close();
    FormDatos->ADODataSet1->close();
}

Resultado abrirFicha(Contexto& c)
{
    c.asegurarVentanas();
    pantallaDeTrabajo();
    int visitas = 0;
    const int codigo = pacienteConMasVisitas(c, &visitas);
    mostrarFicha(codigo);
    const auto antes = [](int) {
        FormDatos->ADODataSet2->close();
        FormDatos->ADODataSet1->close();
        QCoreApplication::processEvents();
    };
    Resultado r;
    r.programa = medir(c.repeticiones(), antes, [codigo] {
        FormDatos->CodigoPaciente = codigo;
        FormDatos->FormActivate();
        pintar({FormDatos});
    });
    const int enHistorial = FormDatos->ADODataSet2->model()->rowCount();
    const Tiempos sinPintar = medir(c.repeticiones(), antes, [codigo] {
        FormDatos->CodigoPaciente = codigo;
        FormDatos->FormActivate();
    });
    const Tiempos soloPintar =
        medir(c.repeticiones(), [](int) { FormDatos->update(); }, [] { pintar({FormDatos}); });
    cerrarFicha();
    const Tiempos paciente = c.desnudo(sql::pacientePorCodigo(codigo), c.repeticiones());
    const Tiempos historia = c.desnudo(sql::historialPaciente(codigo), c.repeticiones());
    Tiempos desnudo;
    for (int i = 0; i < paciente.ms.size() && i < historia.ms.size(); ++i)
        desnudo.ms << paciente.ms.at(i) + historia.ms.at(i);
    r.desnudo = desnudo;
    r.notas << QStringLiteral("paciente %1 con %2 visitas (%3 en el historial); ventana %4x%5 "
                              "pintada entera; desnudo = las dos sentencias; sin pintar %6 ms, "
                              "solo el pintado %7 ms")
                   .arg(codigo)
                   .arg(visitas)
                   .arg(enHistorial)
                   .arg(FormDatos->width())
                   .arg(FormDatos->height())
                   .arg(ms(sinPintar.mediana()), ms(soloPintar.mediana()));
    return r;
}

// The lists a change of a patient refreshes, as the user sees them: the main window's day list
// (and its quick view after a deletion) and the search behind the record.
QList<QWidget*> listasRefrescadas(bool tambienBorrado)
{
    // After a deletion the search window is painted whole, as it comes to the front.
    if (tambienBorrado)
        return {control<Rejilla>(Form1, "DBGrid1")->viewport(),
                control<Rejilla>(Form1, "DBGrid2")->viewport(), FormBuscar};
    return {control<Rejilla>(Form1, "DBGrid1")->viewport(),
            control<Rejilla>(FormBuscar, "DBGrid1")->viewport()};
}

// The main window as on the practice's 1366 x 768 screen, whatever the offscreen screen is:
// the lists a change refreshes are painted at the size the user has them.
void pantallaDeTrabajo()
{
    if (Form1->size() == QSize(1366, 768))
        return;
    Form1->showNormal();
    Form1->setGeometry(0, 0, 1366, 768);
    QCoreApplication::processEvents();
}

QString tamanoPrincipal()
{
    return QStringLiteral("ventana principal %1x%2").arg(Form1->width()).arg(Form1->height());
}

sql::DatosPaciente leerPaciente(int codigo)
{
    QSqlQuery fila = comando::preparar(sql::pacientePorCodigo(codigo));
    if (!fila.next())
        throw Fallo(QStringLiteral("no existe el paciente %1").arg(codigo));
    sql::DatosPaciente p;
    p.codigo = codigo;
    const auto v = [&](const char* campo) { return fila.value(QLatin1String(campo)).toString(); };
    p.nombre = v("nombre");
    p.apellido1 = v("apellido1");
    p.apellido2 = v("apellido2");
    p.dni = v("dni");
    p.tlf1 = v("tlf1");
    p.tlf2 = v("tlf2");
    p.direccion = v("direccion");
    p.poblacion = v("poblacion");
    p.provincia = v("provincia");
    p.fechaAlta = v("fecha_alta");
    p.sociedad = v("sociedad");
    p.comentario = v("comentario");
    return p;
}

// A patient with a visit today: the day list he appears in is refreshed for real.
int pacienteDeHoy()
{
    const QVariant codigo = comando::valor(
        Sql{QStringLiteral("SELECT Paciente.codigo FROM Paciente, Visita WHERE Visita.fecha = ? "
                           "AND Visita.codigo = Paciente.codigo ORDER BY Paciente.codigo LIMIT 1"),
            {formatos::textoFecha(reloj::hoy())}});
    if (!codigo.isValid())
        throw Fallo(QStringLiteral("nadie tiene cita hoy"));
    return codigo.toInt();
}

Resultado guardarPaciente(Contexto& c)
{
    c.asegurarVentanas();
    pantallaDeTrabajo();
    const int codigo = pacienteDeHoy();
    const sql::DatosPaciente original = leerPaciente(codigo);
    prepararBusqueda(QStringLiteral("Primer Apellido"), original.apellido1.left(4));
    FormBuscar->BitBtn2Click();
    mostrarFicha(codigo);
    auto* comentario = control<QLineEdit>(FormDatos, "DBEdit12");
    Resultado r;
    try {
        r.programa = medir(
            c.repeticiones(),
            [&](int i) {
                comentario->setText(QStringLiteral("PRUEBA DE TIEMPOS %1").arg(i + 1));
                QCoreApplication::processEvents();
            },
            [] {
                FormDatos->BitBtn3Click();
                pintar({FormDatos});
                pintar(listasRefrescadas(false));
            });
        const QString guardado =
            comando::valor(Sql{QStringLiteral("SELECT comentario FROM Paciente WHERE codigo = ?"),
                               {codigo}})
                .toString();
        sql::DatosPaciente p = original;
        r.desnudo = medir(
            c.repeticiones(),
            [&](int i) { p.comentario = QStringLiteral("DESNUDO %1").arg(i + 1); },
            [&] { comando::ejecutar(sql::modificarPaciente(p)); });
        r.notas << QStringLiteral("paciente %1 (cita hoy): pregunta, actualización, lista del "
                                  "día, búsqueda «%2», aviso y pintado; guardado "
                                  "«%3»; desnudo = la actualización sola, con su escritura a "
                                  "disco; %4")
                       .arg(codigo)
                       .arg(original.apellido1.left(4), guardado, tamanoPrincipal());
    } catch (...) {
        comando::ejecutar(sql::modificarPaciente(original));
        cerrarFicha();
        FormBuscar->hide();
        throw;
    }
    comando::ejecutar(sql::modificarPaciente(original));
    cerrarFicha();
    FormBuscar->hide();
    Form1->ADODataSetCitas->reopen();
    Form1->MonthCalendar1Click();
    return r;
}

// A patient with ten visits, one of them today, to be deleted.
void crearPacienteParaBaja()
{
    comando::ejecutar(sql::borrarVisitasDePaciente(kCodigoBaja));
    comando::ejecutar(sql::borrarPaciente(kCodigoBaja));
    sql::DatosPaciente p;
    p.codigo = kCodigoBaja;
    p.nombre = QStringLiteral("LUCÍA");
    p.apellido1 = QStringLiteral("GARCÍA");
    p.apellido2 = QStringLiteral("O'BRIEN");
    p.tlf1 = QStringLiteral("600111222");
    p.fechaAlta = formatos::textoFecha(reloj::hoy());
    comando::Transaccion t;
    comando::ejecutar(sql::insertarPaciente(p));
    for (int i = 0; i < 10; ++i) {
        sql::NuevaVisita v;
        v.codigo = kCodigoBaja;
        v.fecha = formatos::textoFecha(reloj::hoy().addDays(-30 * i));
        v.hora = QStringLiteral("21:00");
        comando::ejecutar(sql::insertarVisita(v));
    }
    t.commit();
}

Resultado borrarPaciente(Contexto& c)
{
    c.asegurarVentanas();
    pantallaDeTrabajo();
    prepararBusqueda(QStringLiteral("Primer Apellido"), QStringLiteral("GARC"));
    Resultado r;
    int quedan = 0;
    try {
        r.programa = medir(
            c.repeticiones(),
            [](int) {
                crearPacienteParaBaja();
                FormBuscar->BitBtn2Click();
                Form1->ADODataSetCitas->reopen();
                Form1->MonthCalendar1Click();
                mostrarFicha(kCodigoBaja);
            },
            [] {
                FormDatos->BitBtn4Click();
                pintar(listasRefrescadas(true));
            });
        quedan = comando::valor(Sql{QStringLiteral("SELECT (SELECT COUNT(*) FROM Paciente WHERE "
                                                   "codigo = ?) + (SELECT COUNT(*) FROM Visita "
                                                   "WHERE codigo = ?)"),
                                    {kCodigoBaja, kCodigoBaja}})
                     .toInt();
        r.desnudo = medir(
            c.repeticiones(), [](int) { crearPacienteParaBaja(); },
            [] {
                comando::Transaccion t;
                comando::ejecutar(sql::borrarVisitasDePaciente(kCodigoBaja));
                comando::ejecutar(sql::borrarPaciente(kCodigoBaja));
                t.commit();
            });
    } catch (...) {
        comando::ejecutar(sql::borrarVisitasDePaciente(kCodigoBaja));
        comando::ejecutar(sql::borrarPaciente(kCodigoBaja));
        cerrarFicha();
        FormBuscar->hide();
        throw;
    }
    cerrarFicha();
    FormBuscar->hide();
    Form1->ADODataSetCitas->reopen();
    Form1->MonthCalendar1Click();
    r.notas << QStringLiteral("paciente con 10 visitas (una hoy): pregunta, borrado del paciente "
                              "y sus visitas en una transacción, lista del día, búsqueda «GARC», "
                              "cierre, vista rápida, aviso y pintado; quedan %1 filas suyas; "
                              "desnudo = los dos borrados en su transacción; %2")
                   .arg(quedan)
                   .arg(tamanoPrincipal());
    if (quedan != 0)
        throw Fallo(r.notas.constLast());
    return r;
}

// The look-up "&Insertar" makes before registering: patients typed as ones already there (their
// DNI, names and telephones), so every rule finds them, a different one each run; then a new
// patient, whom no rule finds, as most registrations are.
Resultado buscarParecidos(Contexto& c)
{
    c.asegurarVentanas();
    QList<sql::DatosPaciente> muestras;
    for (int codigo = 137; muestras.size() < 25; codigo += 3989)
        muestras << leerPaciente(codigo);
    DataSet datos(QStringLiteral("parecidos"));
    int encontrados = 0;
    const auto buscarCon = [&](const sql::DatosPaciente& p) {
        datos.close();
        datos.setCommand(sql::pacientesParecidos(p));
        datos.open();
        encontrados = 0;
        for (datos.first(); !datos.eof(); datos.next())
            ++encontrados;
    };
    sql::DatosPaciente p;
    Resultado r;
    r.programa = medir(
        c.repeticiones(), [&](int i) { p = muestras.at((i + muestras.size()) % muestras.size()); },
        [&] { buscarCon(p); });
    const int hallados = encontrados;
    int filas = 0;
    r.desnudo = c.desnudo(sql::pacientesParecidos(muestras.first()), c.repeticiones(), &filas);
    sql::DatosPaciente nuevo;
    nuevo.nombre = QStringLiteral("ZOÉ");
    nuevo.apellido1 = QStringLiteral("MARTÍN");
    nuevo.apellido2 = QStringLiteral("ZUBIZARRETA");
    nuevo.dni = QStringLiteral("00000023T");
    nuevo.tlf1 = QStringLiteral("699000001");
    const Tiempos sinNadie = medir(c.repeticiones(), nullptr, [&] { buscarCon(nuevo); });
    r.notas << QStringLiteral("un paciente ya dado de alta: %1 parecido(s) en la última vuelta; "
                              "uno nuevo (MARTÍN, el apellido más repetido): %2 hallados, "
                              "mediana %3 ms, máximo %4 ms")
                   .arg(hallados)
                   .arg(encontrados)
                   .arg(ms(sinNadie.mediana()), ms(sinNadie.maximo()));
    return r;
}

}  // namespace

QList<Accion> accionesPacientes()
{
    return {
        {QStringLiteral("buscar_vacio"), buscarVacio},
        {QStringLiteral("buscar_garc"), buscarGarc},
        {QStringLiteral("buscar_codigo_1"), buscarCodigo1},
        {QStringLiteral("abrir_ficha"), abrirFicha},
        {QStringLiteral("guardar_paciente"), guardarPaciente},
        {QStringLiteral("borrar_paciente"), borrarPaciente},
        {QStringLiteral("pacientes_parecidos"), buscarParecidos},
    };
}

}  // namespace bench
