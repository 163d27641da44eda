#include "tests/support/ayudas.h"

#include "db/reloj.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

QString rotulo(const QWidget* w)
{
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (const auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    if (const auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    return w->windowTitle();
}

}  // namespace

QStringList rotulosComo(QWidget* ventana, const QStringList& esperados)
{
    QStringList vistos;
    for (const QString& esperado : esperados) {
        const QString nombre = esperado.section(QLatin1Char('='), 0, 0);
        const QWidget* w = nombre == ventana->objectName() ? ventana : hijo(ventana, nombre);
        vistos << nombre + QLatin1Char('=') + rotulo(w);
    }
    return vistos;
}

QStringList columna(const QAbstractItemView* rejilla, int col, int rol)
{
    QStringList valores;
    for (int fila = 0; fila < rejilla->model()->rowCount(); ++fila)
        valores << rejilla->model()->index(fila, col).data(rol).toString();
    return valores;
}

void teclear(QWidget* caja, const QString& texto)
{
    for (const QChar c : texto)
        QTest::sendKeyEvent(QTest::Click, caja, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void elegir(QComboBox* caja, const QString& texto)
{
    const int i = caja->findText(texto);
    QVERIFY2(i >= 0, qPrintable(caja->objectName() + ": falta " + texto));
    caja->setCurrentIndex(i);
    emit caja->activated(i);
    emit caja->textActivated(texto);
}

void elegirFila(QAbstractItemView* rejilla, int col, const QString& texto)
{
    const int fila = columna(rejilla, col).indexOf(texto);
    QVERIFY2(fila >= 0, qPrintable(rejilla->objectName() + ": falta " + texto));
    rejilla->setCurrentIndex(rejilla->model()->index(fila, col));
}

QByteArray huella(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QByteArray leerFichero(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool escribirFichero(const QString& ruta, const QByteArray& contenido)
{
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && f.write(contenido) == contenido.size();
}

RelojFijo::RelojFijo(const QDateTime& momento) : antes_(reloj::fijado())
{
    reloj::fijar(momento);
}

RelojFijo::RelojFijo(const QDate& dia) : RelojFijo(QDateTime(dia, QTime(10, 0))) {}

RelojFijo::~RelojFijo()
{
    reloj::fijar(antes_);
}

void RelojFijo::mover(const QDateTime& momento)
{
    reloj::fijar(momento);
}

IdiomaFijo::IdiomaFijo(const QLocale& idioma)
{
    QLocale::setDefault(idioma);
}

IdiomaFijo::~IdiomaFijo()
{
    QLocale::setDefault(antes_);
}
