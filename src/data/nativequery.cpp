#include "nativequery.h"

#include "app/apperror.h"

#include <QSqlDriver>
#include <sqlite3.h>

namespace NativeQuery {

namespace {

sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw AppError(QStringLiteral("A conexão com a base de dados não está aberta."));
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Finalizes the statement however the reading ends.
struct Statement {
    sqlite3_stmt* statement = nullptr;
    ~Statement() { sqlite3_finalize(statement); }
};

void bind(sqlite3_stmt* statement, int position, const QVariant& value) {
    if (value.isNull()) {
        sqlite3_bind_null(statement, position);
    } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
        sqlite3_bind_int64(statement, position, value.toLongLong());
    } else {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(statement, position, text.constData(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
}

} // namespace

QVector<qint64> integers(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    sqlite3* handle = handleOf(db);
    Statement query;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), static_cast<int>(text.size()), &query.statement,
                           nullptr) != SQLITE_OK)
        throw AppError(QString::fromUtf8(sqlite3_errmsg(handle)));
    for (int i = 0; i < values.size(); ++i)
        bind(query.statement, i + 1, values[i]);
    QVector<qint64> result;
    int step;
    while ((step = sqlite3_step(query.statement)) == SQLITE_ROW)
        result.append(sqlite3_column_int64(query.statement, 0));
    if (step != SQLITE_DONE)
        throw AppError(QString::fromUtf8(sqlite3_errmsg(handle)));
    return result;
}

} // namespace NativeQuery
