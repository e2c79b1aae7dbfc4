#include "schema.h"

#include "app/apperror.h"
#include "columns.h"
#include "searchkey.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Schema {

namespace {

struct KeyColumn {
    QString name;
    int source; // position of the record column it is made from
    bool chronological;
    bool indexed;
};

const std::vector<KeyColumn>& keys() {
    static const std::vector<KeyColumn> list = [] {
        std::vector<KeyColumn> result;
        for (int i = 0; i < Columns::count(); ++i) {
            const auto& column = Columns::at(i);
            if (!Columns::hasSearchKey(column))
                continue;
            const bool listed = Columns::listedColumns().contains(column.name);
            result.push_back({Columns::searchKeyName(column.name), i, false, listed});
            if (column.kind == Columns::Kind::Date)
                result.push_back({Columns::dateKeyName(column.name), i, true, true});
        }
        return result;
    }();
    return list;
}

int userVersion(QSqlDatabase& db) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        throw AppError(query.lastError().text());
    return query.value(0).toInt();
}

QStringList existingColumns(QSqlDatabase& db) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA table_info(clientes)")))
        throw AppError(query.lastError().text());
    QStringList names;
    while (query.next())
        names << query.value(1).toString();
    return names;
}

// Rewrites every record, so that its keys are computed as on every other write.
void fillKeys(QSqlDatabase& db) {
    QSqlQuery update(db);
    update.prepare(updateStatement());
    QStringList selected;
    for (const auto& column : Columns::all())
        selected << Columns::quoted(column.name);
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT %1 FROM clientes").arg(selected.join(QStringLiteral(", ")))))
        throw AppError(rows.lastError().text());
    while (rows.next()) {
        Record record = emptyRecord();
        for (int i = 0; i < Columns::count(); ++i)
            record[i] = rows.value(i).toString();
        const QVariantList values = updateValues(record);
        for (int i = 0; i < values.size(); ++i)
            update.bindValue(i, values[i]);
        if (!update.exec())
            throw AppError(update.lastError().text());
    }
}

} // namespace

void createIndexes(QSqlDatabase& db) {
    for (const auto& key : keys()) {
        if (key.indexed)
            exec(db, QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON clientes(%2)")
                         .arg(Columns::quoted(QStringLiteral("ix_") + key.name), Columns::quoted(key.name)));
    }
}

Record emptyRecord() {
    Record record;
    record.resize(Columns::count());
    return record;
}

const QStringList& keyColumns() {
    static const QStringList names = [] {
        QStringList result;
        for (const auto& key : keys())
            result << key.name;
        return result;
    }();
    return names;
}

QStringList keyValues(const Record& record) {
    QStringList values;
    values.reserve(static_cast<qsizetype>(keys().size()));
    for (const auto& key : keys()) {
        const QString& text = record.at(key.source);
        values << (key.chronological ? SearchKey::dateKey(text) : SearchKey::fold(text));
    }
    return values;
}

namespace {

QVariant storedValue(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// Record columns from `first`, then the keys.
QStringList writtenColumns(int first) {
    QStringList names;
    for (int i = first; i < Columns::count(); ++i)
        names << Columns::quoted(Columns::at(i).name);
    for (const QString& key : keyColumns())
        names << Columns::quoted(key);
    return names;
}

QVariantList writtenValues(const Record& record, int first) {
    QVariantList values;
    for (int i = first; i < Columns::count(); ++i)
        values << storedValue(record[i]);
    for (const QString& key : keyValues(record))
        values << key;
    return values;
}

} // namespace

QString insertStatement(bool withCode) {
    const QStringList names = writtenColumns(withCode ? 0 : 1);
    return QStringLiteral("INSERT INTO clientes (%1) VALUES (%2)")
        .arg(names.join(QStringLiteral(", ")), QStringList(names.size(), QStringLiteral("?")).join(u','));
}

QVariantList insertValues(const Record& record, bool withCode) {
    return writtenValues(record, withCode ? 0 : 1);
}

QString updateStatement() {
    return QStringLiteral("UPDATE clientes SET %1 = ? WHERE %2 = ?")
        .arg(writtenColumns(1).join(QStringLiteral(" = ?, ")), Columns::quoted(Columns::kCodigo));
}

QVariantList updateValues(const Record& record) {
    QVariantList values = writtenValues(record, 1);
    values << record[0].toLongLong();
    return values;
}

// Runs `work` inside one transaction: all of it is kept, or none.
template <typename Work> void inTransaction(QSqlDatabase& db, const QString& begin, Work work) {
    exec(db, begin);
    try {
        work();
        exec(db, QStringLiteral("COMMIT"));
    } catch (const AppError&) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw AppError(query.lastError().text());
}

void create(QSqlDatabase& db, bool withIndexes) {
    QStringList definitions;
    for (const auto& column : Columns::all()) {
        definitions << Columns::quoted(column.name) +
                           (column.kind == Columns::Kind::Number
                                ? QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT")
                                : QStringLiteral(" TEXT"));
    }
    for (const auto& key : keys())
        definitions << Columns::quoted(key.name) + QStringLiteral(" TEXT NOT NULL DEFAULT ''");
    inTransaction(db, QStringLiteral("BEGIN"), [&] {
        exec(db, QStringLiteral("CREATE TABLE clientes (%1)").arg(definitions.join(QStringLiteral(", "))));
        if (withIndexes)
            createIndexes(db);
        exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
    });
}

void upgrade(QSqlDatabase& db) {
    if (userVersion(db) >= kVersion)
        return;
    const QStringList present = existingColumns(db);
    if (present.isEmpty())
        return; // no table clientes: opening the table reports it
    inTransaction(db, QStringLiteral("BEGIN IMMEDIATE"), [&] {
        for (const auto& column : Columns::all()) {
            if (!present.contains(column.name))
                exec(db, QStringLiteral("ALTER TABLE clientes ADD COLUMN %1 TEXT")
                             .arg(Columns::quoted(column.name)));
        }
        for (const auto& key : keys()) {
            if (!present.contains(key.name))
                exec(db, QStringLiteral("ALTER TABLE clientes ADD COLUMN %1 TEXT NOT NULL DEFAULT ''")
                             .arg(Columns::quoted(key.name)));
        }
        fillKeys(db);
        createIndexes(db);
        exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
    });
}

} // namespace Schema
