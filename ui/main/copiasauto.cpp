#include "ui/main/copiasauto.h"

#include "db/citado.h"
#include "db/error.h"
#include "db/formatos.h"
#include "db/reloj.h"
#include "ui/common/dialogos.h"
#include "ui/common/mensajes.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace copiasautomaticas {

namespace {

QPushButton* boton(const char* nombre, const QString& texto, QWidget* padre)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setAccessibleName(QString(texto).remove(QLatin1Char('&')));
    return b;
}

QString textoUltima(const QString& rutaBaseDatos)
{
    const copiasauto::Estado e = copiasauto::leerEstado(rutaBaseDatos);
    const QDateTime ahora = reloj::ahora();
    QString t = e.ultimaCorrecta.isValid()
                    ? QStringLiteral("Última copia correcta: %1,\nen %2.")
                          .arg(copiasauto::describirMomento(e.ultimaCorrecta, ahora),
                               citadoRuta(e.rutaUltima))
                    : QStringLiteral("Todavía no se ha hecho ninguna copia automática.");
    if (e.momentoFallo.isValid())
        t += QStringLiteral("\n\nEl último intento (%1) falló: %2")
                 .arg(copiasauto::describirMomento(e.momentoFallo, ahora), e.fallo);
    return t;
}

}  // namespace

// ---- "Copias automáticas"

VentanaCopiasAuto::VentanaCopiasAuto(const QString& rutaBaseDatos, QWidget* parent)
    : Ventana(parent), ruta_(rutaBaseDatos)
{
    setObjectName(QStringLiteral("CopiasAutomaticas"));
    setWindowTitle(QStringLiteral("Copias automáticas"));
    // Nothing is stored until "Aceptar": Escape loses nothing.
    setCerrarConEscape(true);
    setMinimumWidth(560);

    auto* columna = new QVBoxLayout(this);
    CheckAutomaticas = new QCheckBox(
        QStringLiteral("&Hacer una copia de los datos al salir del programa y cada día"), this);
    CheckAutomaticas->setObjectName(QStringLiteral("CheckAutomaticas"));
    CheckAutomaticas->setAccessibleName(QStringLiteral("Hacer copias automáticas"));
    columna->addWidget(CheckAutomaticas);

    auto* etiqueta = new QLabel(QStringLiteral("&Carpeta de las copias:"), this);
    columna->addWidget(etiqueta);
    auto* fila = new QHBoxLayout;
    EditCarpeta = new QLineEdit(this);
    EditCarpeta->setObjectName(QStringLiteral("EditCarpeta"));
    EditCarpeta->setAccessibleName(QStringLiteral("Carpeta de las copias"));
    etiqueta->setBuddy(EditCarpeta);
    fila->addWidget(EditCarpeta, 1);
    QPushButton* elegir = boton("BotonElegir", QStringLiteral("&Elegir carpeta…"), this);
    connect(elegir, &QPushButton::clicked, this, &VentanaCopiasAuto::BotonElegirClick);
    fila->addWidget(elegir);
    columna->addLayout(fila);

    auto* consejo = new QLabel(
        QStringLiteral("Conviene una carpeta en otro disco (un disco USB o una carpeta de red): "
                       "si el disco del ordenador se estropea o lo roban, las copias siguen a "
                       "salvo. Se guardan las copias de los últimos 7 días, una por semana de las "
                       "4 semanas anteriores y una por mes de los 12 meses anteriores."),
        this);
    consejo->setWordWrap(true);
    columna->addWidget(consejo);

    LabelUltima = new QLabel(this);
    LabelUltima->setObjectName(QStringLiteral("LabelUltima"));
    LabelUltima->setWordWrap(true);
    LabelUltima->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelUltima->setFrameShape(QFrame::StyledPanel);
    LabelUltima->setMargin(6);
    columna->addWidget(LabelUltima);

    auto* botones = new QHBoxLayout;
    QPushButton* ahora = boton("BotonAhora", QStringLiteral("Hacer una copia aho&ra"), this);
    connect(ahora, &QPushButton::clicked, this, &VentanaCopiasAuto::BotonAhoraClick);
    botones->addWidget(ahora);
    botones->addStretch();
    QPushButton* aceptar = boton("BotonAceptar", QStringLiteral("&Aceptar"), this);
    aceptar->setDefault(true);
    connect(aceptar, &QPushButton::clicked, this, &VentanaCopiasAuto::BotonAceptarClick);
    botones->addWidget(aceptar);
    QPushButton* cancelar = boton("BotonCancelar", QStringLiteral("Cancelar"), this);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    botones->addWidget(cancelar);
    columna->addLayout(botones);
}

