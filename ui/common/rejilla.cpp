#include "ui/common/rejilla.h"

#include "db/dataset.h"
#include "db/reloj.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

ModeloColumnas::ModeloColumnas(DataSet* datos, QObject* parent)
    : QAbstractTableModel(parent), datos_(datos)
{
    QAbstractItemModel* origen = datos_->model();
    connect(origen, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { beginResetModel(); });
    connect(origen, &QAbstractItemModel::modelReset, this, [this] {
        indexarCampos();
        colores_.clear();
        endResetModel();
    });
    connect(origen, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int primera, int ultima) {
                beginInsertRows(QModelIndex(), primera, ultima);
            });
    connect(origen, &QAbstractItemModel::rowsInserted, this, [this] { endInsertRows(); });
}

void ModeloColumnas::setColumnas(const QList<Columna>& columnas)
{
    beginResetModel();
    columnas_ = columnas;
    indexarCampos();
    endResetModel();
}

void ModeloColumnas::indexarCampos()
{
    campos_.clear();
    fuentes_.clear();
    for (const Columna& c : columnas_) {
        campos_.append(datos_->fieldIndex(c.campo));
        QFont f = fuenteBase_;
        if (c.pixelesFuente > 0)
            f.setPixelSize(c.pixelesFuente);
        fuentes_.append(f);
    }
}

const QFont& ModeloColumnas::fuenteColumna(int columna) const
{
    return columna >= 0 && columna < fuentes_.size() ? fuentes_.at(columna) : fuenteBase_;
}

void ModeloColumnas::setColorFila(ColorFila color)
{
    colorFila_ = std::move(color);
    colores_.clear();
}

void ModeloColumnas::setFuenteBase(const QFont& fuente)
{
    fuenteBase_ = fuente;
    indexarCampos();
}

QColor ModeloColumnas::colorDeFila(int fila) const
{
    if (!colorFila_)
        return {};
    const QDate hoy = reloj::hoy();
    if (hoy != diaColores_) {
        colores_.clear();
        diaColores_ = hoy;
    }
    auto it = colores_.constFind(fila);
    if (it == colores_.constEnd())
        it = colores_.insert(fila, colorFila_(*datos_, fila));
    return *it;
}

int ModeloColumnas::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : datos_->model()->rowCount();
}

int ModeloColumnas::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columnas_.size());
}

QVariant ModeloColumnas::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= columnas_.size())
        return {};
    const Columna& c = columnas_.at(index.column());
    switch (role) {
    case Qt::DisplayRole: {
        const int campo = campos_.value(index.column(), -1);
        if (campo < 0)
            return {};
        // A value the row has none of shows empty: the server hands a missing number over
        // typed, and as such it would read as nought.
        const QVariant valor = datos_->model()->data(datos_->model()->index(index.row(), campo));
        return valor.isNull() ? QVariant() : valor;
    }
    case Qt::AccessibleTextRole: {
        // What the colour says on screen, a screen reader says in words.
        const QString texto = data(index, Qt::DisplayRole).toString();
        if (colorDeFila(index.row()).isValid())
            return texto + QStringLiteral(", sin pagar");
        return texto;
    }
    case Qt::ForegroundRole: {
        const QColor color = colorDeFila(index.row());
        return color.isValid() ? QVariant(color) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.alineacion);
    // No FontRole: the grid's delegate sets each column's kept font itself.
    default:
        return {};
    }
}

QVariant ModeloColumnas::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    if (section < 0 || section >= columnas_.size())
        return {};
    const Columna& c = columnas_.at(section);
    switch (role) {
    case Qt::DisplayRole:
        return c.titulo;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::FontRole: {
        QFont f = fuenteBase_;
        f.setBold(true);
        if (c.pixelesFuente > 0)
            f.setPixelSize(c.pixelesFuente);
        return f;
    }
    default:
        return {};
    }
}

bool ModeloColumnas::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && datos_->model()->canFetchMore();
}

void ModeloColumnas::fetchMore(const QModelIndex& parent)
{
    if (!parent.isValid())
        datos_->model()->fetchMore();
}

namespace {

// Paints a cell with its column's kept font, as the model would hand it, without making a new
// font (and looking it up) for every cell on every paint. The text is clipped at the cell's
// edge, as the grids of the desktop the users know do, rather than laid out and shortened with
// an ellipsis: that layout was most of the cost of painting a busy day's list.
class DelegadoRejilla : public QStyledItemDelegate {
public:
    DelegadoRejilla(ModeloColumnas* modelo, QObject* parent)
        : QStyledItemDelegate(parent), modelo_(modelo) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opcion = option;
        initStyleOption(&opcion, index);
        const QWidget* w = opcion.widget;
        QStyle* estilo = w ? w->style() : QApplication::style();
        estilo->drawPrimitive(QStyle::PE_PanelItemViewItem, &opcion, p, w);
        if (!opcion.text.isEmpty())
            pintarTexto(p, opcion, estilo);
        // Over the text, so a long text cannot hide it.
        if (opcion.state & QStyle::State_HasFocus)
            pintarFoco(p, opcion);
    }

