#include "recordwriter.h"

#include "columns.h"
#include "common/apperror.h"
#include "nativequery.h"

RecordWriter::RecordWriter(QSqlDatabase db) : m_db(std::move(db)) {
    NativeQuery::exec(m_db, QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
}

RecordWriter::~RecordWriter() {
    if (!m_open)
        return;
    m_insertNew.reset();
    m_insertNumbered.reset();
    try {
        NativeQuery::exec(m_db, QStringLiteral("ROLLBACK"));
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
    try {
        statement->step();
    } catch (const AppError&) {
        statement->reset();
        throw;
    }
    statement->reset();
    return numbered ? record[0].toLongLong() : statement->lastInsertId();
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
    m_insertNew.reset();
    m_insertNumbered.reset();
    NativeQuery::exec(m_db, QStringLiteral("COMMIT"));
    m_open = false;
}