void VentanaCopiasAuto::FormActivate()
{
    const copiasauto::Ajustes a = copiasauto::leerAjustes(ruta_);
    CheckAutomaticas->setChecked(a.automaticas);
    EditCarpeta->setText(QDir::toNativeSeparators(a.carpeta));
    LabelUltima->setText(textoUltima(ruta_));
    CheckAutomaticas->setFocus();
}

void VentanaCopiasAuto::BotonElegirClick()
{
    const QString carpeta = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Carpeta de las copias automáticas"), EditCarpeta->text());
    if (!carpeta.isEmpty())
        EditCarpeta->setText(QDir::toNativeSeparators(carpeta));
    EditCarpeta->setFocus();
}

void VentanaCopiasAuto::BotonAhoraClick()
{
    // What is on screen is what the user means: stored first, then tried; the window stays
    // open with the outcome.
    if (!guardarLoEscrito())
        return;
    if (!CheckAutomaticas->isChecked()) {
        mensajes::informacion(QStringLiteral("Las copias automáticas están desactivadas; "
                                             "márquelas para hacer una."));
        return;
    }
    if (copiasautomaticas::hacer(ruta_))
        mensajes::informacion(
            QStringLiteral("Copia automática guardada en %1.")
                .arg(citadoRuta(copiasauto::leerEstado(ruta_).rutaUltima)));
    LabelUltima->setText(textoUltima(ruta_));
}

void VentanaCopiasAuto::BotonAceptarClick()
{
    if (guardarLoEscrito())
        accept();
}

bool VentanaCopiasAuto::guardarLoEscrito()
{
    const QString texto = EditCarpeta->text().trimmed();
    if (texto.isEmpty()) {
        mensajes::informacion(QStringLiteral("Escriba o elija la carpeta de las copias."));
        EditCarpeta->setFocus();
        return false;
    }
    const QString carpeta = QDir::cleanPath(
        QFileInfo(ruta_).absoluteDir().absoluteFilePath(QDir::fromNativeSeparators(texto)));
    const QString porDefecto = QFileInfo(ruta_).absoluteDir().filePath(QStringLiteral("copias"));
    if (!QFileInfo(carpeta).isDir() && carpeta != porDefecto) {
        mensajes::informacion(QStringLiteral("La carpeta %1 no existe. Elija una carpeta que "
                                             "exista (si es un disco USB, conéctelo antes).")
                                  .arg(citadoRuta(carpeta)));
        EditCarpeta->setFocus();
        return false;
    }
    try {
        copiasauto::guardarAjustes(ruta_, carpeta, CheckAutomaticas->isChecked());
    } catch (const DbError& e) {
        mensajes::error(e.message());
        return false;
    }
    return true;
}

// ---- "Cargar copia": the list of automatic copies

VentanaElegirCopia::VentanaElegirCopia(const QList<copiasauto::CopiaEnCarpeta>& copias,
                                       const QString& carpeta, QWidget* parent)
    : Ventana(parent), copias_(copias)
{
    setObjectName(QStringLiteral("ElegirCopia"));
    setWindowTitle(QStringLiteral("Cargar copia de seguridad"));
    setCerrarConEscape(true);
    resize(640, 420);

    auto* columna = new QVBoxLayout(this);
    auto* titulo = new QLabel(QStringLiteral("&Copias automáticas de la carpeta %1, la más "
                                             "reciente primero:")
                                  .arg(citadoRuta(carpeta)),
                              this);
    titulo->setWordWrap(true);
    columna->addWidget(titulo);

    TablaCopias = new QTableWidget(int(copias.size()), 5, this);
    TablaCopias->setObjectName(QStringLiteral("TablaCopias"));
    TablaCopias->setAccessibleName(QStringLiteral("Copias automáticas"));
    titulo->setBuddy(TablaCopias);
    TablaCopias->setHorizontalHeaderLabels({QStringLiteral("Fecha"), QStringLiteral("Hora"),
                                            QStringLiteral("Tamaño"), QStringLiteral("Pacientes"),
                                            QStringLiteral("Visitas")});
    TablaCopias->setSelectionBehavior(QAbstractItemView::SelectRows);
    TablaCopias->setSelectionMode(QAbstractItemView::SingleSelection);
    TablaCopias->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablaCopias->setTabKeyNavigation(false);
    TablaCopias->verticalHeader()->hide();
    TablaCopias->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    const QLocale espanol(QLocale::Spanish, QLocale::Spain);
    for (int i = 0; i < copias.size(); ++i) {
        const copiasauto::CopiaEnCarpeta& c = copias.at(i);
        const copiasauto::Recuento r = copiasauto::contar(c.ruta);
        const auto numero = [&](int n) {
            return n < 0 ? QStringLiteral("ilegible") : espanol.toString(n);
        };
        const QStringList celdas = {
            formatos::textoFecha(c.momento.date()),
            c.momento.time().toString(QStringLiteral("HH:mm:ss")),
            espanol.formattedDataSize(c.bytes, 1, QLocale::DataSizeTraditionalFormat),
            numero(r.pacientes), numero(r.visitas)};
        for (int j = 0; j < celdas.size(); ++j) {
            auto* celda = new QTableWidgetItem(celdas.at(j));
            celda->setTextAlignment(j >= 2 ? Qt::AlignRight | Qt::AlignVCenter
                                           : Qt::AlignCenter);
            TablaCopias->setItem(i, j, celda);
        }
    }
    TablaCopias->selectRow(0);
    connect(TablaCopias, &QTableWidget::cellDoubleClicked, this,
            &VentanaElegirCopia::BotonCargarClick);
    columna->addWidget(TablaCopias, 1);

    auto* botones = new QHBoxLayout;
    QPushButton* otro = boton("BotonOtro", QStringLiteral("&Otro fichero…"), this);
    connect(otro, &QPushButton::clicked, this, &VentanaElegirCopia::BotonOtroClick);
    botones->addWidget(otro);
    botones->addStretch();
    QPushButton* cargar = boton("BotonCargar", QStringLiteral("C&argar la copia elegida"), this);
    // Enter on the list loads the row chosen.
    cargar->setDefault(true);
    connect(cargar, &QPushButton::clicked, this, &VentanaElegirCopia::BotonCargarClick);
    botones->addWidget(cargar);
    QPushButton* cancelar = boton("BotonCancelar", QStringLiteral("Cancelar"), this);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    botones->addWidget(cancelar);
    columna->addLayout(botones);
    TablaCopias->setFocus();
}

