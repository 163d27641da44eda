#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class DataSet;
class QGridLayout;

// Capitals, letter by letter: a letter without a single capital of its own (ß, ŉ) stays as it
// is, so the text keeps its length and no letter is lost or added.
QString mayusculas(const QString& texto);

// A line edit that turns every typed letter into a capital, as patient data is kept. Its length
// limit (maxLength) never cuts a character in two: of what is typed, pasted or dropped, only
// the whole characters that fit go in, so no half emoji, half flag or letter without its accent
// is ever stored.
class EditMayusculas : public QLineEdit {
    Q_OBJECT

public:
    explicit EditMayusculas(const QString& nombre, QWidget* parent = nullptr);

protected:
    // Qt itself cuts what does not fit by UTF-16 units; these hand it only what fits whole.
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The longest start of `texto` made of whole characters that fits in the box once
    // `reemplazado` units of its text give way.
    QString loQueCabe(const QString& texto, qsizetype reemplazado) const;
    // Puts in, in place of the selection, the part of `texto` that fits whole, when not all of
    // it fits; false (nothing done) when it all fits and Qt may put it in itself.
    bool insertarLoQueCabe(const QString& texto);
};

// A month calendar as every window shows it: Spanish, weeks from Monday, hand cursor, and
// Spanish names for its month buttons and year box, which a screen reader reads out; the month
// and year buttons name the page shown.
class QCalendarWidget;
QCalendarWidget* crearCalendario(const QString& nombre, const QString& nombreAccesible,
                                 const QSize& tamano, QWidget* parent);

// A coloured panel with a caption, the frame of every window's header and button bar.
QLabel* crearPanel(const QString& nombre, const QString& caption, const QColor& color,
                   QWidget* parent = nullptr);

// A tool button: picture, caption with accelerator, hint, hand cursor, caption as its
// accessible name.
QPushButton* crearBoton(const QString& nombre, const QString& caption, const QString& hint,
                        const QString& icono, QWidget* parent = nullptr);

// The same with its picture above the caption, as the tool buttons of the main window and
// the listings' bar show them.
class QToolButton;
QToolButton* crearBotonVertical(const QString& nombre, const QString& caption, const QString& hint,
                                const QString& icono, QWidget* parent = nullptr);

// A label above its edit box (the label is the edit's buddy and accessible name).
// Adds both to `rejilla` at (fila, columna) and (fila + 1, columna).
QLineEdit* crearEditEtiquetado(QLineEdit* edit, const QString& etiqueta, QGridLayout* rejilla,
                               int fila, int columna, int columnas = 1);

// A slot panel of the appointment board: its caption is the hour it stands for, its colour
// its state.
class Casilla : public QPushButton {
    Q_OBJECT

public:
    // A panel that is not `pulsable` only shows: no focus, no clicks, no button to a screen
    // reader.
    Casilla(const QString& nombre, const QString& hora, const QSize& tamano, bool pulsable,
            QWidget* parent = nullptr);
    bool pulsable() const { return pulsable_; }
    QColor color() const { return color_; }
    void setColor(const QColor& color);

protected:
    // Painted by hand: a style sheet per colour change made every rebuild of a busy day slow.
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    bool pulsable_;
};

// The nine fixed afternoon slots, Panel3 to Panel11. Shared by the main window's quick view
// and the booking window, so both mark the board by the same rule.
class TablaHoras : public QWidget {
    Q_OBJECT

public:
    static const QStringList& horas();   // "15:00" ... "21:00", 45 minutes apart
    // Width of the board with panels of the given width.
    static int anchoNecesario(int anchoCasilla);

    TablaHoras(const QSize& tamanoCasilla, bool pulsable, QWidget* parent = nullptr);

    const QList<Casilla*>& casillas() const { return casillas_; }
    // First panel whose caption equals the text exactly; null when none does.
    Casilla* casillaDeHora(const QString& hora) const;

    // All panels free: lime, with the hand cursor where they can be clicked.
    void limpiar();
    // Reads which hours of the day `fecha` hold a visit. A short query on the date index:
    // walking a busy day's thousand rows for it cost more than the rest of the rebuild.
    void leerOcupadas(const QString& fecha);
    // Paints red, with the arrow cursor, the first panel whose caption equals each hour read.
    void marcarOcupadas();

signals:
    void pulsada(Casilla* casilla);

private:
    QList<Casilla*> casillas_;
    QStringList ocupadas_;
    bool pulsable_;
};
