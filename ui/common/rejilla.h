#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QDate>
#include <QHash>
#include <QTableView>
#include <functional>

class DataSet;

// One column of a grid: which field it shows and how.
struct Columna {
    QString campo;                 // field name, as DataSet::fieldIndex takes it
    QString titulo;
    int ancho = 64;
    Qt::Alignment alineacion = Qt::AlignLeft | Qt::AlignVCenter;
    int pixelesFuente = 0;         // 0: the grid's own font size
};

// Presents the chosen fields of a dataset as the grid's columns; fetches more rows as the view
// scrolls, so a large result shows its first screen at once.
class ModeloColumnas : public QAbstractTableModel {
    Q_OBJECT

public:
    using ColorFila = std::function<QColor(const DataSet&, int fila)>;

    explicit ModeloColumnas(DataSet* datos, QObject* parent = nullptr);

    void setColumnas(const QList<Columna>& columnas);
    const QList<Columna>& columnas() const { return columnas_; }
    // The face of a column's cells: its own size where it has one, else the grid's.
    const QFont& fuenteColumna(int columna) const;
    void setColorFila(ColorFila color);
    void setFuenteBase(const QFont& fuente);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    void indexarCampos();
    QColor colorDeFila(int fila) const;

    DataSet* datos_;
    QList<Columna> columnas_;
    QList<int> campos_;
    // Per column, made once and kept: a font made anew for every cell would be looked up in
    // the font database on every paint.
    QList<QFont> fuentes_;
    ColorFila colorFila_;
    QFont fuenteBase_;
    // Every cell of a row asks for its colour on every paint: one answer per row, kept until
    // the rows or the day change.
    mutable QHash<int, QColor> colores_;
    mutable QDate diaColores_;
};

// A read-only grid bound to a dataset: whole-row selection, titles, the dataset's current row
// following the grid's. Double-click on a row (or Enter on the selected one) reports; on the
// empty area below the rows nothing happens. The handler still decides by the text of the first
// column, as the windows do.
class Rejilla : public QTableView {
    Q_OBJECT

public:
    Rejilla(const QString& nombre, DataSet* datos, QWidget* parent = nullptr);

    void setColumnas(const QList<Columna>& columnas);
    void setAnchos(const QList<int>& anchos);
    void setColorFila(ModeloColumnas::ColorFila color);
    void setIndicador(bool visible);
    // The face of the titles and of every cell that has no size of its own.
    void setFuente(const QFont& fuente);
    // The small face of the windows' narrow grids, so titles and whole dates fit their columns.
    void setFuenteCompacta();
    // Tab and Shift+Tab walk the columns of the current row and leave the grid after the last
    // (before the first). Without it the grid is one Tab stop. Ctrl+Tab always leaves.
    void setTabEntreColumnas(bool entre) { tabEntreColumnas_ = entre; }

    ModeloColumnas* modelo() const { return modelo_; }

    // Text of a column in the current row; the empty text when there is no row.
    QString textoColumna(int columna) const;

signals:
    void dobleClic();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool tabEntreColumnas_ = false;
    DataSet* datos_;
    ModeloColumnas* modelo_;
};
