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

QString elegirFichero(QWidget* padre, Modo modo, const QString& titulo, const QString& sugerido,
                      const QString& filtro)
{
    if (selectorActual())
        return selectorActual()(modo, sugerido);
    const QString tipos = filtro.isEmpty() ? kFiltro : filtro;
    if (modo == Modo::Guardar)
        return QFileDialog::getSaveFileName(padre, titulo, sugerido, tipos);
    return QFileDialog::getOpenFileName(padre, titulo, sugerido, tipos);
}

}  // namespace dialogos
