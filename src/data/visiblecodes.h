#pragma once

#include "database.h"

#include <QBitArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <span>

// The record numbers of the visible set, in its order. A filtered set is read whole. Every
// record of the table in the order of one key is read by pages instead: its count first,
// then only the pages asked for (a page is one query, from where the page before it ended,
// or counted from the start), so the first screen, the last record or the record kept by a
// refresh shows without reading a million numbers first; the rest is read a page at a time
// when the program has nothing else to do.
class VisibleCodes {
  public:
    VisibleCodes() = default;
    explicit VisibleCodes(QVector<qint64> codes);

    // Every record of the table by `keyColumn` (an SQL name; empty for the records' own
    // number), ties by number, ascending or descending.
    static VisibleCodes paged(const Database& db, const QString& keyColumn, bool descending);

    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    // Whether every page has been read.
    bool complete() const { return !m_paging.has_value(); }

    // Reading reads the pages needed; throws AppError when the base cannot be read.
    qint64 at(qsizetype row);
    std::span<const qint64> range(qsizetype first, qsizetype end);
    const QVector<qint64>& all();
    // The row of a number, or -1.
    qsizetype indexOf(qint64 code);

    void append(qint64 code);
    void removeAt(qsizetype row);

    // Reads the first page not read yet; false once every page is read.
    bool readNextPage();
    // Called when a page does not hold what the count said: the base changed since it was
    // counted (another station added or deleted records), and the set is to be read again.
    void setOnStale(std::function<void()> onStale);

  private:
    struct Paging {
        Database db;
        QString keyColumn; // empty: by number
        bool descending = false;
        qsizetype count = 0;
        std::unique_ptr<qint64[]> codes; // only the pages read hold numbers
        QBitArray read;                  // by page
        QStringList firstKeyOfPage;      // by page, for the page before it
        QStringList lastKeyOfPage;       // by page, for the page after it
    };
    void readPage(qsizetype page);
    void readPages(qsizetype first, qsizetype end);
    const qint64* data() const;
    std::optional<qsizetype> rowByCount(qint64 code);

    QVector<qint64> m_codes; // every number, once every page is read
    std::optional<Paging> m_paging;
    std::function<void()> m_onStale;
};
