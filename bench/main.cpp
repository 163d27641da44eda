// clinora-bench: times user actions on a large clinic database and prints, one line each,
//   accion mediana_ms maximo_ms desnudo_ms
// where desnudo_ms is the same statement run straight on the engine, the floor the program can
// get near. Lines starting with '#' are notes.
#include "bench/medir.h"
#include "bench/servidor.h"

#include "app/aplicacion.h"
#include "app/ventanas.h"
#include "db/error.h"
#include "db/vigilancia.h"
#include "ui/common/mensajes.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

#include <sqlite3.h>

#include <memory>

namespace {

QTextStream& salida()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& errores()
{
    static QTextStream s(stderr);
    return s;
}

QString cifra(double ms)
{
    // QString::number ignores the locale, so the decimal point stays a point under Spanish.
    return QString::number(ms, 'f', 1);
}

// A connection of our own, read-only, with none of the program's layers in between.
class MotorDesnudo {
public:
    explicit MotorDesnudo(const QString& ruta)
    {
        if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &h_, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK)
            throw bench::Fallo(QStringLiteral("No se puede abrir %1 sin el programa: %2")
                              .arg(ruta, QString::fromUtf8(sqlite3_errmsg(h_))));
    }
    ~MotorDesnudo() { sqlite3_close(h_); }
    MotorDesnudo(const MotorDesnudo&) = delete;
    MotorDesnudo& operator=(const MotorDesnudo&) = delete;

    // Prepares, binds and steps to the last row, as many times as asked; the row count of the
    // last run goes to `filas`.
    bench::Tiempos medir(const Sql& s, const bench::Repeticiones& r, int* filas)
    {
        const QByteArray texto = s.text.toUtf8();
        int cuenta = 0;
        bench::Tiempos t = bench::medir(r, [&] { cuenta = ejecutar(texto, s.values, nullptr); });
        if (filas)
            *filas = cuenta;
        return t;
    }

