#include "ui/common/dialogos.h"

#include <QFileDialog>

namespace dialogos {

namespace {

Selector& selectorActual()
{
    static Selector s;
    return s;
}

const QString kFiltro = QStringLiteral("Copias de Clinora (*.mdb);;Todos los ficheros (*)");

}  // namespace

void setSelector(Selector selector)
{
    selectorActual() = std::move(selector);
}

QString elegirFichero(QWidget* padre, Modo modo, const QString& titulo, const QString& sugerido)
{
    if (selectorActual())
        return selectorActual()(modo, sugerido);
    if (modo == Modo::Guardar)
        return QFileDialog::getSaveFileName(padre, titulo, sugerido, kFiltro);
    return QFileDialog::getOpenFileName(padre, titulo, sugerido, kFiltro);
}

}  // namespace dialogos
