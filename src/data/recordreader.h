#pragma once

#include "schema.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QVector>
#include <optional>
#include <span>

// Reads the texts of the records with the given numbers, the chosen columns only (by
// position, in that order), keyed by Código. A number no record carries any more is
// missing from the result. Throws AppError when the base cannot be read.
QHash<qint64, QStringList> readRecords(const QSqlDatabase& db, std::span<const qint64> codes,
                                       const QList<int>& columns);

// Walks a snapshot of the visible set in its order, reading a block of records at a time
// straight from the base. Listings and checks use it; it never touches the grids' cache.
class RecordReader {
  public:
    RecordReader(QSqlDatabase db, QVector<qint64> codes, QList<int> columns);
    ~RecordReader();
    RecordReader(RecordReader&&) noexcept;

    int count() const { return static_cast<int>(m_codes.size()); }
    // The next record's texts in the order of the columns; false after the last. A record
    // deleted since the snapshot was taken is skipped. Throws AppError.
    bool next(QStringList& values);

  private:
    void readBlock();

    QSqlDatabase m_db;
    QVector<qint64> m_codes;
    QList<int> m_columns;
    int m_next = 0;
    QVector<std::optional<QStringList>> m_block; // in snapshot order; nothing for a missing record
    int m_blockPosition = 0;
};
