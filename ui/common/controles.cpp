#include "ui/common/controles.h"

#include "db/agenda.h"
#include "db/comando.h"
#include "db/dataset.h"
#include "db/sql.h"
#include "ui/common/estilo.h"

#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QToolButton>
#include <QValidator>

namespace {

// Drops half characters, a surrogate without its pair: Qt's own cut at the length limit leaves
// one on the paths the box does not measure itself (an input method, a text the program sets).
void quitarMediosCaracteres(QString& texto, int& cursor)
{
    for (qsizetype i = 0; i < texto.size();) {
        const QChar c = texto.at(i);
        if (c.isHighSurrogate() && i + 1 < texto.size() && texto.at(i + 1).isLowSurrogate()) {
            i += 2;
        } else if (c.isSurrogate()) {
            texto.remove(i, 1);
            if (cursor > i)
                --cursor;
        } else {
            ++i;
        }
    }
}

// Upper-cases in place as the user types, whole characters only; accepts anything.
class ValidadorMayusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& cursor) const override
    {
        quitarMediosCaracteres(input, cursor);
        input = mayusculas(input);
        return Acceptable;
    }
};

// A key that puts its text in the box, by Qt's own rule for line edits.
bool escribeTexto(const QKeyEvent* event)
{
    const QString texto = event->text();
    if (texto.isEmpty())
        return false;
    const char32_t c = texto.toUcs4().constFirst();
    if (QChar::category(c) == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers m = event->modifiers() & ~Qt::KeypadModifier;
    if (m == Qt::ControlModifier || m == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return QChar::isPrint(c) || QChar::category(c) == QChar::Other_PrivateUse;
}

QString sinAcelerador(QString texto)
{
    return texto.remove(QLatin1Char('&')).trimmed();
}

}  // namespace

QString mayusculas(const QString& texto)
{
    QString resultado;
    resultado.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c.isHighSurrogate() && i + 1 < texto.size() && texto.at(i + 1).isLowSurrogate()) {
            const char32_t punto = QChar::surrogateToUcs4(c, texto.at(i + 1));
            const char32_t mayuscula = QChar::toUpper(punto);
            // Only a capital of the same width keeps the length.
            if (QChar::requiresSurrogates(mayuscula)) {
                resultado += QChar(QChar::highSurrogate(mayuscula));
                resultado += QChar(QChar::lowSurrogate(mayuscula));
            } else {
                resultado += c;
                resultado += texto.at(i + 1);
            }
            ++i;
            continue;
        }
        resultado += c.toUpper();   // the simple mapping: one letter for one letter
    }
    return resultado;
}

EditMayusculas::EditMayusculas(const QString& nombre, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(nombre);
    setValidator(new ValidadorMayusculas(this));
}

QString EditMayusculas::loQueCabe(const QString& texto, qsizetype reemplazado) const
{
    const qsizetype sitio = maxLength() - (text().size() - reemplazado);
    if (texto.size() <= sitio)
        return texto;
    if (sitio <= 0)
        return QString();
    QTextBoundaryFinder caracteres(QTextBoundaryFinder::Grapheme, texto);
    caracteres.setPosition(sitio);
    if (!caracteres.isAtBoundary())
        caracteres.toPreviousBoundary();
    return texto.left(qMax(caracteres.position(), qsizetype(0)));
}

bool EditMayusculas::insertarLoQueCabe(const QString& texto)
{
    const QString cabe = loQueCabe(texto, selectedText().size());
    if (cabe.size() == texto.size())
        return false;
    insert(cabe);
    return true;
}

void EditMayusculas::keyPressEvent(QKeyEvent* event)
{
    if (!isReadOnly()
        && ((event->matches(QKeySequence::Paste)
             && insertarLoQueCabe(QGuiApplication::clipboard()->text()))
            || (escribeTexto(event) && insertarLoQueCabe(event->text())))) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void EditMayusculas::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Its "Pegar", the action Qt connects to paste (by name in Qt 6.4), measures as Ctrl+V does.
    for (QAction* accion : menu->actions()) {
        const bool pegar = disconnect(accion, SIGNAL(triggered()), this, SLOT(paste()))
                           | disconnect(accion, &QAction::triggered, this, &QLineEdit::paste);
        if (!pegar)
            continue;
        connect(accion, &QAction::triggered, this, [this] {
            if (!insertarLoQueCabe(QGuiApplication::clipboard()->text()))
                paste();
        });
    }
    menu->popup(event->globalPos());
}

