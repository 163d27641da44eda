#include "db/dataset.h"

#include "db/comando.h"
#include "db/error.h"
#include "db/motor.h"

#include <QRegularExpression>
#include <QSqlRecord>

namespace {

// Rows read at a time: more than any grid shows at once.
constexpr int kTanda = 256;

// Up to `cuantas` rows of `q` from where it stands, each as its values.
QList<QVariantList> filasDe(QSqlQuery& q, int cuantas)
{
    QList<QVariantList> filas;
    const int columnas = q.record().count();
    while (filas.size() < cuantas && q.next()) {
        QVariantList fila;
        fila.reserve(columnas);
        for (int c = 0; c < columnas; ++c)
            fila.append(q.value(c));
        filas.append(std::move(fila));
    }
    return filas;
}

// The server's batch: `cuantas` rows after the first `desde` ones. The statements' own orders end
// on a key, so a batch starts exactly where the last one ended.
Sql tanda(const Sql& sentencia, qint64 cuantas, qint64 desde)
{
    Sql s{sentencia.text + QStringLiteral(" LIMIT ? OFFSET ?"), sentencia.values};
    s.values << cuantas << desde;
    return s;
}

}  // namespace

void FilasDataSet::abrir(const Sql& sentencia, QSqlDatabase db)
{
    // A statement that limits its rows itself is read whole.
    static const QRegularExpression limitada(QStringLiteral("\\bLIMIT\\s+(\\d+|\\?)\\s*$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const bool servidor = motor::esServidor(db);
    const bool porTandas = servidor && !sentencia.text.contains(limitada);
    QSqlQuery cursor;
    QSqlRecord registro;
    QList<QVariantList> filas;
    if (porTandas) {
        QSqlQuery q = comando::leer(tanda(sentencia, kTanda, 0), db);
        registro = q.record();
        filas = filasDe(q, kTanda);
    } else {
        // The file's statement is stepped forward only: nothing is kept twice.
        cursor = comando::preparar(sentencia, db, !servidor);
        registro = cursor.record();
        filas = filasDe(cursor, kTanda);
    }
    beginResetModel();
    sentencia_ = sentencia;
    db_ = db;
    porTandas_ = porTandas;
    cursor_ = cursor;
    registro_ = registro;
    hayMas_ = filas.size() == kTanda;
    filas_ = std::move(filas);
    tanda_ = kTanda;
    endResetModel();
}

void FilasDataSet::cerrar()
{
    beginResetModel();
    cursor_ = QSqlQuery();
    db_ = QSqlDatabase();
    registro_ = QSqlRecord();
    filas_.clear();
    hayMas_ = false;
    endResetModel();
}

QList<QVariantList> FilasDataSet::leer(int cuantas)
{
    if (!porTandas_)
        return filasDe(cursor_, cuantas);
    QSqlQuery q = comando::leer(tanda(sentencia_, cuantas, filas_.size()), db_);
    return filasDe(q, cuantas);
}

int FilasDataSet::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(filas_.size());
}

int FilasDataSet::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : registro_.count();
}

QVariant FilasDataSet::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)
        || index.row() >= filas_.size())
        return {};
    return filas_.at(index.row()).value(index.column());
}

QVariant FilasDataSet::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < registro_.count())
        return registro_.fieldName(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool FilasDataSet::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && hayMas_;
}

void FilasDataSet::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !hayMas_)
        return;
    // Each of the server's batches runs the statement again: twice the rows each time keeps a
    // walk through the whole result to a few runs.
    const int cuantas = tanda_;
    if (porTandas_)
        tanda_ *= 2;
    QList<QVariantList> nuevas;
    try {
        nuevas = leer(cuantas);
    } catch (const DbError&) {
        // The rows shown stay; the next opening says what went wrong.
        nuevas.clear();
    }
    hayMas_ = nuevas.size() == cuantas;
    if (nuevas.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(filas_.size()), int(filas_.size() + nuevas.size() - 1));
    filas_ += std::move(nuevas);
    endInsertRows();
}

namespace {

QList<DataSet*>& todos()
{
    static QList<DataSet*> lista;
    return lista;
}

}  // namespace

DataSet::DataSet(const QString& name, QObject* parent, const QString& connection)
    : QObject(parent), connection_(connection)
{
    setObjectName(name);
    todos().append(this);
    // Connected before any grid connects, so fields are known when the grids hear of the reset.
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { indexFields(); });
}

DataSet::~DataSet()
{
    todos().removeAll(this);
}

QList<DataSet*> DataSet::abiertos()
{
    QList<DataSet*> lista;
    for (DataSet* d : todos()) {
        if (d->isActive())
            lista.append(d);
    }
    return lista;
}

void DataSet::setCommand(const Sql& command)
{
    command_ = command;
}

void DataSet::open()
{
    if (active_)
        return;
    QSqlDatabase db = connection_.isEmpty() ? QSqlDatabase::database()
                                            : QSqlDatabase::database(connection_);
    model_.abrir(command_, db);
    active_ = true;
    first();
    emit opened();
}

QVariant DataSet::consultar(const Sql& command, const QString& field)
{
    close();
    setCommand(command);
    open();
    return fieldByName(field);
}

void DataSet::close()
{
    if (!active_)
        return;
    model_.cerrar();
    fields_.clear();
    active_ = false;
    eof_ = true;
    row_ = 0;
    emit closed();
}

void DataSet::indexFields()
{
    fields_.clear();
    const QSqlRecord rec = model_.record();
    for (int i = 0; i < rec.count(); ++i) {
        const QString name = rec.fieldName(i).toLower();
        fields_.insert(name, i);
        const int dot = name.indexOf(QLatin1Char('.'));
        if (dot >= 0 && !fields_.contains(name.mid(dot + 1)))
            fields_.insert(name.mid(dot + 1), i);
    }
    // A single-table query also answers to its qualified names, as the joined ones do.
    if (!fields_.contains(QStringLiteral("paciente.codigo")) &&
        !fields_.contains(QStringLiteral("visita.codigo")) && fields_.contains("codigo")) {
        const int i = fields_.value(QStringLiteral("codigo"));
        fields_.insert(QStringLiteral("paciente.codigo"), i);
        fields_.insert(QStringLiteral("visita.codigo"), i);
    }
}

bool DataSet::ensureRow(int row)
{
    while (row >= model_.rowCount() && model_.canFetchMore())
        model_.fetchMore();
    return row >= 0 && row < model_.rowCount();
}

bool DataSet::isEmpty() const
{
    return model_.rowCount() == 0;
}

void DataSet::first()
{
    row_ = 0;
    eof_ = !active_ || !ensureRow(0);
}

void DataSet::next()
{
    if (eof_)
        return;
    if (ensureRow(row_ + 1))
        ++row_;
    else
        eof_ = true;
}

void DataSet::setRecNo(int row)
{
    if (active_ && ensureRow(row)) {
        row_ = row;
        eof_ = false;
    }
}

int DataSet::fieldIndex(const QString& name) const
{
    return fields_.value(name.toLower(), -1);
}

QVariant DataSet::fieldByName(const QString& name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw DbError(QStringLiteral("Error de la base de datos: no existe el campo \"%1\" en %2.")
                          .arg(name, objectName()));
    if (!active_ || row_ >= model_.rowCount())
        return {};
    return model_.data(model_.index(row_, column));
}

QVariant DataSet::fieldAt(int row, const QString& name) const
{
    const int column = fieldIndex(name);
    if (column < 0 || row < 0 || row >= model_.rowCount())
        return {};
    return model_.data(model_.index(row, column));
}
