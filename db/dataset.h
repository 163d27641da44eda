#pragma once

#include "db/sql.h"

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQueryModel>

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

    QSqlQueryModel* model() { return &model_; }
    const QSqlQueryModel* model() const { return &model_; }

signals:
    void opened();
    void closed();

private:
    void indexFields();
    bool ensureRow(int row);

    Sql command_;
    QString connection_;
    QSqlQueryModel model_;
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
