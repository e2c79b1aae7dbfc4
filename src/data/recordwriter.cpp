#include "recordwriter.h"

#include "columns.h"
#include "common/apperror.h"
#include "history.h"
#include "nativequery.h"
#include "recordreader.h"
#include "server.h"

#include <numeric>

namespace {

// Records a server gets in one COPY.
constexpr int kBatch = 2000;

} // namespace

RecordWriter::RecordWriter(Database db) : m_db(std::move(db)) {
    m_db.beginWrite();
    m_open = true;
}

RecordWriter::~RecordWriter() {
    if (!m_open)
        return;
    m_insertNew.reset();
    m_insertNumbered.reset();
    try {
        m_db.rollback();
    } catch (const AppError&) {
        // Nothing more can be done for a transaction the base already ended.
    }
}

qint64 RecordWriter::insert(const Schema::Record& record) {
    const qint64 code = store(record);
    History::recordAdded(m_db, code, record);
    return code;
}

void RecordWriter::restore(const Schema::Record& record) {
    History::recordAdded(m_db, store(record), record, History::Action::Restored);
}

qint64 RecordWriter::store(const Schema::Record& record) {
    flush(); // records stored in the order given
    const bool numbered = !record[0].isEmpty();
    if (!numbered)
        followHighestNumber();
    auto& statement = numbered ? m_insertNumbered : m_insertNew;
    if (!statement)
        statement = std::make_unique<NativeQuery::Statement>(m_db, Schema::insertStatement(numbered));
    statement->bindAll(Schema::insertValues(record, numbered));
    qint64 code = 0;
    try {
        if (statement->step())
            code = statement->integer(0);
    } catch (const AppError&) {
        statement->reset();
        throw;
    }
    statement->reset();
    m_numberedSinceFollowed = m_numberedSinceFollowed || numbered;
    return code;
}

void RecordWriter::insertMany(const Schema::Record& record) {
    if (!m_db.isServer()) {
        store(record);
        ++m_many;
        return;
    }
    m_batch.append(record);
    if (m_batch.size() >= kBatch)
        flush();
}

// A batch the server refuses is stored again one record at a time, so that the records
// before the one refused are kept, as when they are stored one by one.
void RecordWriter::flush() {
    if (m_batch.isEmpty())
        return;
    const QVector<Schema::Record> batch = std::exchange(m_batch, {});
    NativeQuery::exec(m_db, QStringLiteral("SAVEPOINT velmora_lote"));
    const qint64 manyBefore = m_many;
    try {
        sendInRuns(batch);
    } catch (const RecordNotStored&) {
        m_many = manyBefore;
        NativeQuery::exec(m_db, QStringLiteral("ROLLBACK TO SAVEPOINT velmora_lote"));
        storeOneByOne(batch);
    }
    NativeQuery::exec(m_db, QStringLiteral("RELEASE SAVEPOINT velmora_lote"));
}

// Each run of records with numbers of their own, or without, is one COPY.
void RecordWriter::sendInRuns(const QVector<Schema::Record>& batch) {
    for (qsizetype first = 0; first < batch.size();) {
        const bool numbered = !batch[first][0].isEmpty();
        QVector<QVariantList> rows;
        qsizetype end = first;
        for (; end < batch.size() && batch[end][0].isEmpty() != numbered; ++end)
            rows.append(Schema::insertValues(batch[end], numbered));
        if (!numbered)
            followHighestNumber();
        Server::copyRows(m_db.serverHandle(), QStringLiteral("clientes"), Schema::insertColumns(numbered),
                         rows);
        m_numberedSinceFollowed = m_numberedSinceFollowed || numbered;
        m_many += rows.size();
        first = end;
    }
}

void RecordWriter::storeOneByOne(const QVector<Schema::Record>& batch) {
    for (qsizetype i = 0; i < batch.size(); ++i) {
        NativeQuery::exec(m_db, QStringLiteral("SAVEPOINT velmora_registro"));
        try {
            store(batch[i]);
            ++m_many;
        } catch (const RecordNotStored& refused) {
            NativeQuery::exec(m_db, QStringLiteral("ROLLBACK TO SAVEPOINT velmora_registro"));
            NativeQuery::exec(m_db, QStringLiteral("RELEASE SAVEPOINT velmora_lote"));
            throw BatchRefused(refused, i);
        }
        NativeQuery::exec(m_db, QStringLiteral("RELEASE SAVEPOINT velmora_registro"));
    }
}

// A server's numbering goes on from its own last number: after records written with numbers
// of their own, it is moved past them before it gives one, as SQLite's AUTOINCREMENT moves
// by itself.
void RecordWriter::followHighestNumber() {
    if (m_numberedSinceFollowed)
        Schema::numberAfterHighest(m_db);
    m_numberedSinceFollowed = false;
}

RecordWriter::Outcome RecordWriter::update(const Schema::Record& original, const Schema::Record& changed) {
    const qint64 code = original[0].toLongLong();
    const Schema::BoundStatement update = Schema::changedFieldsUpdate(code, original, changed);
    if (update.sql.isEmpty())
        return Outcome::Unchanged;
    NativeQuery::Statement statement(m_db, update.sql);
    statement.bindAll(update.values);
    statement.step();
    if (statement.changes() > 0) {
        History::recordChanged(m_db, code, original, changed);
        return Outcome::Written;
    }
    const bool exists =
        !NativeQuery::integers(
             m_db,
             QStringLiteral("SELECT 1 FROM clientes WHERE %1 = ?").arg(Columns::quoted(Columns::kCodigo)),
             {code})
             .isEmpty();
    return exists ? Outcome::ChangedElsewhere : Outcome::Deleted;
}

bool RecordWriter::remove(qint64 code) {
    QList<int> everyColumn(Columns::count());
    std::iota(everyColumn.begin(), everyColumn.end(), 0);
    const StoredRows last = readRecords(m_db, {&code, 1}, everyColumn);
    if (!last.present(0))
        return false;
    NativeQuery::Statement statement(
        m_db, QStringLiteral("DELETE FROM clientes WHERE %1 = ?").arg(Columns::quoted(Columns::kCodigo)));
    statement.bindInteger(1, code);
    statement.step();
    if (statement.changes() == 0)
        return false;
    History::recordDeleted(m_db, code, last.texts(0));
    return true;
}

void RecordWriter::commit() {
    flush();
    followHighestNumber();
    if (m_many > 0 && !m_historyCopied)
        History::recordManyAdded(m_db, m_many, m_manySource);
    m_insertNew.reset();
    m_insertNumbered.reset();
    m_db.commit();
    m_open = false;
}
