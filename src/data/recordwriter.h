#pragma once

#include "database.h"
#include "schema.h"

#include <QVector>
#include <memory>

namespace NativeQuery {
class Statement;
}

// Writes records, with the search and date keys every write keeps, and their history,
// inside one short transaction: begun when the writer is made (waiting for another
// machine's lock up to the connection's timeout), kept by commit(), rolled back when the
// writer goes without it.
class RecordWriter {
  public:
    explicit RecordWriter(Database db);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Stores a new record and gives its Código. A record that carries a Código keeps it
    // (the transfer keeps old numbers); otherwise the base gives the next one.
    qint64 insert(const Schema::Record& record);
    // A deleted record stored again with its number, written in the history as restored.
    void restore(const Schema::Record& record);
    // The same for one of many records stored at once, whose numbers no one waits for: a
    // server gets them in large batches (COPY), in the order given. A failure may show only
    // at a later call or at flush() or commit(): a record of the batch the base refused
    // throws BatchRefused, the records before it stored. The history holds them as one
    // event, with what they came from.
    void insertMany(const Schema::Record& record);
    void setManySource(const QString& source) { m_manySource = source; }
    // Records copied from another base with that base's own history (a backup): they are
    // not an event of this base's history.
    void copyingAHistory() { m_historyCopied = true; }
    // Sends the records insertMany holds.
    void flush();
    // Records insertMany holds that are not sent yet.
    qsizetype pending() const { return m_batch.size(); }

    class BatchRefused : public RecordNotStored {
      public:
        BatchRefused(const AppError& error, qsizetype stored)
            : RecordNotStored(error.message()), stored(stored) {}
        qsizetype stored; // records of the batch stored before the one refused
    };

    enum class Outcome { Written, Unchanged, Deleted, ChangedElsewhere };
    // Writes the fields whose text differs between `original` (the record as read when
    // editing began) and `changed`, provided no other machine changed those fields since.
    Outcome update(const Schema::Record& original, const Schema::Record& changed);

    // Deletes a record, its last fields kept in the history; false when it was already gone.
    bool remove(qint64 code);

    void commit();

  private:
    qint64 store(const Schema::Record& record);
    void sendInRuns(const QVector<Schema::Record>& batch);
    void storeOneByOne(const QVector<Schema::Record>& batch);
    void followHighestNumber();

    Database m_db;
    std::unique_ptr<NativeQuery::Statement> m_insertNew;
    std::unique_ptr<NativeQuery::Statement> m_insertNumbered;
    QVector<Schema::Record> m_batch;
    // Records written with numbers of their own since the server's numbering last went
    // past them.
    bool m_numberedSinceFollowed = false;
    qint64 m_many = 0; // records stored by insertMany
    QString m_manySource;
    bool m_historyCopied = false;
    bool m_open = false;
};
