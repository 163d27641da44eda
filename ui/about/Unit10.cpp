#include "ui/about/Unit10.h"

#include "ui/common/controles.h"
#include "ui/common/estilo.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel* lineaBlanca(const QString& nombre, const QString& texto, QWidget* padre)
{
    auto* label = new QLabel(texto, padre);
    label->setObjectName(nombre);
    label->setStyleSheet(QStringLiteral("color: white;"));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TFormAcerca::TFormAcerca(QWidget* parent) : Ventana(parent)
{
    setObjectName(QStringLiteral("FormAcerca"));
    // The caption exists for the window list and screen readers; no title bar shows it.
    setWindowTitle(QStringLiteral("Clinora 1.1 - Acerca de ..."));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // Nothing can be lost here, so Escape closes it as "Cerrar" does.
    setCerrarConEscape(true);
    setFixedSize(628, 236);

    auto* fondo = new QVBoxLayout(this);
    fondo->setContentsMargins(0, 0, 0, 0);
    QLabel* Panel1 = crearPanel(QStringLiteral("Panel1"), QString(), estilo::kCielo, this);
    fondo->addWidget(Panel1);
    auto* mitades = new QHBoxLayout(Panel1);
    mitades->setContentsMargins(8, 6, 8, 8);

    auto* izquierda = new QVBoxLayout;
    izquierda->setSpacing(2);
    auto* cabeza = new QHBoxLayout;
    auto* Image2 = new QLabel(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QPixmap(QStringLiteral(":/imagenes/logo.png"))
                          .scaledToHeight(32, Qt::SmoothTransformation));
    cabeza->addWidget(Image2);
    QLabel* Label3 = lineaBlanca(QStringLiteral("Label3"), QStringLiteral("Clinora 1.1"), Panel1);
    QFont grande(QStringLiteral("Arial"));
    grande.setBold(true);
    grande.setPixelSize(28);
    Label3->setFont(grande);
    cabeza->addWidget(Label3, 1);
    izquierda->addLayout(cabeza);
    auto* Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/imagenes/logo.png"))
                          .scaled(195, 56, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image1->setAlignment(Qt::AlignCenter);
    izquierda->addWidget(Image1);
    izquierda->addWidget(lineaBlanca(QStringLiteral("Label2"),
                                     QStringLiteral("Diseño y programación: equipo de Clinora"),
                                     Panel1));
    izquierda->addWidget(
        lineaBlanca(QStringLiteral("Label6"), QStringLiteral("Tlf.: 900 000 000"), Panel1));
    izquierda->addWidget(lineaBlanca(QStringLiteral("Label5"),
                                     QStringLiteral("E-mail: soporte@clinora.example"), Panel1));
    QPushButton* BitBtn1 =
        crearBoton(QStringLiteral("BitBtn1"), QStringLiteral("&Cerrar"),
                   QStringLiteral("Cerrar ventana."), QStringLiteral(":/imagenes/salir.png"), Panel1);
    BitBtn1->setMinimumHeight(30);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormAcerca::BitBtn1Click);
    izquierda->addWidget(BitBtn1);
    mitades->addLayout(izquierda, 1);

    auto* derecha = new QVBoxLayout;
    auto* Label1 =
        lineaBlanca(QStringLiteral("Label1"), QStringLiteral("Notas sobre las actualizaciones:"),
                    Panel1);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    derecha->addWidget(Label1);
    Memo2 = new QPlainTextEdit(Panel1);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    Memo2->setPlainText(notas());
    Memo2->setAccessibleName(QStringLiteral("Notas sobre las actualizaciones"));
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Label1->setBuddy(Memo2);
    derecha->addWidget(Memo2, 1);
    mitades->addLayout(derecha, 1);
    BitBtn1->setFocus();
}

QString TFormAcerca::notas()
{
    return QStringList{
        QStringLiteral("# Clinora 1.1 (Rev. 12-01-2008)"),
        QString(80, QLatin1Char('-')),
        QStringLiteral("- Arreglado fallo en la detección de la fecha al "),
        QStringLiteral("mostrar citas de pacientes en fechas porteriores."),
        QString(),
        QStringLiteral("- Posibilidad de imprimir los listados de facturas "),
        QStringLiteral("realizadas al año y el listado de pacientes."),
        QString(),
        QStringLiteral("- Cambio de puntero del ratón al pasar por zonas "),
        QStringLiteral("editables para facilitar el trabajo del usuario."),
    }
        .join(QLatin1Char('\n'));
}

void TFormAcerca::BitBtn1Click()
{
    accept();
}
