#pragma once

#include "common/apperror.h"
#include "database.h"

#include <QStringList>
#include <QVariantList>
#include <utility>
#include <vector>

// Table clientes as this build keeps it: the 37 record columns under their own names,
// then the search keys. The schema version lives in PRAGMA user_version.
namespace Schema {

// A base written by a newer build of the program: it is neither opened nor changed.
class NewerBaseError : public AppError {
  public:
    using AppError::AppError;
};

// 1: the records and their keys; 2: the change history, and on a server the notice of
// every change to the stations; 3: the base's identity; 4: the digits of case numbers and
// CPFs, searched without their punctuation; 5: an index of the record numbers alone.
inline constexpr int kVersion = 5;

// The base's identity, made once with the base (or when an older base is brought up to this
// version): it names the base's hearings in the lawyers' calendars, so the copies of one
// base (a backup, the base sent to a server) name them alike.
QString identity(const Database& db);
void setIdentity(const Database& db, const QString& identity);

// The channel a server announces changes of the records on.
inline const QString kChangeChannel = QStringLiteral("velmora_clientes");

// One record's 37 column texts, by column position; an empty text is stored as NULL.
using Record = QStringList;
Record emptyRecord();

// The key columns and, for a record, their values, in the same order.
const QStringList& keyColumns();
QStringList keyValues(const Record& record);

// Creates table clientes with its keys and indexes in an empty database. Without
// indexes, a bulk load can create them afterwards with createIndexes.
void create(const Database& db, bool withIndexes = true);
void createIndexes(const Database& db);
// The indexes createIndexes makes dropped, so that many records are written faster and the
// indexes built once afterwards, in the same transaction.
void dropIndexes(const Database& db);
// Brings a base made by an earlier build up to this version in one transaction. Throws
// AppError when the base cannot be read or upgraded, and for a base made by a newer build,
// which is left untouched.
void upgrade(const Database& db);

// The INSERT of one record with its keys, giving the record's Código, and its values in
// the order of the statement. The record's Código is written only when `withCode` (old
// numbers kept by a transfer).
QString insertStatement(bool withCode);
// The columns it writes, in its order.
QStringList insertColumns(bool withCode);
QVariantList insertValues(const Record& record, bool withCode);
// The UPDATE of every column and key of one record, and its values (Código last).
QString updateStatement();
QVariantList updateValues(const Record& record);

// The UPDATE of the columns whose text differs between `original` and `changed`, with their
// keys. It changes the record only where the base still holds the original text of every
// one of those columns, so a change made meanwhile on another machine is never overwritten.
// Empty when nothing differs.
struct BoundStatement {
    QString sql;
    QVariantList values;
};
BoundStatement changedFieldsUpdate(qint64 code, const Record& original, const Record& changed);

// Runs one statement; throws AppError with the database's text when it fails.
void exec(const Database& db, const QString& sql);

// The number the base will give the next record stored.
qint64 nextRecordNumber(const Database& db);
// After records written with numbers of their own: the next number given follows the
// highest one in the base.
void numberAfterHighest(const Database& db);
// The server's sequence that numbers the records.
QString serverSequence(const Database& db);

// The role the office's staff are given on a server: it may read and write the records,
// and nothing else (no table is made, changed or dropped by it).
inline const QString kStaffRole = QStringLiteral("velmora_equipe");
// Prepares a server's database for the office, as its owner: the table with its keys and
// indexes in an empty database (one that holds tables of another program is refused), or
// an earlier schema brought up to date, then the staff role and its rights. Throws AppError.
void prepareServer(const Database& db);

} // namespace Schema