    QVariantList primeraFila(const Sql& s)
    {
        QVariantList fila;
        ejecutar(s.text.toUtf8(), s.values, &fila);
        return fila;
    }

private:
    // Runs the statement to its end; when `primera` is given, the first row's values land there.
    int ejecutar(const QByteArray& texto, const QVariantList& valores, QVariantList* primera)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h_, texto.constData(), int(texto.size()), &st, nullptr)
            != SQLITE_OK)
            throw bench::Fallo(QString::fromUtf8(sqlite3_errmsg(h_)));
        for (int i = 0; i < valores.size(); ++i)
            enlazar(st, i + 1, valores.at(i));
        int filas = 0;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            if (primera && filas == 0)
                *primera = leerFila(st);
            ++filas;
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw bench::Fallo(QString::fromUtf8(sqlite3_errmsg(h_)));
        return filas;
    }

    static QVariantList leerFila(sqlite3_stmt* st)
    {
        QVariantList fila;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_INTEGER:
                fila << qint64(sqlite3_column_int64(st, i));
                break;
            case SQLITE_NULL:
                fila << QVariant();
                break;
            default:
                fila << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            }
        }
        return fila;
    }

    // Bound as the program's own layer hands them to the driver: whole numbers as 64-bit
    // integers, texts as UTF-8 (a null text as the empty one).
    static void enlazar(sqlite3_stmt* st, int n, const QVariant& v)
    {
        if (v.isNull() && v.typeId() != QMetaType::QString) {
            sqlite3_bind_null(st, n);
            return;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            sqlite3_bind_int64(st, n, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(st, n, v.toDouble());
            break;
        default: {
            const QByteArray t = v.toString().toUtf8();
            sqlite3_bind_text(st, n, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        }
    }

    sqlite3* h_ = nullptr;
};

class Banco : public bench::Contexto {
public:
    Banco(const QString& ruta, int veces, bool pasoAPaso,
          bench::ServidorDePruebas* servidor = nullptr)
        : ruta_(ruta), veces_(veces), pasoAPaso_(pasoAPaso), servidor_(servidor) {}
    ~Banco() override
    {
        motor_.reset();
        programa::destruirVentanas();
    }

    QString rutaBaseDatos() const override { return ruta_; }
    bench::Repeticiones repeticiones() const override { return {veces_, 1}; }

    void asegurarVentanas() override
    {
        if (Form1)
            return;
        if (!programa::crearVentanas(ruta_))
            throw bench::Fallo(
                QStringLiteral("El programa no ha arrancado sobre %1.").arg(ruta_));
        // Shown at a real screen's size, so the grids do the work they do for the user.
        Form1->resize(bench::kPantalla);
        Form1->show();
        QCoreApplication::processEvents();
    }

    bench::Tiempos desnudo(const Sql& s, const bench::Repeticiones& r, int* filas) override
    {
        if (servidor_)
            return servidor_->desnudo(s, r, filas);
        return motor().medir(s, r, filas);
    }

    QVariantList primeraFila(const Sql& s) override
    {
        if (servidor_)
            return servidor_->primeraFila(s);
        return motor().primeraFila(s);
    }
    bool pasoAPaso() const override { return pasoAPaso_; }

private:
    MotorDesnudo& motor()
    {
        if (!motor_)
            motor_ = std::make_unique<MotorDesnudo>(ruta_);
        return *motor_;
    }

    QString ruta_;
    int veces_;
    bool pasoAPaso_;
    std::unique_ptr<MotorDesnudo> motor_;
    bench::ServidorDePruebas* servidor_ = nullptr;
};

// Peak resident memory of this process in MB since the last reset; -1 when unknown.
double picoMb()
{
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression re(QStringLiteral("VmHWM:\\s*(\\d+)\\s*kB"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(estado.readAll()));
    return m.hasMatch() ? m.captured(1).toDouble() / 1024.0 : -1;
}

// Starts the peak over from what is resident now, so the next reading covers only what comes
// after; false where the system does not allow it.
bool reiniciarPico()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// The background check of the whole file, as it runs once the main window is up: the time to
// its answer, and the peak memory of the program meanwhile. Bare: the engine's quick_check
// alone on a plain connection.
bench::Resultado comprobacionDeFondo(bench::Contexto& c)
{
    c.asegurarVentanas();
    const bench::Repeticiones rep{std::min(c.repeticiones().veces, 5), 0};
    bench::Resultado r;
    const bool medible = reiniciarPico();
    const double antes = picoMb();
    double pico = antes;
    QString respuesta;
    r.programa = bench::medir(rep, [](int) { reiniciarPico(); }, [&] {
        vigilancia::Comprobacion comprobacion(c.rutaBaseDatos());
        QEventLoop bucle;
        QObject::connect(&comprobacion, &vigilancia::Comprobacion::terminada, &bucle,
                         [&](bool sano, const QString& detalle) {
                             respuesta = sano ? QStringLiteral("sano")
                                              : QStringLiteral("dañado: ") + detalle;
                             bucle.quit();
                         });
        QTimer::singleShot(120000, &bucle, &QEventLoop::quit);
        respuesta.clear();
        comprobacion.iniciar();
        bucle.exec();
        if (respuesta.isEmpty())
            throw bench::Fallo(QStringLiteral("la comprobación no respondió en 120 s"));
        pico = std::max(pico, picoMb());
    });
    r.desnudo = c.desnudo(Sql{QStringLiteral("PRAGMA quick_check"), {}}, rep);
    r.notas << QStringLiteral("respuesta: %1").arg(respuesta);
    if (medible)
        r.notas << QStringLiteral("memoria pico del proceso durante la comprobación %1 MB "
                                  "(residente %2 MB al empezar, ventanas ya abiertas)")
                       .arg(QString::number(pico, 'f', 1), QString::number(antes, 'f', 1));
    else
        r.notas << QStringLiteral("memoria pico desconocida (no se puede reiniciar el pico en "
                                  "/proc/self/clear_refs)");
    return r;
}

void imprimir(const bench::Accion& a, const bench::Resultado& r)
{
    QTextStream& out = salida();
    if (r.fallido)
        out << a.nombre << " - - -\n";
    else
        out << a.nombre << ' ' << cifra(r.programa.mediana()) << ' '
            << cifra(r.programa.maximo()) << ' '
            << (r.desnudo ? cifra(r.desnudo->mediana()) : QStringLiteral("-")) << '\n';
    for (const QString& n : r.notas)
        out << "# " << a.nombre << ": " << n << '\n';
    out.flush();
}

int uso(const QList<bench::Accion>& acciones)
{
    QStringList nombres;
    for (const bench::Accion& a : acciones)
        nombres << a.nombre;
    errores() << "Uso: clinora-bench [--veces N] [--paso-a-paso] [--servidor] FICHERO "
                 "[ACCION...]\n"
                 "  --paso-a-paso  compara la búsqueda exhaustiva con el bucle antiguo (lento)\n"
                 "  --servidor     después, las mismas acciones en un servidor PostgreSQL propio\n"
                 "                 (el fichero subido a él), más servidor_subir y otro_puesto\n"
                 "  FICHERO  base de datos grande (clinora-bd grande FICHERO)\n"
                 "  ACCION   "
              << nombres.join(QLatin1Char(' ')) << " (todas si no se indica ninguna)\n";
    errores().flush();
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Offscreen before the application exists: the windows are built and painted, never shown
    // on a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Aplicacion app(argc, argv);
    programa::configurarIdioma();
    // No box may wait for a user during a run: whatever the program wanted to say goes to the
    // error output and is answered as OK.
    // Questions are answered OK; notices pass silently (the timed actions expect theirs), but
    // an error box means a timed action went wrong, so it is shown.
    mensajes::setRespondedor([](mensajes::Tipo tipo, const QString& texto) {
        if (tipo == mensajes::Tipo::Error) {
            errores() << "error del programa: " << texto << '\n';
            errores().flush();
        }
        return 1;
    });

    QList<bench::Accion> acciones;
    acciones << bench::accionesArranque()
             << bench::Accion{QStringLiteral("comprobacion_fondo"), comprobacionDeFondo}
             << bench::accionesPrincipal()
             << bench::accionesRejilla() << bench::accionesCitas() << bench::accionesDatosCita()
             << bench::accionesPacientes() << bench::accionesListados()
             << bench::accionesFactura() << bench::accionesCopias() << bench::accionesSesion()
             << bench::accionesImportacion();

    QStringList args = app.arguments().mid(1);
    int veces = 20;
    bool pasoAPaso = false;
    bool conServidor = false;
    for (;;) {
        if (args.size() >= 2 && args.at(0) == QLatin1String("--veces")) {
            bool ok = false;
            veces = args.at(1).toInt(&ok);
            if (!ok || veces < 1)
                return uso(acciones);
            args = args.mid(2);
        } else if (!args.isEmpty() && args.at(0) == QLatin1String("--servidor")) {
            conServidor = true;
            args = args.mid(1);
        } else if (!args.isEmpty() && args.at(0) == QLatin1String("--paso-a-paso")) {
            pasoAPaso = true;
            args = args.mid(1);
        } else {
            break;
        }
    }
    if (args.isEmpty())
        return uso(acciones);
    const QFileInfo fichero(args.takeFirst());
    if (!fichero.isFile()) {
        errores() << "No existe el fichero " << fichero.filePath() << '\n';
        return 1;
    }
    QList<bench::Accion> elegidas;
    for (const bench::Accion& a : acciones) {
        if (args.isEmpty() || args.contains(a.nombre))
            elegidas << a;
    }
    if (elegidas.size() != (args.isEmpty() ? acciones.size() : args.size()))
        return uso(acciones);

    int fallos = 0;
    const auto medirUna = [&](const bench::Accion& a, bench::Contexto& contexto) {
        bench::Resultado r;
        try {
            r = a.ejecutar(contexto);
        } catch (const bench::Fallo& e) {
            r = {};
            r.fallido = true;
            r.notas << e.texto();
        } catch (const DbError& e) {
            r = {};
            r.fallido = true;
            r.notas << e.message();
        }
        if (r.fallido)
            ++fallos;
        imprimir(a, r);
    };
    {
        Banco banco(fichero.absoluteFilePath(), veces, pasoAPaso);
        salida() << "# " << fichero.absoluteFilePath() << ", " << veces
                 << " veces por accion tras una de calentamiento; sqlite " << sqlite3_libversion()
                 << "\n# ventanas de " << bench::kPantalla.width() << "x"
                 << bench::kPantalla.height()
                 << ", cada tiempo hasta el final del repintado de la ventana"
                 << "\n# accion mediana_ms maximo_ms desnudo_ms\n";
        salida().flush();
        for (const bench::Accion& a : elegidas)
            medirUna(a, banco);
    }
    if (conServidor) {
        // The actions the server serves as the file does; the file's own checks, backups and
        // conversions have no counterpart there.
        static const QStringList enServidor = {
            "arranque", "lista_del_dia", "vista_rapida", "reservar_cita", "buscar_garc",
            "buscar_vacio", "buscar_codigo_1", "alta_paciente", "guardar_cita", "abrir_ficha",
            "primer_hueco"};
        try {
            bench::ServidorDePruebas pg;
            salida() << "# servidor PostgreSQL propio en " << pg.datos().descripcion() << "\n";
            const bench::Accion subir{QStringLiteral("servidor_subir"), [&](bench::Contexto&) {
                                          return pg.subir(fichero.absoluteFilePath());
                                      }};
            Banco banco(pg.rutaBaseDatos(), veces, false, &pg);
            medirUna(subir, banco);
            for (const bench::Accion& a : elegidas) {
                if (enServidor.contains(a.nombre))
                    medirUna({a.nombre + QStringLiteral("_servidor"), a.ejecutar}, banco);
            }
            medirUna({QStringLiteral("otro_puesto_servidor"),
                      [&](bench::Contexto& c) { return bench::otroPuesto(c, pg); }},
                     banco);
            programa::destruirVentanas();
            pg.cerrarConexiones();
        } catch (const bench::Fallo& e) {
            salida() << "# servidor: " << e.texto() << "\n";
            ++fallos;
        } catch (const DbError& e) {
            salida() << "# servidor: " << e.message() << "\n";
            ++fallos;
        }
    }
    return fallos ? 1 : 0;
}
