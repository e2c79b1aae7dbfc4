#include "recordwriter.h"

#include "columns.h"
#include "common/apperror.h"
#include "nativequery.h"
#include "server.h"

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
    const bool numbered = !record[0].isEmpty();
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
    m_numbered = m_numbered || numbered;
    return code;
}

void RecordWriter::insertMany(const Schema::Record& record) {
    if (!m_db.isServer()) {
        insert(record);
        return;
    }
    const bool numbered = !record[0].isEmpty();
    (numbered ? m_batchNumbered : m_batchNew).append(Schema::insertValues(record, numbered));
    m_numbered = m_numbered || numbered;
    if (m_batchNew.size() + m_batchNumbered.size() >= kBatch)
        flush();
}

void RecordWriter::flush() {
    for (const bool numbered : {false, true}) {
        QVector<QVariantList>& batch = numbered ? m_batchNumbered : m_batchNew;
        if (batch.isEmpty())
            continue;
        const QVector<QVariantList> rows = std::exchange(batch, {});
        Server::copyRows(m_db.serverHandle(), QStringLiteral("clientes"), Schema::insertColumns(numbered),
                         rows);
    }
}

RecordWriter::Outcome RecordWriter::update(const Schema::Record& original, const Schema::Record& changed) {
    const qint64 code = original[0].toLongLong();
    const Schema::BoundStatement update = Schema::changedFieldsUpdate(code, original, changed);
    if (update.sql.isEmpty())
        return Outcome::Unchanged;
    NativeQuery::Statement statement(m_db, update.sql);
    statement.bindAll(update.values);
    statement.step();
    if (statement.changes() > 0)
        return Outcome::Written;
    const bool exists =
        !NativeQuery::integers(
             m_db,
             QStringLiteral("SELECT 1 FROM clientes WHERE %1 = ?").arg(Columns::quoted(Columns::kCodigo)),
             {code})
             .isEmpty();
    return exists ? Outcome::ChangedElsewhere : Outcome::Deleted;
}

bool RecordWriter::remove(qint64 code) {
    NativeQuery::Statement statement(
        m_db, QStringLiteral("DELETE FROM clientes WHERE %1 = ?").arg(Columns::quoted(Columns::kCodigo)));
    statement.bindInteger(1, code);
    statement.step();
    return statement.changes() > 0;
}

void RecordWriter::commit() {
    flush();
    if (m_numbered)
        Schema::numberAfterHighest(m_db);
    m_insertNew.reset();
    m_insertNumbered.reset();
    m_db.commit();
    m_open = false;
}
