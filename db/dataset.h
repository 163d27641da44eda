#pragma once

#include "db/sql.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

// The rows of a dataset's statement, read a screen at a time as they are needed, so a huge result
// opens at once on both engines. The file's statement stays open and is stepped on; the server's
// is run again for each further batch (LIMIT and OFFSET, each batch twice the last), as a
// statement left open there would hold the connection.
class FilasDataSet : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Runs `sentencia` and reads its first batch; DbError (and nothing changed) when refused.
    void abrir(const Sql& sentencia, QSqlDatabase db);
    void cerrar();
    const QSqlRecord& record() const { return registro_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = QModelIndex()) const override;
    void fetchMore(const QModelIndex& parent = QModelIndex()) override;

private:
    // Up to `cuantas` rows more, from the open statement or a new batch.
    QList<QVariantList> leer(int cuantas);

    Sql sentencia_;
    QSqlDatabase db_;
    bool porTandas_ = false;
    QSqlQuery cursor_;
    QSqlRecord registro_;
    QList<QVariantList> filas_;
    bool hayMas_ = false;
    int tanda_ = 0;
};

// A named query whose rows a window walks through and a grid shows: the role the windows'
// datasets play. It keeps its statement between closing and opening, so "re-run" is
// close() + open(). Rows are fetched as they are needed, so a huge result opens at once.
class DataSet : public QObject {
    Q_OBJECT

public:
    explicit DataSet(const QString& name, QObject* parent = nullptr,
                     const QString& connection = QString());
    ~DataSet() override;

    // Every dataset currently open, so a load of a backup can close and re-run them all.
    static QList<DataSet*> abiertos();

    void setCommand(const Sql& command);   // replaces the statement; does not open
    const Sql& command() const { return command_; }

    void open();      // runs the statement; DbError when the engine rejects it
    void close();
    void reopen() { close(); open(); }
    // Closes, takes a new statement, opens, and returns one field of its first row (null when
    // there is none): the look-ups the windows make before they write.
    QVariant consultar(const Sql& command, const QString& field);
    bool isActive() const { return active_; }

    // Cursor. As in the windows' loops: after next() past the last row eof() is true and the
    // fields still read the last row.
    void first();
    void next();
    bool eof() const { return eof_; }
    bool isEmpty() const;
    int recNo() const { return row_; }
    void setRecNo(int row);

    // Fields by name, case-insensitively; "Paciente.codigo" and "Visita.codigo" name the two
    // copies of the shared column, and a bare "codigo" the first one.
    int fieldIndex(const QString& name) const;
    QVariant fieldByName(const QString& name) const;      // current row; DbError if unknown
    QVariant fieldAt(int row, const QString& name) const;  // null if unknown or out of range

    FilasDataSet* model() { return &model_; }
    const FilasDataSet* model() const { return &model_; }

signals:
    void opened();
    void closed();

private:
    void indexFields();
    bool ensureRow(int row);

    Sql command_;
    QString connection_;
    FilasDataSet model_;
    QHash<QString, int> fields_;
    bool active_ = false;
    bool eof_ = true;
    int row_ = 0;
};

// Closes a dataset when the scope ends, on every way out of a handler.
struct CerrarAlSalir {
    DataSet* datos;
    ~CerrarAlSalir() { datos->close(); }
};
