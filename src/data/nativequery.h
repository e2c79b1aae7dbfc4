#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

struct sqlite3;
struct sqlite3_stmt;

// Statements run straight through SQLite's own interface, on the connection the Qt driver
// opened: the visible set of a large base is hundreds of thousands of record numbers, and
// listings, transfers and checks read or write every record; one QVariant per value would
// cost more than the work itself.
namespace NativeQuery {

// The SQLite handle of an open connection; throws AppError when the connection is closed.
sqlite3* handleOf(const QSqlDatabase& db);

// The message for a failure of SQLite: a sentence in Portuguese for each kind of failure a
// user can meet (the base held by another machine, a base or folder that can only be read,
// a full disk, a disk or network error, a damaged file, a folder gone), SQLite's own text
// kept as a detail line; SQLite's text alone for the failures only a program error causes.
QString errorMessage(sqlite3* handle, int code);

// One prepared statement, finalized with the object. Every failure throws AppError.
class Statement {
  public:
    Statement(const QSqlDatabase& db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Positions count from 1. A null QVariant binds NULL; integers bind as integers,
    // everything else as text.
    void bind(int position, const QVariant& value);
    void bindAll(const QVariantList& values);
    void bindInteger(int position, qint64 value);

    // Runs to the next row: true when there is one, false when the statement is done.
    bool step();
    // Ready to run again with new values.
    void reset();

    qint64 integer(int column) const;
    // A column's text; NULL gives the empty text.
    QString text(int column) const;
    // A column's text as the base stores it, UTF-8, valid until the statement moves on.
    QByteArrayView bytesView(int column) const;

    // Rows changed by the last statement run on the connection, and the last number given.
    int changes() const;
    qint64 lastInsertId() const;

  private:
    sqlite3* m_handle;
    sqlite3_stmt* m_statement = nullptr;
};

// Runs a statement without values; throws AppError.
void exec(const QSqlDatabase& db, const QString& sql);

// The first column of every row, as integers. Throws AppError with SQLite's message.
QVector<qint64> integers(const QSqlDatabase& db, const QString& sql, const QVariantList& values);

} // namespace NativeQuery
