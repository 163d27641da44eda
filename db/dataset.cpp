#include "db/dataset.h"

#include "db/comando.h"
#include "db/error.h"

#include <QSqlRecord>

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
    model_.setQuery(comando::preparar(command_, db));
    if (model_.lastError().isValid())
        throw DbError(comando::textoError(model_.lastError()));
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
    model_.clear();
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
