#pragma once

#include "database.h"
#include <QByteArray>

#include <QList>
#include <QStringList>
#include <QVector>
#include <span>

// Records read in one go, their texts as the base stores them (UTF-8) kept in one buffer,
// rows in the order they were asked for. A record no longer in the base is absent.
class StoredRows {
  public:
    StoredRows() = default;
    StoredRows(qsizetype rows, qsizetype columns);

    qsizetype rowCount() const { return m_rowIndex.size(); }
    qsizetype columnCount() const { return m_columns; }
    bool present(qsizetype row) const { return m_rowIndex[row] >= 0; }
    QByteArrayView value(qsizetype row, qsizetype column) const;
    QStringList texts(qsizetype row) const;

    // Filling: a row begins, then its values follow in column order.
    void beginRow(qsizetype row);
    void addValue(QByteArrayView value);

  private:
    qsizetype m_columns = 0;
    QByteArray m_data;
    QVector<qsizetype> m_ends;     // end of every value in m_data, in the order they came
    QVector<qsizetype> m_rowIndex; // for each row asked for, its place in that order, or -1
    qsizetype m_filledRows = 0;
};

// Reads the records with the given numbers, the chosen columns only (by position, in
// that order). Throws AppError when the base cannot be read.
StoredRows readRecords(const Database& db, std::span<const qint64> codes, const QList<int>& columns);

// One record of a reader, valid until the reader moves on.
struct StoredRow {
    const StoredRows* rows = nullptr;
    qsizetype row = 0;
    qsizetype size() const { return rows ? rows->columnCount() : 0; }
    QByteArrayView value(qsizetype column) const { return rows->value(row, column); }
};

// Walks a snapshot of the visible set in its order, reading a block of records at a time
// straight from the base. Listings and checks use it; it never touches the grids' cache.
class RecordReader {
  public:
    RecordReader(Database db, QVector<qint64> codes, QList<int> columns);

    int count() const { return static_cast<int>(m_codes.size()); }
    // A reader from the start over at most `most` of the same records, spread evenly
    // over them.
    RecordReader spread(int most) const;
    // The next record in the order of the columns; false after the last. A record deleted
    // since the snapshot was taken is skipped. Throws AppError.
    bool next(StoredRow& row);
    bool next(QStringList& values);

  private:
    void readBlock();

    Database m_db;
    QVector<qint64> m_codes;
    QList<int> m_columns;
    int m_next = 0;
    StoredRows m_block;
    qsizetype m_blockPosition = 0;
};