    static void pintarTexto(QPainter* p, const QStyleOptionViewItem& opcion, QStyle* estilo)
    {
        const QWidget* w = opcion.widget;
        const bool elegida = opcion.state & QStyle::State_Selected;
        const QPalette::ColorGroup grupo = (opcion.state & QStyle::State_Enabled)
                                               ? ((opcion.state & QStyle::State_Active)
                                                      ? QPalette::Normal
                                                      : QPalette::Inactive)
                                               : QPalette::Disabled;
        p->save();
        p->setFont(opcion.font);
        p->setPen(opcion.palette.color(grupo, elegida ? QPalette::HighlightedText
                                                       : QPalette::Text));
        const int margen = estilo->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
        const QRect caja = opcion.rect.adjusted(margen, 0, -margen, 0);
        p->setClipRect(caja);
        p->drawText(caja, int(opcion.displayAlignment) | Qt::TextSingleLine, opcion.text);
        p->restore();
    }

    // The cell the keyboard is on (the grid's current cell while the grid has focus): a frame
    // two pixels wide inside the cell, visible on a selected row as on a plain one. The style's
    // own focus mark comes with the item painting skipped above, and Tab walking the columns of
    // a row must show where it stands.
    static void pintarFoco(QPainter* p, const QStyleOptionViewItem& opcion)
    {
        p->save();
        // The grid's own text colour: the row's colour (maroon, red) would fade on the selection.
        const QPalette& paleta = opcion.widget ? opcion.widget->palette() : opcion.palette;
        p->setPen(QPen(paleta.color(QPalette::Text), 2));
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRectF(opcion.rect).adjusted(1, 1, -1, -1));
        p->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* opcion, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(opcion, index);
        const QFont& fuente = modelo_->fuenteColumna(index.column());
        opcion->font = fuente;
        opcion->fontMetrics = QFontMetrics(fuente);
    }

private:
    ModeloColumnas* modelo_;
};

}  // namespace

Rejilla::Rejilla(const QString& nombre, DataSet* datos, QWidget* parent)
    : QTableView(parent), datos_(datos), modelo_(new ModeloColumnas(datos, this))
{
    setObjectName(nombre);
    modelo_->setFuenteBase(font());
    setModel(modelo_);
    setItemDelegate(new DelegadoRejilla(modelo_, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(12);
    setIndicador(false);
    horizontalHeader()->setHighlightSections(false);
    viewport()->setCursor(Qt::PointingHandCursor);
    // A new result starts on its first row, as a freshly opened dataset does.
    connect(datos_, &DataSet::opened, this, [this] {
        if (modelo_->rowCount() > 0)
            setCurrentIndex(modelo_->index(0, 0));
    });
}

void Rejilla::setColumnas(const QList<Columna>& columnas)
{
    modelo_->setColumnas(columnas);
    for (int i = 0; i < columnas.size(); ++i)
        setColumnWidth(i, columnas.at(i).ancho);
}

void Rejilla::setAnchos(const QList<int>& anchos)
{
    for (int i = 0; i < anchos.size() && i < modelo_->columnCount(); ++i)
        setColumnWidth(i, anchos.at(i));
}

void Rejilla::setColorFila(ModeloColumnas::ColorFila color)
{
    modelo_->setColorFila(std::move(color));
}

void Rejilla::setIndicador(bool visible)
{
    verticalHeader()->setVisible(visible);
}

void Rejilla::setFuente(const QFont& fuente)
{
    setFont(fuente);
    modelo_->setFuenteBase(fuente);
}

void Rejilla::setFuenteCompacta()
{
    QFont compacta(QStringLiteral("Arial"));
    compacta.setPixelSize(12);
    setFuente(compacta);
}

QString Rejilla::textoColumna(int columna) const
{
    if (!datos_->isActive() || datos_->isEmpty() || columna < 0
        || columna >= modelo_->columnCount())
        return {};
    return modelo_->data(modelo_->index(datos_->recNo(), columna), Qt::DisplayRole).toString();
}

void Rejilla::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    const QModelIndex index = indexAt(event->position().toPoint());
    // Below the last row there is no row to open, whatever the selection shows.
    if (!index.isValid() && modelo_->rowCount() > 0)
        return;
    if (index.isValid())
        datos_->setRecNo(index.row());
    emit dobleClic();
}

void Rejilla::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A loop over the dataset (the slot board's) may have moved its cursor: the row the
        // user sees selected is the one meant.
        if (currentIndex().isValid())
            datos_->setRecNo(currentIndex().row());
        event->accept();
        emit dobleClic();
        return;
    }
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        const bool atras = event->key() == Qt::Key_Backtab
                           || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!atras);
        return;
    }
    QTableView::keyPressEvent(event);
}

bool Rejilla::focusNextPrevChild(bool next)
{
    const QModelIndex actual = currentIndex();
    if (tabEntreColumnas_ && hasFocus() && actual.isValid()) {
        const int columna = actual.column() + (next ? 1 : -1);
        if (columna >= 0 && columna < modelo_->columnCount()) {
            setCurrentIndex(modelo_->index(actual.row(), columna));
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void Rejilla::focusInEvent(QFocusEvent* event)
{
    // Reached by Tab the walk starts at the row's first column, by Shift+Tab at its last, so
    // every round of the window walks all the columns, not only what is left of the last walk.
    const QModelIndex actual = currentIndex();
    if (tabEntreColumnas_ && actual.isValid()) {
        if (event->reason() == Qt::TabFocusReason)
            setCurrentIndex(modelo_->index(actual.row(), 0));
        else if (event->reason() == Qt::BacktabFocusReason)
            setCurrentIndex(modelo_->index(actual.row(), modelo_->columnCount() - 1));
    }
    QTableView::focusInEvent(event);
}

void Rejilla::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        datos_->setRecNo(current.row());
}
