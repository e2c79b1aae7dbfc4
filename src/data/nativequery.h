#pragma once

#include <QSqlDatabase>
#include <QVariantList>
#include <QVector>

// Reads a one-column integer result straight through SQLite's own interface: the
// visible set of a large base is hundreds of thousands of record numbers, and reading
// them one QVariant at a time would cost more than the query itself.
namespace NativeQuery {

// The first column of every row, as integers. Throws AppError with SQLite's message.
QVector<qint64> integers(const QSqlDatabase& db, const QString& sql, const QVariantList& values);

} // namespace NativeQuery
