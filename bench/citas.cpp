// Registering a patient and booking a visit, driven through the windows' own handlers: the two
// code searches, the patient insert, the booking insert with its refreshes, and opening the
// booking window on the busiest day. Every row inserted here is deleted again, and the next code
// to propose is put back as it was.
#include "bench/medir.h"

#include "app/ventanas.h"
#include "db/agenda.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "db/sql.h"
#include "ui/common/controles.h"
#include "ui/common/rejilla.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <chrono>

namespace bench {

namespace {

// Codes far above the large database's own, for patients registered and deleted again.
constexpr int kCodigoPrueba = 2000000000;

QVariant valor(const QString& texto, const QVariantList& valores = {})
{
    return comando::valor(Sql{texto, valores});
}

void ejecutar(const QString& texto, const QVariantList& valores = {})
{
    comando::ejecutar(Sql{texto, valores});
}

template <typename T>
T* control(QWidget* ventana, const char* nombre)
{
    T* w = ventana->findChild<T*>(QString::fromLatin1(nombre));
    if (!w)
        throw Fallo(QStringLiteral("%1 no tiene %2").arg(ventana->objectName(),
                                                        QString::fromLatin1(nombre)));
    return w;
}

// Whatever an action moves in tabla_codigo goes back when it ends, thrown out or not.
class GuardaTablaCodigo {
public:
    GuardaTablaCodigo() : codigo_(valor(QStringLiteral("SELECT codigo FROM tabla_codigo"))) {}
    ~GuardaTablaCodigo()
    {
        try {
            if (codigo_.isValid())
                comando::ejecutar(sql::guardarTablaCodigo(codigo_.toLongLong()));
        } catch (const DbError&) {
            // Nothing sensible is left to do at the end of a run.
        }
    }
    qint64 codigo() const { return codigo_.toLongLong(); }

private:
    QVariant codigo_;
};

// The busiest day of the database: where opening and booking do the most work.
QDate diaConMasCitas(Contexto& c, int* citas)
{
    const QVariantList fila = c.primeraFila(
        Sql{QStringLiteral("SELECT fecha, count(*) FROM Visita GROUP BY fecha "
                           "ORDER BY count(*) DESC LIMIT 1"),
            {}});
    const QDate dia = formatos::fechaDeTexto(fila.value(0).toString());
    if (!dia.isValid())
        throw Fallo(QStringLiteral("la base no tiene citas"));
    *citas = fila.value(1).toInt();
    return dia;
}

QString ms(double v)
{
    return QString::number(v, 'f', 1);
}

// The new-patient window as the user has it: shown, with the search notice able to paint.
void mostrarAlta()
{
    FormAlta->show();
    QCoreApplication::processEvents();
}

// Opening a window as the user does: hidden before, then activated, shown and fully painted.
Tiempos abrirVentana(Contexto& c, Ventana* ventana, const std::function<void()>& preparar,
                     double* primera)
{
    const auto antes = [&](int) {
        ventana->hide();
        preparar();
        QCoreApplication::processEvents();
    };
    Tiempos t = medirConPrimera(c.repeticiones(), antes, [&] {
        ventana->FormActivate();
        ventana->show();
        pintarVentana(ventana);
    }, primera);
    ventana->hide();
    return t;
}

Resultado codigoRapido(Contexto& c)
{
    c.asegurarVentanas();
    GuardaTablaCodigo guarda;
    mostrarAlta();
    Resultado r;
    r.programa = medir(c.repeticiones(), [](int) { QCoreApplication::processEvents(); }, [] {
        FormAlta->BitBtn4Click();
        pintarVentana(FormAlta);
    });
    const QString propuesto = control<QLineEdit>(FormAlta, "LabeledEdit1")->text();
    FormAlta->hide();
    r.desnudo = c.desnudo(sql::primerCodigoLibreDesde(guarda.codigo()), c.repeticiones());
    r.notas << QStringLiteral("tabla_codigo en %1, propone %2").arg(guarda.codigo()).arg(
        propuesto);
    return r;
}

// The search as it used to be: read the next code, count the patients holding it, and move it
// on by one, three statements per taken code, each committed on its own.
double pasoAPaso(const QString& ruta, qint64* propuesto)
{
    const QString conexion = QStringLiteral("bench-paso-a-paso");
    double total = 0;
    {
        QSqlDatabase db = esquema::abrir(ruta, conexion);
        comando::ejecutar(sql::guardarTablaCodigo(1), db);
        const auto inicio = std::chrono::steady_clock::now();
        for (;;) {
            const qint64 n = comando::valor(sql::leerTablaCodigo(), db).toLongLong();
            if (comando::valor(sql::contarPacientesConCodigo(n), db).toInt() == 0) {
                *propuesto = n;
                break;
            }
            comando::ejecutar(sql::guardarTablaCodigo(n + 1), db);
        }
        total = milisegundosDesde(inicio);
    }
    esquema::cerrar(conexion);
    return total;
}

Resultado codigoExhaustivo(Contexto& c)
{
    c.asegurarVentanas();
    GuardaTablaCodigo guarda;
    mostrarAlta();
    Resultado r;
    // The question is answered OK by the driver; its text goes to the error output.
    r.programa = medir(c.repeticiones(), [](int) { QCoreApplication::processEvents(); }, [] {
        FormAlta->BitBtn5Click();
        pintarVentana(FormAlta);
    });
    const QString propuesto = control<QLineEdit>(FormAlta, "LabeledEdit1")->text();
    FormAlta->hide();
    r.desnudo = c.desnudo(sql::primerCodigoLibreDesde(1), c.repeticiones());
    const int ocupados = valor(QStringLiteral("SELECT COUNT(*) FROM Paciente")).toInt();
    r.notas << QStringLiteral("%1 códigos ocupados, propone %2").arg(ocupados).arg(propuesto);

    // The old loop changes tabla_codigo a hundred thousand times and takes about a minute: it
    // runs only when asked, once, on a copy.
    if (!c.pasoAPaso()) {
        r.notas << QStringLiteral("paso a paso: no medido (--paso-a-paso)");
        return r;
    }
    QTemporaryDir carpeta;
    const QString copia = carpeta.filePath(QStringLiteral("paso-a-paso.mdb"));
    if (!carpeta.isValid() || !QFile::copy(c.rutaBaseDatos(), copia)) {
        r.notas << QStringLiteral("paso a paso: no se ha podido copiar la base");
        return r;
    }
    qint64 propuestoPaso = 0;
    const double lento = pasoAPaso(copia, &propuestoPaso);
    r.notas << QStringLiteral("paso a paso (lectura, cuenta y actualización por código, una vez, "
                              "en una copia): %1 ms, propone %2; %3 veces más lento")
                   .arg(ms(lento))
                   .arg(propuestoPaso)
                   .arg(QString::number(lento / r.programa.mediana(), 'f', 0));
    return r;
}

Resultado altaPaciente(Contexto& c)
{
    c.asegurarVentanas();
    GuardaTablaCodigo guarda;
    auto* cita = control<QCheckBox>(FormAlta, "CheckBox1");
    const bool marcada = cita->isChecked();
    cita->setChecked(false);
    QList<QLineEdit*> edits;
    for (int n = 1; n <= 12; ++n)
        edits << control<QLineEdit>(FormAlta, qPrintable(QStringLiteral("LabeledEdit%1").arg(n)));
    const auto borrar = [] {
        ejecutar(QStringLiteral("DELETE FROM Paciente WHERE codigo >= ?"), {kCodigoPrueba});
    };
    borrar();

    Resultado r;
    r.programa = medir(
        c.repeticiones(),
        [&](int i) {
            borrar();
            FormAlta->FormActivate();
            mostrarAlta();
            edits.at(0)->setText(QString::number(kCodigoPrueba + i + 1));
            const QStringList datos = {"LUCÍA", "GARCÍA", "O'BRIEN", "12345678Z", "600111222",
                                       "", "C/ SIERPES, 3", "SEVILLA", "SEVILLA", "ADESLAS",
                                       "PRUEBA DE TIEMPOS"};
            for (int n = 0; n < datos.size(); ++n)
                edits.at(n + 1)->setText(datos.at(n));
        },
        [] {
            FormAlta->BitBtn3Click();
            pintarVentana(Form1);
        });
    const int quedan = valor(QStringLiteral("SELECT COUNT(*) FROM Paciente WHERE codigo >= ?"),
                             {kCodigoPrueba})
                           .toInt();
    borrar();
    cita->setChecked(marcada);
    FormAlta->hide();
    r.notas << QStringLiteral("comprobación del código, alta, aviso, cierre, lista del día "
                              "vuelta a abrir y pintada; %1 paciente por vuelta, borrado antes "
                              "de la siguiente; sin desnudo: son varias sentencias")
                   .arg(quedan);
    return r;
}

// A patient with no visit on `fecha`, who can be booked there.
int pacienteSinCita(const QString& fecha)
{
    const QVariant codigo = valor(
        QStringLiteral("SELECT codigo FROM Paciente WHERE codigo NOT IN "
                       "(SELECT codigo FROM Visita WHERE fecha = ?) ORDER BY codigo LIMIT 1"),
        {fecha});
    if (!codigo.isValid())
        throw Fallo(QStringLiteral("todos los pacientes tienen cita el %1").arg(fecha));
    return codigo.toInt();
}

Resultado reservarCita(Contexto& c)
{
    c.asegurarVentanas();
    int citas = 0;
    const QDate dia = diaConMasCitas(c, &citas);
    const QString fecha = formatos::textoFecha(dia);
    const int codigo = pacienteSinCita(fecha);
    FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
    FormNuevaCita->CodigoPaciente = codigo;
    const auto borrar = [&] {
        ejecutar(QStringLiteral("DELETE FROM Visita WHERE codigo = ? AND fecha = ?"),
                 {codigo, fecha});
    };

    Resultado r;
    r.programa = medir(
        c.repeticiones(),
        [&](int) {
            borrar();
            FormNuevaCita->FormActivate();
            FormNuevaCita->show();
            QCoreApplication::processEvents();
            control<Casilla>(FormNuevaCita, "Panel7")->click();
        },
        [] {
            FormNuevaCita->BitBtn2Click();
            pintarVentana(Form1);
        });
    const bool guardada =
        valor(QStringLiteral("SELECT COUNT(*) FROM Visita WHERE codigo = ? AND fecha = ?"),
              {codigo, fecha})
            .toInt()
        == 1;
    borrar();
    FormNuevaCita->hide();
    // The main window back to the data as it is now.
    Form1->ADODataSetCitas->reopen();
    Form1->MonthCalendar1Click();
    r.desnudo = c.desnudo(sql::citasDeFecha(fecha), c.repeticiones());
    r.notas << QStringLiteral("día %1 (%2 citas), paciente %3: comprobación, alta, aviso, lista "
                              "de la ventana, lista del día y vista rápida de la principal "
                              "pintadas, cierre; cita %4; desnudo = solo la lista del día de la "
                              "ventana")
                   .arg(fecha)
                   .arg(citas)
                   .arg(codigo)
                   .arg(guardada ? QStringLiteral("guardada y borrada")
                                 : QStringLiteral("NO guardada"));
    if (!guardada)
        throw Fallo(r.notas.constLast());
    return r;
}

Resultado abrirCita(Contexto& c)
{
    c.asegurarVentanas();
    int citas = 0;
    const QDate dia = diaConMasCitas(c, &citas);
    const QString fecha = formatos::textoFecha(dia);
    FormNuevaCita->MonthCalendar1->setSelectedDate(dia);
    FormNuevaCita->CodigoPaciente = pacienteSinCita(fecha);

    Resultado r;
    double primera = 0;
    r.programa = abrirVentana(c, FormNuevaCita, [] {
        FormNuevaCita->ADODataSet1->close();
        FormNuevaCita->ADODataSet2->close();
    }, &primera);
    FormNuevaCita->ADODataSet1->close();
    FormNuevaCita->ADODataSet2->close();
    r.desnudo = c.desnudo(sql::citasDeFecha(fecha), c.repeticiones());
    r.notas << QStringLiteral("día %1, %2 citas: paciente, lista del día, tablero y ventana "
                              "pintada; la primera apertura %3 ms; desnudo = la lista del día")
                   .arg(fecha)
                   .arg(citas)
                   .arg(ms(primera));
    return r;
}

Resultado abrirAlta(Contexto& c)
{
    c.asegurarVentanas();
    GuardaTablaCodigo guarda;
    Resultado r;
    double primera = 0;
    r.programa = abrirVentana(c, FormAlta, [] {}, &primera);
    r.desnudo = c.desnudo(sql::primerCodigoLibreDesde(guarda.codigo()), c.repeticiones());
    r.notas << QStringLiteral("casillas vaciadas, fecha, código propuesto y ventana pintada; la "
                              "primera apertura %1 ms; desnudo = la búsqueda del código")
                   .arg(ms(primera));
    return r;
}

// "Primer hueco libre" where it has the most to skip: started 60 working days before the last
// day with visits, every one of them full on the large database, so the slot found is the
// first working day after it.
Resultado primerHueco(Contexto& c)
{
    c.asegurarVentanas();
    const QDate ultimo = formatos::fechaDeTexto(
        c.primeraFila(Sql{QStringLiteral("SELECT fecha FROM Visita ORDER BY substr(fecha, 7, 4) "
                                         "DESC, substr(fecha, 4, 2) DESC, substr(fecha, 1, 2) "
                                         "DESC LIMIT 1"),
                          {}})
            .value(0)
            .toString());
    if (!ultimo.isValid() || ultimo < reloj::hoy())
        throw Fallo(QStringLiteral("la base no tiene citas futuras"));
    const agenda::Semana semana;
    QDate desde = ultimo.addDays(1);
    for (int laborables = 0; laborables < 60;) {
        desde = desde.addDays(-1);
        if (semana.trabaja(desde))
            ++laborables;
    }
    QStringList dias;
    for (int n = 0; n < agenda::kDiasBuscados; ++n) {
        if (semana.trabaja(desde.addDays(n)))
            dias << formatos::textoFecha(desde.addDays(n));
    }
    int llenos = 0;
    const Tiempos desnudo =
        c.desnudo(sql::diasCompletos(dias, agenda::horasDelTablero()), c.repeticiones(), &llenos);
    FormNuevaCita->CodigoPaciente = pacienteSinCita(formatos::textoFecha(desde));
    FormNuevaCita->MonthCalendar1->setSelectedDate(desde);
    FormNuevaCita->FormActivate();
    FormNuevaCita->show();
    QCoreApplication::processEvents();
    auto* boton = control<QPushButton>(FormNuevaCita, "BitBtn3");
    Resultado r;
    r.programa = medir(
        c.repeticiones(),
        [&](int) {
            FormNuevaCita->MonthCalendar1->setSelectedDate(desde);
            FormNuevaCita->MonthCalendar1Click();
            pintarVentana(FormNuevaCita);
        },
        [&] {
            boton->click();
            pintarVentana(FormNuevaCita);
        });
    const QString hallado = FormNuevaCita->MonthCalendar1->selectedDate().toString(
                                QStringLiteral("dd/MM/yyyy"))
                            + QLatin1Char(' ')
                            + control<QComboBox>(FormNuevaCita, "ComboBox1")->currentText();
    FormNuevaCita->hide();
    FormNuevaCita->ADODataSet1->close();
    FormNuevaCita->ADODataSet2->close();
    r.desnudo = desnudo;
    r.notas << QStringLiteral("desde el %1, 60 días laborables hasta el %2; %3 de los %4 días "
                              "laborables del año llenos; halla %5; lista del día, tablero y "
                              "ventana pintados; desnudo = la sentencia de los días llenos")
                   .arg(formatos::textoFecha(desde), formatos::textoFecha(ultimo))
                   .arg(llenos)
                   .arg(dias.size())
                   .arg(hallado);
    return r;
}

}  // namespace

QList<Accion> accionesCitas()
{
    return {
        {QStringLiteral("codigo_rapido"), codigoRapido},
        {QStringLiteral("codigo_exhaustivo"), codigoExhaustivo},
        {QStringLiteral("alta_paciente"), altaPaciente},
        {QStringLiteral("reservar_cita"), reservarCita},
        {QStringLiteral("abrir_cita"), abrirCita},
        {QStringLiteral("abrir_alta"), abrirAlta},
        {QStringLiteral("primer_hueco"), primerHueco},
    };
}

}  // namespace bench
