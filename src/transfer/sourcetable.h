#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>
#include <vector>

// One record of a source: its values by column position, a null QString for a null value.
using SourceRow = QStringList;

// Where a table's records come from. A reader of a file keeps only an index of where each
// record lies and reads the records from the file when they are asked for, so a file of a
// million records is never held whole.
class SourceRows {
  public:
    virtual ~SourceRows() = default;
    virtual int count() const = 0;
    // Throws AppError when the record can no longer be read (the file changed meanwhile).
    virtual SourceRow read(int row) const = 0;
    // The whole numbers of one column for every row (nullopt where a row holds none); a
    // reader that took them while indexing gives them without reading the rows again.
    virtual std::vector<std::optional<qint64>> wholeNumbers(int column) const;
};

// The records of an older edition's file as its reader found them: the columns in the
// file's order and one row of values per record. Rows added with addRow are held in
// memory, in one UTF-8 buffer; a reader of a file gives its rows through SourceRows.
class SourceTable {
  public:
    SourceTable();
    explicit SourceTable(QStringList columns, std::shared_ptr<const SourceRows> rows);

    QStringList columns;

    int rowCount() const { return m_rows->count(); }
    int columnCount() const { return static_cast<int>(columns.size()); }
    // Position of a column by name, or -1.
    int columnIndex(const QString& name) const { return static_cast<int>(columns.indexOf(name)); }

    // A whole row; values beyond the row's end are null. Throws AppError.
    SourceRow row(int row) const;
    // A row's value at a column position; a null text for a null value or a position the
    // row does not have. The last rows read are kept, so reading a row value by value
    // reads it once.
    QString value(int row, int column) const;
    bool isNull(int row, int column) const;
    std::vector<std::optional<qint64>> wholeNumbers(int column) const;

    // Adds a row of `columnCount()` values held in memory; a null QString is a null value.
    void addRow(const QStringList& values);

  private:
    class MemoryRows;
    const SourceRow& cached(int row) const;

    std::shared_ptr<const SourceRows> m_rows;
    std::shared_ptr<MemoryRows> m_memory; // the same object as m_rows, for a table in memory

    // The rows read last, by row number: a grid's screen and a record being mapped.
    static constexpr int kCachedRows = 128;
    mutable QVector<std::pair<int, SourceRow>> m_cache;
};

// The old record number of a text: a whole number, blanks around it allowed.
std::optional<qint64> wholeNumber(QStringView text);
