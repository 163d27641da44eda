#include "ui/common/cabecera.h"

#include "ui/common/ayuda.h"
#include "ui/common/controles.h"
#include "ui/common/estilo.h"
#include "ui/common/ventana.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

Cabecera crearCabecera(QWidget* padre, const QString& nombrePanel, const QString& titulo,
                       bool conAyuda, const QString& hintAyuda)
{
    Cabecera c;
    c.panel = crearPanel(nombrePanel, titulo, estilo::kCielo, padre);
    QFont f = c.panel->font();
    f.setBold(true);
    f.setPixelSize(20);
    c.panel->setFont(f);
    c.panel->setMinimumHeight(56);

    auto* fila = new QHBoxLayout(c.panel);
    fila->setContentsMargins(8, 4, 8, 4);
    auto* logo = new QLabel(c.panel);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setPixmap(QPixmap(QStringLiteral(":/imagenes/logo.png"))
                        .scaledToHeight(44, Qt::SmoothTransformation));
    fila->addWidget(logo);
    fila->addStretch();
    if (conAyuda) {
        auto* panel12 = new QWidget(c.panel);
        panel12->setObjectName(QStringLiteral("Panel12"));
        auto* dentro = new QHBoxLayout(panel12);
        dentro->setContentsMargins(0, 0, 0, 0);
        c.ayuda = ayuda::crearImagenAyuda(panel12, hintAyuda);
        dentro->addWidget(c.ayuda);
        fila->addWidget(panel12);
    }
    return c;
}

}  // namespace

Cabecera iniciarVentana(Ventana* ventana, const QString& nombre, const QString& titulo,
                        const QString& encabezado, bool conAyuda, QVBoxLayout** columna,
                        const QString& hintAyuda)
{
    ventana->setObjectName(nombre);
    ventana->setWindowTitle(titulo);
    auto* layout = new QVBoxLayout(ventana);
    // Dialogs of a fixed size, as their content asks: nothing clipped, nothing to resize.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    const Cabecera cabecera = crearCabecera(ventana, QStringLiteral("Panel2"), encabezado,
                                            conAyuda, hintAyuda);
    layout->addWidget(cabecera.panel);
    if (columna)
        *columna = layout;
    return cabecera;
}
