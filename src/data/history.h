#pragma once

#include "database.h"
#include "schema.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

// The change history: every record added, changed, deleted or brought back, with its time,
// the station, the user, and the fields' old and new values, in a table of its own
// (historico) written in the same transaction as the change. Many records stored at once
// (a transfer, a conversion, a base sent to a server) are one event, without their fields.
namespace History {

inline const QString kTable = QStringLiteral("historico");

enum class Action { Added, Changed, Deleted, Restored, ManyAdded };
// The action's name as the table keeps it and the history window shows it.
QString actionName(Action action);

// Field name -> text; the empty text of a field is not kept.
using Fields = QMap<QString, QString>;

struct Event {
    qint64 id = 0;
    qint64 code = 0; // the record's Código; 0 for many records at once
    QDateTime when;
    QString station;
    QString user;
    Action action = Action::Added;
    Fields before;
    Fields after;
};

// The table and its index, in a base that has none.
void createTable(const Database& db);

// Writes one event for a record: a restored record's fields (an added one's are the
// record's own, worked out when its history is read), a deleted one's last fields, or the
// fields a change changed (old and new). Throws AppError.
void recordAdded(const Database& db, qint64 code, const Schema::Record& record,
                 Action action = Action::Added);
void recordChanged(const Database& db, qint64 code, const Schema::Record& before,
                   const Schema::Record& after);
void recordDeleted(const Database& db, qint64 code, const Schema::Record& record);
// Many records stored at once, with what they came from.
void recordManyAdded(const Database& db, qint64 count, const QString& source);

// Copies every event of the history of `from` into the empty history of `to`, oldest first,
// with numbers of their own; a base of the first format has none. Gives the events copied.
qint64 copyEvents(const Database& from, const Database& to);

// The events of one record, oldest first, an addition with the fields the record was
// given.
QVector<Event> ofRecord(const Database& db, qint64 code);
// The last deletion of every record that is not in the base now, newest first.
QVector<Event> deletedRecords(const Database& db);

// Brings a deleted record back with its old number and the fields it had when it was
// deleted, and writes that in the history. Throws AppError when the record is in the base,
// or the history holds no deletion of it.
void restore(const Database& db, qint64 code);

// The station and the user an event is written with.
QString stationName();
QString userName(const Database& db);

} // namespace History
