#include "db/comando.h"

#include "db/error.h"

#include <QSqlError>

namespace comando {

QString textoError(const QSqlError& e)
{
    QString texto = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return QStringLiteral("Error de la base de datos: ") + texto;
}

void enlazar(QSqlQuery& q, const QVariantList& valores)
{
    for (int i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores.at(i);
        // An untouched text box gives a null string; it is stored as the empty text, not NULL.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.bindValue(i, QStringLiteral(""));
        else
            q.bindValue(i, v);
    }
}

QSqlQuery preparar(const Sql& s, QSqlDatabase db)
{
    QSqlQuery q(db);
    if (!q.prepare(s.text))
        throw DbError(textoError(q.lastError()));
    enlazar(q, s.values);
    if (!q.exec())
        throw DbError(textoError(q.lastError()));
    return q;
}

int ejecutar(const Sql& s, QSqlDatabase db)
{
    QSqlQuery q = preparar(s, db);
    return q.numRowsAffected();
}

bool insertarSiSigueLibre(const Sql& insercion, const std::function<bool()>& yaExiste,
                          QSqlDatabase db)
{
    try {
        ejecutar(insercion, db);
    } catch (const DbError&) {
        if (yaExiste())
            return false;
        throw;
    }
    return true;
}

QVariant valor(const Sql& s, QSqlDatabase db)
{
    QSqlQuery q = preparar(s, db);
    if (!q.next())
        return {};
    return q.value(0);
}

QStringList columna(const Sql& s, QSqlDatabase db)
{
    QSqlQuery q = preparar(s, db);
    QStringList valores;
    while (q.next())
        valores << q.value(0).toString();
    return valores;
}

Transaccion::Transaccion(QSqlDatabase db) : db_(db)
{
    if (!db_.transaction())
        throw DbError(textoError(db_.lastError()));
    abierta_ = true;
}

Transaccion::~Transaccion()
{
    if (abierta_)
        db_.rollback();
}

void Transaccion::commit()
{
    if (!db_.commit())
        throw DbError(textoError(db_.lastError()));
    abierta_ = false;
}

}  // namespace comando
