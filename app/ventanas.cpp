#include "app/ventanas.h"

#include "app/importacion.h"
#include "app/puesto.h"
#include "app/refrescos.h"
#include "db/avisos.h"
#include "db/consulta.h"
#include "db/esquema.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// Pictures live in the core library; a static library's resources must be registered by hand.
static void registrarRecursos()
{
    Q_INIT_RESOURCE(clinora);
}

TForm1* Form1 = nullptr;
TFormAlta* FormAlta = nullptr;
TFormBuscar* FormBuscar = nullptr;
TFormDatos* FormDatos = nullptr;
TFormNuevaCita* FormNuevaCita = nullptr;
TFormDatosCita* FormDatosCita = nullptr;
TImprimeFactura* ImprimeFactura = nullptr;
TFormListados* FormListados = nullptr;
TImprimeListaVisitas* ImprimeListaVisitas = nullptr;
TFormAcerca* FormAcerca = nullptr;

namespace programa {

QString rutaBaseDatos()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + esquema::kNombreFichero;
}

void configurarIdioma()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    static QTranslator traductor;
    if (traductor.load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&traductor);
}

bool crearVentanas(const QString& rutaBaseDatos)
{
    registrarRecursos();
    // With a [Servidor] in clinora.ini the data are on the server, and the file is not looked
    // at. Without one, a practice's old Access file in the database's place is converted
    // first, when wanted.
    if (const auto servidor = servidor::leer(consulta::rutaJuntoA(rutaBaseDatos))) {
        if (!puesto::conectar(*servidor, rutaBaseDatos))
            return false;
        consulta::fijarRutaServidor(consulta::rutaJuntoA(rutaBaseDatos));
    } else if (!importacion::convertirSiEsAccess(rutaBaseDatos)) {
        return false;
    }
    Form1 = new TForm1;
    if (!Form1->FormCreate(rutaBaseDatos)) {
        delete Form1;
        Form1 = nullptr;
        return false;
    }
    // On the server, what other desks change shows here without a click.
    auto* vigia = new avisos::Vigia(QString(), 1000, Form1);
    QObject::connect(vigia, &avisos::Vigia::cambios, Form1, &refrescar::deOtroPuesto);
    FormAlta = new TFormAlta(Form1);
    FormBuscar = new TFormBuscar(Form1);
    FormDatos = new TFormDatos(Form1);
    FormNuevaCita = new TFormNuevaCita(Form1);
    FormDatosCita = new TFormDatosCita(Form1);
    ImprimeFactura = new TImprimeFactura(Form1);
    FormListados = new TFormListados(Form1);
    ImprimeListaVisitas = new TImprimeListaVisitas(Form1);
    FormAcerca = new TFormAcerca(Form1);
    return true;
}

void destruirVentanas()
{
    delete FormAcerca;
    delete ImprimeListaVisitas;
    delete FormListados;
    delete ImprimeFactura;
    delete FormDatosCita;
    delete FormNuevaCita;
    delete FormDatos;
    delete FormBuscar;
    delete FormAlta;
    delete Form1;
    FormAcerca = nullptr;
    ImprimeListaVisitas = nullptr;
    FormListados = nullptr;
    ImprimeFactura = nullptr;
    FormDatosCita = nullptr;
    FormNuevaCita = nullptr;
    FormDatos = nullptr;
    FormBuscar = nullptr;
    FormAlta = nullptr;
    Form1 = nullptr;
}

}  // namespace programa
