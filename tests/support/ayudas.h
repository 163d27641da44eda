#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAbstractItemView;
class QComboBox;

// Small helpers every test program shares: finding a window's controls, acting on them as a
// user does, reading files, and guards that put the clock and the language back however a test
// ends (a failed QCOMPARE returns from the test function at once).

// A control of a window by its name; a missing one ends the test program at once, naming it.
template <typename T = QWidget>
T* hijo(QWidget* ventana, const QString& nombre)
{
    T* w = ventana->findChild<T*>(nombre);
    if (!w)
        qFatal("%s no tiene %s", qPrintable(ventana->objectName()), qPrintable(nombre));
    return w;
}

// The caption each control shows (a label's or button's text, a group's title, a box's
// text; the window's own title under its own name), as "Nombre=texto" for each of
// `esperados`, written the same way: one table of a window's texts, compared in one go.
QStringList rotulosComo(QWidget* ventana, const QStringList& esperados);

// A grid's column, top to bottom, in the given role.
QStringList columna(const QAbstractItemView* rejilla, int col, int rol = Qt::DisplayRole);

// Types into a box key by key, as the user would, accents included (QTest::keyClicks sends no
// text for letters outside Latin-1's keys).
void teclear(QWidget* caja, const QString& texto);

// Picks `texto` from a drop-down's list, as the user does: the box reports the choice both by
// index and by text. A text the list lacks fails the test.
void elegir(QComboBox* caja, const QString& texto);

// Makes the row whose column `col` reads `texto` the grid's current one, as a click on it
// does; a text the column lacks fails the test.
void elegirFila(QAbstractItemView* rejilla, int col, const QString& texto);

// A file's SHA-256, empty when it cannot be read: "byte for byte unchanged" in one comparison.
QByteArray huella(const QString& ruta);
QByteArray leerFichero(const QString& ruta);
// Replaces the file's content; false when it cannot be written.
bool escribirFichero(const QString& ruta, const QByteArray& contenido);

// The program's clock stood still at `momento` (a day alone: at 10:00) while the guard lives;
// `mover` moves it on. At the end the clock is as it was before: running, or standing where an
// outer guard put it.
class RelojFijo {
public:
    explicit RelojFijo(const QDateTime& momento);
    explicit RelojFijo(const QDate& dia);
    ~RelojFijo();
    RelojFijo(const RelojFijo&) = delete;
    RelojFijo& operator=(const RelojFijo&) = delete;
    void mover(const QDateTime& momento);

private:
    QDateTime antes_;
};

// A working day of the practice (Wednesday), for a whole test program that books "today": a
// run on a Saturday must not meet the question a closed day asks.
inline const QDateTime kDiaDeConsulta(QDate(2026, 12, 9), QTime(10, 0));

// The default language set to `idioma` while the guard lives, the previous one put back after.
class IdiomaFijo {
public:
    explicit IdiomaFijo(const QLocale& idioma);
    ~IdiomaFijo();
    IdiomaFijo(const IdiomaFijo&) = delete;
    IdiomaFijo& operator=(const IdiomaFijo&) = delete;

private:
    QLocale antes_;
};