void EditMayusculas::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the selection where the desktop has one.
    QClipboard* portapapeles = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && !isReadOnly() && portapapeles->supportsSelection()) {
        deselect();
        if (insertarLoQueCabe(portapapeles->text(QClipboard::Selection))) {
            event->accept();
            return;
        }
    }
    QLineEdit::mouseReleaseEvent(event);
}

void EditMayusculas::dropEvent(QDropEvent* event)
{
    // A drop lands at the mouse without replacing anything; text moved within the box does not
    // make it longer.
    const QString texto = event->mimeData()->text();
    const QString cabe = loQueCabe(texto, 0);
    if (event->source() == this || isReadOnly() || cabe.size() == texto.size()) {
        QLineEdit::dropEvent(event);
        return;
    }
    QMimeData recortado;
    recortado.setText(cabe);
    QDropEvent copia(event->position(), event->possibleActions(), &recortado, event->buttons(),
                     event->modifiers());
    QLineEdit::dropEvent(&copia);
    event->setDropAction(copia.dropAction());
    event->setAccepted(copia.isAccepted());
}

QCalendarWidget* crearCalendario(const QString& nombre, const QString& nombreAccesible,
                                 const QSize& tamano, QWidget* parent)
{
    auto* calendario = new QCalendarWidget(parent);
    calendario->setObjectName(nombre);
    calendario->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    calendario->setFirstDayOfWeek(Qt::Monday);
    calendario->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendario->setCursor(Qt::PointingHandCursor);
    calendario->setAccessibleName(nombreAccesible);
    calendario->setFixedSize(tamano);
    struct Parte {
        const char* nombre;
        QString accesible;
    };
    // The calendar's own parts, by the names Qt gives them.
    const Parte partes[] = {
        {"qt_calendar_prevmonth", QStringLiteral("Mes anterior")},
        {"qt_calendar_nextmonth", QStringLiteral("Mes siguiente")},
        {"qt_calendar_monthbutton", QStringLiteral("Mes")},
        {"qt_calendar_yearbutton", QStringLiteral("Año")},
        {"qt_calendar_yearedit", QStringLiteral("Año")},
        {"qt_calendar_calendarview", QStringLiteral("Días del mes")},
    };
    for (const Parte& p : partes) {
        if (auto* w = calendario->findChild<QWidget*>(QLatin1String(p.nombre))) {
            w->setAccessibleName(p.accesible);
            w->setToolTip(p.accesible);
        }
    }
    // The month and year buttons say the page shown ("Mes: diciembre", "Año: 2026"), not only
    // what they are: a screen reader names a button by its accessible name, not its text.
    auto* mes = calendario->findChild<QWidget*>(QStringLiteral("qt_calendar_monthbutton"));
    auto* ano = calendario->findChild<QWidget*>(QStringLiteral("qt_calendar_yearbutton"));
    const auto anunciarPagina = [calendario, mes, ano](int year, int month) {
        if (mes)
            mes->setAccessibleName(QStringLiteral("Mes: ")
                                   + calendario->locale().standaloneMonthName(month));
        if (ano)
            ano->setAccessibleName(QStringLiteral("Año: ") + QString::number(year));
    };
    QObject::connect(calendario, &QCalendarWidget::currentPageChanged, calendario,
                     anunciarPagina);
    anunciarPagina(calendario->yearShown(), calendario->monthShown());
    return calendario;
}

QLabel* crearPanel(const QString& nombre, const QString& caption, const QColor& color,
                   QWidget* parent)
{
    auto* panel = new QLabel(caption, parent);
    panel->setObjectName(nombre);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, color);
    p.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(p);
    panel->setAlignment(Qt::AlignCenter);
    return panel;
}

QPushButton* crearBoton(const QString& nombre, const QString& caption, const QString& hint,
                        const QString& icono, QWidget* parent)
{
    auto* boton = new QPushButton(caption, parent);
    boton->setObjectName(nombre);
    boton->setToolTip(hint);
    boton->setCursor(Qt::PointingHandCursor);
    boton->setAccessibleName(sinAcelerador(caption));
    boton->setAccessibleDescription(hint);
    if (!icono.isEmpty())
        boton->setIcon(QIcon(icono));
    boton->setAutoDefault(false);
    return boton;
}

QToolButton* crearBotonVertical(const QString& nombre, const QString& caption, const QString& hint,
                                const QString& icono, QWidget* parent)
{
    auto* boton = new QToolButton(parent);
    boton->setObjectName(nombre);
    boton->setText(caption);
    boton->setToolTip(hint);
    boton->setIcon(QIcon(icono));
    boton->setIconSize(QSize(36, 36));
    boton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    boton->setCursor(Qt::PointingHandCursor);
    boton->setAccessibleName(sinAcelerador(caption));
    boton->setAccessibleDescription(hint);
    boton->setFocusPolicy(Qt::StrongFocus);
    return boton;
}

