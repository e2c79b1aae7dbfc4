#include "schema.h"

#include "columns.h"
#include "common/apperror.h"
#include "history.h"
#include "legalnumbers.h"
#include "nativequery.h"
#include "searchkey.h"

#include <QUuid>

namespace Schema {

namespace {

struct KeyColumn {
    enum class Kind { Folded, Chronological, Digits };
    QString name;
    int source; // position of the record column it is made from
    Kind kind;
};

const std::vector<KeyColumn>& keys() {
    static const std::vector<KeyColumn> list = [] {
        std::vector<KeyColumn> result;
        for (int i = 0; i < Columns::count(); ++i) {
            const auto& column = Columns::at(i);
            if (!Columns::hasSearchKey(column))
                continue;
            result.push_back({Columns::searchKeyName(column.name), i, KeyColumn::Kind::Folded});
            if (column.kind == Columns::Kind::Date)
                result.push_back({Columns::dateKeyName(column.name), i, KeyColumn::Kind::Chronological});
            if (Columns::hasDigitsKey(column.name))
                result.push_back({Columns::digitsKeyName(column.name), i, KeyColumn::Kind::Digits});
        }
        return result;
    }();
    return list;
}

QString keyValue(const KeyColumn& key, const QString& text) {
    switch (key.kind) {
    case KeyColumn::Kind::Chronological:
        return SearchKey::dateKey(text);
    case KeyColumn::Kind::Digits:
        return LegalNumbers::digitsOf(text);
    case KeyColumn::Kind::Folded:
        break;
    }
    return SearchKey::fold(text);
}

// A server keeps the version in a table of its own; a file in SQLite's user_version.
const QString kVersionTable = QStringLiteral("velmora_versao");
const QString kIdentityTable = QStringLiteral("velmora_base");

bool hasServerTable(const Database& db, const QString& table) {
    return !NativeQuery::integers(
                db,
                QStringLiteral("SELECT 1 FROM information_schema.tables WHERE table_schema = "
                               "current_schema() AND table_name = ?"),
                {table})
                .isEmpty();
}

int userVersion(const Database& db) {
    if (!db.isServer())
        return static_cast<int>(
            NativeQuery::integers(db, QStringLiteral("PRAGMA user_version"), {}).value(0));
    if (!hasServerTable(db, kVersionTable))
        return 0;
    return static_cast<int>(
        NativeQuery::integers(db, QStringLiteral("SELECT max(versao) FROM %1").arg(kVersionTable), {})
            .value(0));
}

void setVersion(const Database& db) {
    if (!db.isServer()) {
        exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
        return;
    }
    exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (versao integer NOT NULL)").arg(kVersionTable));
    exec(db, QStringLiteral("DELETE FROM %1").arg(kVersionTable));
    exec(db, QStringLiteral("INSERT INTO %1 (versao) VALUES (%2)").arg(kVersionTable).arg(kVersion));
}

QStringList existingColumns(const Database& db) {
    const bool server = db.isServer();
    NativeQuery::Statement query(
        db, server ? QStringLiteral("SELECT column_name FROM information_schema.columns "
                                    "WHERE table_schema = current_schema() AND table_name "
                                    "= 'clientes'")
                   : QStringLiteral("PRAGMA table_info(clientes)"));
    QStringList names;
    while (query.step())
        names << query.text(server ? 0 : 1);
    return names;
}

// A key column's type. On a server the keys compare byte by byte, as SQLite compares
// them, so that both storages order and search the same records the same way.
QString keyType(const Database& db) {
    return db.isServer() ? QStringLiteral(" TEXT COLLATE \"C\" NOT NULL DEFAULT ''")
                         : QStringLiteral(" TEXT NOT NULL DEFAULT ''");
}

QString selectedColumns() {
    QStringList names;
    for (const auto& column : Columns::all())
        names << Columns::quoted(column.name);
    return names.join(QStringLiteral(", "));
}

// Rewrites every record, so that its keys are computed as on every other write.
void fillKeys(const Database& db) {
    NativeQuery::Statement update(db, updateStatement());
    NativeQuery::Statement rows(db, QStringLiteral("SELECT %1 FROM clientes").arg(selectedColumns()));
    while (rows.step()) {
        Record record = emptyRecord();
        for (int i = 0; i < Columns::count(); ++i)
            record[i] = rows.text(i);
        update.bindAll(updateValues(record));
        update.step();
        update.reset();
    }
}

// The digits keys the fourth version added, made for the records already there.
void fillDigitsKeys(const Database& db) {
    QList<const KeyColumn*> digitsKeys;
    for (const auto& key : keys())
        if (key.kind == KeyColumn::Kind::Digits)
            digitsKeys << &key;
    QStringList assignments;
    QStringList sources;
    for (const KeyColumn* key : digitsKeys) {
        assignments << Columns::quoted(key->name) + QStringLiteral(" = ?");
        sources << Columns::quoted(Columns::at(key->source).name);
    }
    const QString code = Columns::quoted(Columns::kCodigo);
    NativeQuery::Statement update(db, QStringLiteral("UPDATE clientes SET %1 WHERE %2 = ?")
                                          .arg(assignments.join(QStringLiteral(", ")), code));
    NativeQuery::Statement rows(db, QStringLiteral("SELECT %1, %2 FROM clientes WHERE %3")
                                            .arg(code, sources.join(QStringLiteral(", ")),
                                                 sources.join(QStringLiteral(" IS NOT NULL OR "))) +
                                        QStringLiteral(" IS NOT NULL"));
    while (rows.step()) {
        QVariantList values;
        for (int i = 0; i < digitsKeys.size(); ++i)
            values << LegalNumbers::digitsOf(rows.text(i + 1));
        values << rows.integer(0);
        update.bindAll(values);
        update.step();
        update.reset();
    }
}

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

// Every change of the records announced to the stations listening on a server: one notice
// per statement, sent when its transaction commits.
void createChangeNotice(const Database& db) {
    exec(db, QStringLiteral("CREATE OR REPLACE FUNCTION velmora_aviso() RETURNS trigger LANGUAGE plpgsql AS "
                            "$$ BEGIN PERFORM pg_notify('%1', ''); RETURN NULL; END $$")
                 .arg(kChangeChannel));
    exec(db, QStringLiteral("DROP TRIGGER IF EXISTS velmora_aviso ON clientes"));
    exec(db, QStringLiteral(
                 "CREATE TRIGGER velmora_aviso AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON clientes "
                 "FOR EACH STATEMENT EXECUTE FUNCTION velmora_aviso()"));
}

// What the second version of the schema added.
void addVersionTwo(const Database& db) {
    History::createTable(db);
    if (db.isServer())
        createChangeNotice(db);
}

// What the third version added: the base's identity, made once.
void addVersionThree(const Database& db) {
    exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (identidade TEXT NOT NULL)").arg(kIdentityTable));
    NativeQuery::Statement made(
        db, QStringLiteral("INSERT INTO %1 (identidade) SELECT ? WHERE NOT EXISTS (SELECT 1 FROM %1)")
                .arg(kIdentityTable));
    made.bind(1, QUuid::createUuid().toString(QUuid::WithoutBraces));
    made.step();
}

// Runs `work` inside one transaction that writes: all of it is kept, or none.
template <typename Work> void inTransaction(const Database& db, Work work) {
    db.beginWrite();
    try {
        work();
        db.commit();
    } catch (const AppError&) {
        try {
            db.rollback();
        } catch (const AppError&) {
            // The failure that brought us here is the one to report.
        }
        throw;
    }
}

} // namespace

// SQLite's indexes hold the record number by themselves; a server's hold it as a second
// column, so that an order by a key, its ties by number, is read from the index alone.
void createIndexes(const Database& db) {
    const QString withNumber =
        db.isServer() ? QStringLiteral(", ") + Columns::quoted(Columns::kCodigo) : QString();
    for (const auto& key : keys())
        exec(db, QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON clientes(%2%3)")
                     .arg(Columns::quoted(QStringLiteral("ix_") + key.name), Columns::quoted(key.name),
                          withNumber));
    // The numbers alone, small enough to be read a page at a time without walking the
    // records (a server reads them from its primary key).
    if (!db.isServer())
        exec(db, QStringLiteral("CREATE INDEX IF NOT EXISTS ix_codigo ON clientes(%1)")
                     .arg(Columns::quoted(Columns::kCodigo)));
}

void dropIndexes(const Database& db) {
    for (const auto& key : keys())
        exec(
            db,
            QStringLiteral("DROP INDEX IF EXISTS %1").arg(Columns::quoted(QStringLiteral("ix_") + key.name)));
    if (!db.isServer())
        exec(db, QStringLiteral("DROP INDEX IF EXISTS ix_codigo"));
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
    for (const auto& key : keys())
        values << keyValue(key, record.at(key.source));
    return values;
}

QString insertStatement(bool withCode) {
    const QStringList names = writtenColumns(withCode ? 0 : 1);
    return QStringLiteral("INSERT INTO clientes (%1) VALUES (%2) RETURNING %3")
        .arg(names.join(QStringLiteral(", ")), QStringList(names.size(), QStringLiteral("?")).join(u','),
             Columns::quoted(Columns::kCodigo));
}

QStringList insertColumns(bool withCode) {
    return writtenColumns(withCode ? 0 : 1);
}

qint64 nextRecordNumber(const Database& db) {
    // Numbers are never reused: the highest one ever given counts, not only those left.
    const QString highest =
        QStringLiteral("coalesce((SELECT max(%1) FROM clientes), 0)").arg(Columns::quoted(Columns::kCodigo));
    const QString sql =
        db.isServer()
            ? QStringLiteral(
                  "SELECT greatest((SELECT CASE WHEN is_called THEN last_value ELSE last_value - 1 END "
                  "FROM %1), %2) + 1")
                  .arg(serverSequence(db), highest)
            : QStringLiteral("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'clientes'), "
                             "0), %1) + 1")
                  .arg(highest);
    return NativeQuery::integers(db, sql, {}).value(0, 1);
}

QString serverSequence(const Database& db) {
    NativeQuery::Statement name(db, QStringLiteral("SELECT pg_get_serial_sequence('clientes', 'Código')"));
    if (!name.step() || name.text(0).isEmpty())
        throw AppError(QStringLiteral("A base de dados do servidor não numera os registros."));
    return name.text(0);
}

void numberAfterHighest(const Database& db) {
    if (!db.isServer())
        return; // SQLite's AUTOINCREMENT follows every number written
    NativeQuery::exec(
        db,
        QStringLiteral("SELECT setval(%1, greatest((SELECT max(%2) FROM clientes), (SELECT last_value FROM "
                       "%3)), true)")
            .arg(u'\'' + serverSequence(db) + u'\'', Columns::quoted(Columns::kCodigo), serverSequence(db)));
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

BoundStatement changedFieldsUpdate(qint64 code, const Record& original, const Record& changed) {
    QStringList assignments;
    QStringList conditions{Columns::quoted(Columns::kCodigo) + QStringLiteral(" = ?")};
    QVariantList values;
    QVariantList originals{code};
    for (int i = 1; i < Columns::count(); ++i) {
        if (original[i] == changed[i])
            continue;
        const QString name = Columns::quoted(Columns::at(i).name);
        assignments << name + QStringLiteral(" = ?");
        values << storedValue(changed[i]);
        for (const auto& key : keys()) {
            if (key.source != i)
                continue;
            assignments << Columns::quoted(key.name) + QStringLiteral(" = ?");
            values << keyValue(key, changed[i]);
        }
        conditions << QStringLiteral("coalesce(%1, '') = ?").arg(name);
        originals << original[i];
    }
    if (assignments.isEmpty())
        return {};
    return {QStringLiteral("UPDATE clientes SET %1 WHERE %2")
                .arg(assignments.join(QStringLiteral(", ")), conditions.join(QStringLiteral(" AND "))),
            values + originals};
}

void exec(const Database& db, const QString& sql) {
    NativeQuery::exec(db, sql);
}

void create(const Database& db, bool withIndexes) {
    // Numbers are never given twice: SQLite's AUTOINCREMENT and a server's sequence both
    // remember the highest one given.
    const QString number = db.isServer()
                               ? QStringLiteral(" BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                               : QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    QStringList definitions;
    for (const auto& column : Columns::all())
        definitions << Columns::quoted(column.name) +
                           (column.kind == Columns::Kind::Number ? number : QStringLiteral(" TEXT"));
    for (const auto& key : keys())
        definitions << Columns::quoted(key.name) + keyType(db);
    inTransaction(db, [&] {
        exec(db, QStringLiteral("CREATE TABLE clientes (%1)").arg(definitions.join(QStringLiteral(", "))));
        if (withIndexes)
            createIndexes(db);
        addVersionTwo(db);
        addVersionThree(db);
        setVersion(db);
    });
}

QString identity(const Database& db) {
    NativeQuery::Statement read(db, QStringLiteral("SELECT identidade FROM %1").arg(kIdentityTable));
    return read.step() ? read.text(0) : QString();
}

void setIdentity(const Database& db, const QString& identity) {
    NativeQuery::Statement write(db, QStringLiteral("UPDATE %1 SET identidade = ?").arg(kIdentityTable));
    write.bind(1, identity);
    write.step();
}

namespace {

void refuseNewerBase(int version) {
    if (version > kVersion)
        throw NewerBaseError(
            QStringLiteral("Esta base de dados foi gravada por uma versão mais nova do Velmora "
                           "(formato %1; esta versão conhece até o formato %2). Ela não foi aberta "
                           "nem alterada. Instale a versão mais nova do programa nesta estação.")
                .arg(version)
                .arg(kVersion));
}

void bringUpToDate(const Database& db) {
    inTransaction(db, [&] {
        if (db.isServer() && hasServerTable(db, kVersionTable))
            exec(db, QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(kVersionTable));
        const int lockedVersion = userVersion(db);
        refuseNewerBase(lockedVersion);
        if (lockedVersion == kVersion)
            return;
        const QStringList present = existingColumns(db);
        if (present.isEmpty())
            return; // no table clientes: opening the table reports it
        for (const auto& column : Columns::all()) {
            if (!present.contains(column.name))
                exec(db, QStringLiteral("ALTER TABLE clientes ADD COLUMN %1 TEXT")
                             .arg(Columns::quoted(column.name)));
        }
        for (const auto& key : keys()) {
            if (!present.contains(key.name))
                exec(db, QStringLiteral("ALTER TABLE clientes ADD COLUMN %1%2")
                             .arg(Columns::quoted(key.name), keyType(db)));
        }
        if (lockedVersion < 1) {
            fillKeys(db);
            createIndexes(db);
        } else {
            if (lockedVersion < 4)
                fillDigitsKeys(db);
            createIndexes(db);
        }
        addVersionTwo(db);
        addVersionThree(db);
        setVersion(db);
    });
}

} // namespace

void upgrade(const Database& db) {
    const int version = userVersion(db);
    refuseNewerBase(version);
    if (version == kVersion)
        return;
    // Another machine may be upgrading the same base: the version and the columns are read
    // again once this connection holds the write lock.
    try {
        bringUpToDate(db);
    } catch (const AppError& error) {
        // Staff may not change a server's schema: its owner brings it up to date.
        if (db.isServer() && error.message().startsWith(QStringLiteral("Este usuário não tem permissão")))
            throw AppError(
                QStringLiteral("A base do servidor foi preparada por uma versão anterior do Velmora e "
                               "precisa ser atualizada pelo responsável pelo servidor, com "
                               "velmora-install --servidor.\n\n") +
                error.message());
        throw;
    }
}

namespace {

// The tables of ours a server's database may hold.
const QStringList& ourTables() {
    static const QStringList tables = {QStringLiteral("clientes"), kVersionTable, History::kTable,
                                       kIdentityTable};
    return tables;
}

} // namespace

void prepareServer(const Database& db) {
    if (!db.isServer())
        throw AppError(QStringLiteral("Só uma base num servidor é preparada assim."));
    NativeQuery::Statement tables(db, QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                                     "table_schema = current_schema() ORDER BY 1"));
    QStringList others;
    bool present = false;
    while (tables.step()) {
        const QString table = tables.text(0);
        if (!ourTables().contains(table))
            others << table;
        present = present || table == u"clientes";
    }
    if (!others.isEmpty())
        throw AppError(
            QStringLiteral(
                "A base de dados %1 já tem tabelas de outro programa (%2); o Velmora só se instala "
                "numa base vazia. Crie uma base só para ele.")
                .arg(db.name(), others.join(QStringLiteral(", "))));
    if (present)
        upgrade(db);
    else
        create(db);
    inTransaction(db, [&] {
        exec(db,
             QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN "
                            "CREATE ROLE %1 NOLOGIN; END IF; END $$")
                 .arg(kStaffRole));
        NativeQuery::Statement schema(db, QStringLiteral("SELECT current_schema()"));
        schema.step();
        exec(db, QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2")
                     .arg(Columns::quoted(schema.text(0)), kStaffRole));
        exec(db, QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON clientes TO %1").arg(kStaffRole));
        exec(db, QStringLiteral("GRANT SELECT ON %1 TO %2").arg(kVersionTable, kStaffRole));
        // A base sent to the server keeps the identity it had.
        exec(db, QStringLiteral("GRANT SELECT, UPDATE ON %1 TO %2").arg(kIdentityTable, kStaffRole));
        // The history is written and read, never changed.
        exec(db, QStringLiteral("GRANT SELECT, INSERT ON %1 TO %2").arg(History::kTable, kStaffRole));
        exec(db, QStringLiteral("GRANT USAGE, SELECT, UPDATE ON SEQUENCE %1 TO %2")
                     .arg(serverSequence(db), kStaffRole));
    });
}

} // namespace Schema
