#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The records of an older edition's file as its reader found them: the columns in the
// file's order and one row of values per record, each value a text or nothing (null).
// The texts are kept in one UTF-8 buffer, so a large file stays small in memory.
class SourceTable {
  public:
    QStringList columns;

    int rowCount() const { return static_cast<int>(m_rowStart.size()); }
    int columnCount() const { return static_cast<int>(columns.size()); }
    // Position of a column by name, or -1.
    int columnIndex(const QString& name) const { return static_cast<int>(columns.indexOf(name)); }

    // A row's value at a column position; a null text for a null value or a position the
    // row does not have.
    QString value(int row, int column) const;
    bool isNull(int row, int column) const;

    // Adds a row of `columnCount()` values; a null QString is a null value.
    void addRow(const QStringList& values);

  private:
    QByteArray m_data;
    QVector<qint64> m_rowStart; // first entry of each row in m_ends
    QVector<qint64> m_ends;     // end of each value in m_data, -1 for a null value
};