QLineEdit* crearEditEtiquetado(QLineEdit* edit, const QString& etiqueta, QGridLayout* rejilla,
                               int fila, int columna, int columnas)
{
    auto* label = new QLabel(etiqueta, edit->parentWidget());
    label->setBuddy(edit);
    edit->setAccessibleName(sinAcelerador(etiqueta));
    rejilla->addWidget(label, fila, columna, 1, columnas);
    rejilla->addWidget(edit, fila + 1, columna, 1, columnas);
    return edit;
}

namespace {

// What a slot's colour says, in words for a screen reader.
QString estadoCasilla(const QColor& color)
{
    if (color == estilo::kLima)
        return QStringLiteral("libre");
    if (color == estilo::kRojo)
        return QStringLiteral("ocupada");
    return QStringLiteral("seleccionada");
}

// The quick view's slots only show; a screen reader must not offer them as buttons.
QAccessibleInterface* accesibleCasilla(const QString& clase, QObject* objeto)
{
    auto* casilla = qobject_cast<Casilla*>(objeto);
    if (clase != QLatin1String("Casilla") || !casilla || casilla->pulsable())
        return nullptr;
    return new QAccessibleWidget(casilla, QAccessible::StaticText);
}

}  // namespace

Casilla::Casilla(const QString& nombre, const QString& hora, const QSize& tamano, bool pulsable,
                 QWidget* parent)
    : QPushButton(hora, parent), pulsable_(pulsable)
{
    static const bool instalado = [] {
        QAccessible::installFactory(accesibleCasilla);
        return true;
    }();
    Q_UNUSED(instalado);
    setObjectName(nombre);
    setFixedSize(tamano);
    QFont cara(QStringLiteral("Arial"));
    cara.setPixelSize(12);
    cara.setBold(true);
    setFont(cara);
    if (!pulsable_) {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setColor(estilo::kLima);
}

void Casilla::setColor(const QColor& color)
{
    if (color == color_)
        return;
    color_ = color;
    setAccessibleName(text() + QLatin1Char(' ') + estadoCasilla(color));
    update();
}

void Casilla::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), color_);
    // One face whatever the colour; a thicker black frame shows the keyboard focus.
    const bool foco = hasFocus();
    p.setPen(QPen(foco ? QColor(Qt::black) : QColor(0x60, 0x60, 0x60), foco ? 2 : 1));
    p.drawRect(QRectF(rect()).adjusted(foco ? 1 : 0.5, foco ? 1 : 0.5, foco ? -1 : -0.5,
                                       foco ? -1 : -0.5));
    p.setPen(Qt::black);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
}

const QStringList& TablaHoras::horas()
{
    return agenda::horasDelTablero();
}

namespace {
const int kSeparacionCasillas = 3;
}

int TablaHoras::anchoNecesario(int anchoCasilla)
{
    const int n = int(horas().size());
    return n * anchoCasilla + (n - 1) * kSeparacionCasillas;
}

TablaHoras::TablaHoras(const QSize& tamanoCasilla, bool pulsable, QWidget* parent)
    : QWidget(parent), pulsable_(pulsable)
{
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(kSeparacionCasillas);
    for (int i = 0; i < horas().size(); ++i) {
        auto* c = new Casilla(QStringLiteral("Panel%1").arg(i + 3), horas().at(i), tamanoCasilla,
                              pulsable_, this);
        if (pulsable_)
            connect(c, &QPushButton::clicked, this, [this, c] { emit pulsada(c); });
        casillas_.append(c);
        fila->addWidget(c);
    }
    fila->addStretch();
    limpiar();
}

Casilla* TablaHoras::casillaDeHora(const QString& hora) const
{
    for (Casilla* c : casillas_) {
        if (c->text() == hora)
            return c;
    }
    return nullptr;
}

void TablaHoras::limpiar()
{
    for (Casilla* c : casillas_) {
        c->setColor(estilo::kLima);
        c->setCursor(pulsable_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
}

void TablaHoras::leerOcupadas(const QString& fecha)
{
    ocupadas_ = comando::columna(sql::horasOcupadas(fecha));
}

void TablaHoras::marcarOcupadas()
{
    for (const QString& hora : std::as_const(ocupadas_)) {
        if (Casilla* c = casillaDeHora(hora)) {
            c->setColor(estilo::kRojo);
            c->setCursor(Qt::ArrowCursor);
        }
    }
}
