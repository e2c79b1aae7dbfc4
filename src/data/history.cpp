#include "history.h"

#include "columns.h"
#include "common/apperror.h"
#include "nativequery.h"
#include "recordreader.h"
#include "recordwriter.h"
#include "server.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <libpq-fe.h>
#include <numeric>
#include <pwd.h>
#include <unistd.h>

namespace History {

namespace {

const QString kColumns = QStringLiteral("\"Código\", quando, estacao, usuario, acao, antes, depois");

// The columns an event is read from, of the table under the name `table`.
QString readColumns(const QString& table) {
    QStringList names{QStringLiteral("id")};
    for (const QString& name : kColumns.split(QStringLiteral(", ")))
        names << name;
    for (QString& name : names)
        name.prepend(table + u'.');
    return names.join(QStringLiteral(", "));
}

QString toText(const Fields& fields) {
    if (fields.isEmpty())
        return {};
    QJsonObject object;
    for (auto field = fields.begin(); field != fields.end(); ++field)
        object.insert(field.key(), field.value());
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

Fields fromText(const QString& text) {
    Fields fields;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    for (auto field = object.begin(); field != object.end(); ++field)
        fields.insert(field.key(), field.value().toString());
    return fields;
}

// A record's fields that hold text, the number left out (the event has it).
Fields filled(const Schema::Record& record) {
    Fields fields;
    for (int i = 1; i < Columns::count(); ++i)
        if (!record.value(i).isEmpty())
            fields.insert(Columns::at(i).name, record[i]);
    return fields;
}

void write(const Database& db, qint64 code, Action action, const Fields& before, const Fields& after) {
    NativeQuery::Statement insert(
        db, QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?)").arg(kTable, kColumns));
    const QDateTime now = QDateTime::currentDateTime();
    insert.bindAll({code > 0 ? QVariant(code) : QVariant(),
                    now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate), stationName(),
                    userName(db), actionName(action), before.isEmpty() ? QVariant() : toText(before),
                    after.isEmpty() ? QVariant() : toText(after)});
    insert.step();
}

Action actionNamed(const QString& name) {
    for (const Action action :
         {Action::Added, Action::Changed, Action::Deleted, Action::Restored, Action::ManyAdded})
        if (actionName(action) == name)
            return action;
    return Action::Changed;
}

QVector<Event> events(const Database& db, const QString& sql, const QVariantList& values) {
    NativeQuery::Statement query(db, sql);
    query.bindAll(values);
    QVector<Event> found;
    while (query.step()) {
        Event event;
        event.id = query.integer(0);
        event.code = query.integer(1);
        event.when = QDateTime::fromString(query.text(2), Qt::ISODate);
        event.station = query.text(3);
        event.user = query.text(4);
        event.action = actionNamed(query.text(5));
        event.before = fromText(query.text(6));
        event.after = fromText(query.text(7));
        found.append(event);
    }
    return found;
}

} // namespace

QString actionName(Action action) {
    switch (action) {
    case Action::Added:
        return QStringLiteral("inclusão");
    case Action::Changed:
        return QStringLiteral("alteração");
    case Action::Deleted:
        return QStringLiteral("exclusão");
    case Action::Restored:
        return QStringLiteral("restauração");
    case Action::ManyAdded:
        return QStringLiteral("inclusão de vários");
    }
    return {};
}

void createTable(const Database& db) {
    const QString number = db.isServer() ? QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                                         : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString code = db.isServer() ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER");
    NativeQuery::exec(
        db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (id %2, \"Código\" %3, quando TEXT NOT NULL, "
                           "estacao TEXT, usuario TEXT, acao TEXT NOT NULL, antes TEXT, depois TEXT)")
                .arg(kTable, number, code));
    NativeQuery::exec(
        db,
        QStringLiteral("CREATE INDEX IF NOT EXISTS ix_historico_codigo ON %1 (\"Código\", id)").arg(kTable));
}

// A record added keeps no copy of its fields in the history: the record holds them, and
// ofRecord() works them out from it and from the changes since.
void recordAdded(const Database& db, qint64 code, const Schema::Record& record, Action action) {
    write(db, code, action, {}, action == Action::Added ? Fields() : filled(record));
}

void recordChanged(const Database& db, qint64 code, const Schema::Record& before,
                   const Schema::Record& after) {
    Fields old;
    Fields now;
    for (int i = 1; i < Columns::count(); ++i) {
        if (before.value(i) == after.value(i))
            continue;
        old.insert(Columns::at(i).name, before.value(i));
        now.insert(Columns::at(i).name, after.value(i));
    }
    if (!old.isEmpty())
        write(db, code, Action::Changed, old, now);
}

void recordDeleted(const Database& db, qint64 code, const Schema::Record& record) {
    write(db, code, Action::Deleted, filled(record), {});
}

void recordManyAdded(const Database& db, qint64 count, const QString& source) {
    write(db, 0, Action::ManyAdded, {},
          {{QStringLiteral("registros"), QString::number(count)}, {QStringLiteral("origem"), source}});
}

qint64 copyEvents(const Database& from, const Database& to) {
    if (!from.isServer() &&
        NativeQuery::integers(
            from, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"), {kTable})
            .isEmpty())
        return 0;
    constexpr int kBatch = 2000;
    const QStringList columns = kColumns.split(QStringLiteral(", "));
    NativeQuery::Statement events(from,
                                  QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(kColumns, kTable));
    std::unique_ptr<NativeQuery::Statement> insert;
    if (!to.isServer())
        insert = std::make_unique<NativeQuery::Statement>(
            to, QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?)").arg(kTable, kColumns));
    QVector<QVariantList> rows;
    qint64 copied = 0;
    const auto write = [&] {
        if (insert) {
            for (const QVariantList& row : rows) {
                insert->bindAll(row);
                insert->step();
                insert->reset();
            }
        } else {
            Server::copyRows(to.serverHandle(), kTable, columns, rows);
        }
        copied += rows.size();
        rows.clear();
    };
    while (events.step()) {
        QVariantList row;
        for (int column = 0; column < columns.size(); ++column) {
            const QString text = events.text(column);
            row << (text.isEmpty() ? QVariant() : QVariant(text));
        }
        rows << row;
        if (rows.size() == kBatch)
            write();
    }
    write();
    return copied;
}

namespace {

// The fields a record holds now; none when it is not in the base.
Fields currentFields(const Database& db, qint64 code) {
    QList<int> everyColumn(Columns::count());
    std::iota(everyColumn.begin(), everyColumn.end(), 0);
    const StoredRows rows = readRecords(db, {&code, 1}, everyColumn);
    return rows.present(0) ? filled(rows.texts(0)) : Fields();
}

// The fields each addition gave the record, worked back from what it holds now: every
// change undone, newest first; before a deletion it held what the deletion kept.
void fillAdditions(QVector<Event>& events, Fields fields) {
    for (auto event = events.rbegin(); event != events.rend(); ++event) {
        switch (event->action) {
        case Action::Changed:
            for (auto field = event->before.begin(); field != event->before.end(); ++field) {
                if (field.value().isEmpty())
                    fields.remove(field.key());
                else
                    fields.insert(field.key(), field.value());
            }
            break;
        case Action::Deleted:
            fields = event->before;
            break;
        case Action::Added:
            if (event->after.isEmpty())
                event->after = fields;
            fields.clear();
            break;
        case Action::Restored:
        case Action::ManyAdded:
            fields.clear();
            break;
        }
    }
}

} // namespace

QVector<Event> ofRecord(const Database& db, qint64 code) {
    QVector<Event> found = events(db,
                                  QStringLiteral("SELECT %1 FROM %2 h WHERE h.\"Código\" = ? ORDER BY h.id")
                                      .arg(readColumns(QStringLiteral("h")), kTable),
                                  {code});
    fillAdditions(found, currentFields(db, code));
    return found;
}

QVector<Event> deletedRecords(const Database& db) {
    return events(
        db,
        QStringLiteral("SELECT %1 FROM %2 h WHERE h.acao = ? AND NOT EXISTS (SELECT 1 FROM clientes c "
                       "WHERE c.\"Código\" = h.\"Código\") AND h.id = (SELECT max(l.id) FROM %2 l WHERE "
                       "l.\"Código\" = h.\"Código\" AND l.acao = ?) ORDER BY h.id DESC")
            .arg(readColumns(QStringLiteral("h")), kTable),
        {actionName(Action::Deleted), actionName(Action::Deleted)});
}

void restore(const Database& db, qint64 code) {
    const QVector<Event> history = ofRecord(db, code);
    auto deletion = std::find_if(history.rbegin(), history.rend(),
                                 [](const Event& event) { return event.action == Action::Deleted; });
    if (deletion == history.rend())
        throw AppError(QStringLiteral("O histórico não tem a exclusão do registro %1.").arg(code));
    Schema::Record record = Schema::emptyRecord();
    record[0] = QString::number(code);
    for (auto field = deletion->before.begin(); field != deletion->before.end(); ++field) {
        const int column = Columns::indexOf(field.key());
        if (column > 0)
            record[column] = field.value();
    }
    RecordWriter writer(db);
    if (!NativeQuery::integers(db, QStringLiteral("SELECT 1 FROM clientes WHERE \"Código\" = ?"), {code})
             .isEmpty())
        throw AppError(QStringLiteral("O registro %1 está na base; não há o que restaurar.").arg(code));
    writer.restore(record);
    writer.commit();
}

QString stationName() {
    return QSysInfo::machineHostName();
}

// On a server, the login the station connected with; on a base file, the system's user.
QString userName(const Database& db) {
    if (db.isServer())
        return QString::fromUtf8(PQuser(db.serverHandle()));
    if (const passwd* entry = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace History
