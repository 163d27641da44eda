#include "ui/common/mensajes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace mensajes {

namespace {

Respondedor& respondedorActual()
{
    static Respondedor r;
    return r;
}

int mostrar(Tipo tipo, const QString& texto, const QStringList& botones = {})
{
    if (respondedorActual())
        return respondedorActual()(tipo, texto);
    QWidget* padre = QApplication::activeWindow();
    // The application's title; not Qt's display name, which Qt would append to every caption.
    const QString titulo = QStringLiteral("Clinora 1.1");
    switch (tipo) {
    case Tipo::Informacion:
        QMessageBox::information(padre, titulo, texto, QMessageBox::Ok);
        return 1;
    case Tipo::Confirmacion:
        return QMessageBox::question(padre, titulo, texto, QMessageBox::Ok | QMessageBox::No,
                                     QMessageBox::Ok) != QMessageBox::No;
    case Tipo::Borrado:
    case Tipo::Aviso:
        return QMessageBox::question(padre, titulo, texto, QMessageBox::Ok | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Ok;
    case Tipo::Error:
        QMessageBox::critical(padre, titulo, texto, QMessageBox::Ok);
        return 1;
    case Tipo::Eleccion: {
        QMessageBox caja(QMessageBox::Question, titulo, texto, QMessageBox::NoButton, padre);
        QList<QAbstractButton*> pulsables;
        for (const QString& b : botones)
            pulsables.append(caja.addButton(b, QMessageBox::AcceptRole));
        caja.addButton(QMessageBox::Cancel);
        caja.exec();
        return int(pulsables.indexOf(caja.clickedButton()));
    }
    }
    return 1;
}

}  // namespace

void setRespondedor(Respondedor respondedor)
{
    respondedorActual() = std::move(respondedor);
}

void informacion(const QString& texto)
{
    mostrar(Tipo::Informacion, texto);
}

bool confirmacion(const QString& texto)
{
    return mostrar(Tipo::Confirmacion, texto) != 0;
}

bool confirmacionBorrado(const QString& texto)
{
    return mostrar(Tipo::Borrado, texto) != 0;
}

bool confirmacionAviso(const QString& texto)
{
    return mostrar(Tipo::Aviso, texto) != 0;
}

int eleccion(const QString& texto, const QStringList& botones)
{
    return mostrar(Tipo::Eleccion, texto, botones);
}

void error(const QString& texto)
{
    mostrar(Tipo::Error, texto);
}

}  // namespace mensajes