void VentanaElegirCopia::BotonCargarClick()
{
    const int fila = TablaCopias->currentRow();
    if (fila < 0 || fila >= copias_.size())
        return;
    elegida_ = copias_.at(fila).ruta;
    accept();
}

void VentanaElegirCopia::BotonOtroClick()
{
    elegida_.clear();
    accept();
}

// ---- The calls of the program

void ajustar(QWidget* padre, const QString& rutaBaseDatos)
{
    VentanaCopiasAuto ventana(rutaBaseDatos, padre);
    showModal(&ventana);
}

QString elegirCopiaACargar(QWidget* padre, const QString& rutaBaseDatos)
{
    const copiasauto::Ajustes a = copiasauto::leerAjustes(rutaBaseDatos);
    const QList<copiasauto::CopiaEnCarpeta> copias = copiasauto::copiasEn(a.carpeta);
    if (!copias.isEmpty()) {
        QString elegida;
        {
            QApplication::setOverrideCursor(Qt::WaitCursor);   // each copy is opened and counted
            VentanaElegirCopia ventana(copias, a.carpeta, padre);
            QApplication::restoreOverrideCursor();
            if (showModal(&ventana) != QDialog::Accepted)
                return {};
            elegida = ventana.elegida();
        }
        if (!elegida.isEmpty())
            return elegida;
    }
    return dialogos::elegirFichero(padre, dialogos::Modo::Abrir,
                                   QStringLiteral("Cargar copia de seguridad"), QDir::homePath());
}

bool hacer(const QString& rutaBaseDatos)
{
    // Shown only once the copy has taken longer than a moment; a quick one shows nothing.
    std::unique_ptr<QProgressDialog> ventana;
    QElapsedTimer reloj;
    reloj.start();
    const auto avanzar = [&](int hecho, int total) {
        if (!ventana && reloj.elapsed() > 400) {
            ventana = std::make_unique<QProgressDialog>(
                QStringLiteral("Guardando la copia automática de los datos…"), QString(), 0, 0);
            ventana->setWindowTitle(QStringLiteral("Copia de seguridad automática"));
            ventana->setAccessibleName(QStringLiteral("Guardando la copia automática"));
            ventana->setWindowModality(Qt::ApplicationModal);
            ventana->setMinimumDuration(0);
            ventana->setAutoClose(false);
            ventana->setAutoReset(false);
            ventana->show();
        }
        if (!ventana)
            return;
        if (total > 0) {
            ventana->setRange(0, total);
            ventana->setValue(hecho);
        } else {
            ventana->setLabelText(QStringLiteral("Comprobando la copia automática…"));
            ventana->setRange(0, 0);
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    try {
        return !copiasauto::hacer(QSqlDatabase::database(), rutaBaseDatos, avanzar).isEmpty();
    } catch (const DbError& e) {
        ventana.reset();
        mensajes::error(e.message());
        return false;
    }
}

void alArrancar(const QString& rutaBaseDatos)
{
    const QString aviso = copiasauto::alArrancar(rutaBaseDatos);
    if (!aviso.isEmpty())
        mensajes::informacion(aviso);
}

}  // namespace copiasautomaticas
