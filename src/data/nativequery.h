#pragma once

#include "database.h"

#include <QByteArrayView>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <memory>

struct sqlite3;

// Statements run straight through each storage's own interface: SQLite's, or libpq's with
// binary results. The visible set of a large base is hundreds of thousands of record
// numbers, and listings, transfers and checks read or write every record; one QVariant per
// value would cost more than the work itself.
namespace NativeQuery {

// The message for a failure of SQLite: a sentence in Portuguese for each kind of failure a
// user can meet (the base held by another machine, a base or folder that can only be read,
// a full disk, a disk or network error, a damaged file, a folder gone), SQLite's own text
// kept as a detail line; SQLite's text alone for the failures only a program error causes.
QString errorMessage(sqlite3* handle, int code);
// What either storage says of a record whose number another record has.
extern const QString kNumberTaken;

// What a storage does with one statement.
class StatementImpl {
  public:
    virtual ~StatementImpl() = default;
    virtual void bind(int position, const QVariant& value) = 0;
    virtual bool step() = 0;
    virtual void reset() = 0;
    virtual qint64 integer(int column) const = 0;
    virtual QByteArrayView bytesView(int column) const = 0;
    virtual int changes() const = 0;
};

// One prepared statement, with "?" for its values, finalized with the object. Every failure
// throws AppError.
class Statement {
  public:
    Statement(const Database& db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Positions count from 1. A null QVariant binds NULL; integers bind as integers,
    // everything else as text.
    void bind(int position, const QVariant& value) { m_impl->bind(position, value); }
    void bindAll(const QVariantList& values);
    void bindInteger(int position, qint64 value) { m_impl->bind(position, QVariant(value)); }

    // Runs to the next row: true when there is one, false when the statement is done.
    bool step() { return m_impl->step(); }
    // Ready to run again with new values.
    void reset() { m_impl->reset(); }

    qint64 integer(int column) const { return m_impl->integer(column); }
    // A column's text; NULL gives the empty text.
    QString text(int column) const { return QString::fromUtf8(m_impl->bytesView(column)); }
    // A column's text as the base stores it, UTF-8, valid until the statement moves on (an
    // integer of a server base, until the next call).
    QByteArrayView bytesView(int column) const { return m_impl->bytesView(column); }

    // Rows changed by the statement's last run.
    int changes() const { return m_impl->changes(); }

  private:
    Database m_db; // the connection stays open while the statement lives
    std::unique_ptr<StatementImpl> m_impl;
};

// Runs a statement without values; throws AppError.
void exec(const Database& db, const QString& sql);

// The first column of every row, as integers. Throws AppError.
QVector<qint64> integers(const Database& db, const QString& sql, const QVariantList& values);

} // namespace NativeQuery
