#include "sourcetable.h"

namespace {

// The start of an entry: the end of the nearest earlier value that is not null.
qint64 startOf(const QVector<qint64>& ends, qint64 entry) {
    for (qint64 i = entry - 1; i >= 0; --i) {
        if (ends[i] >= 0)
            return ends[i];
    }
    return 0;
}

} // namespace

void SourceTable::addRow(const QStringList& values) {
    m_rowStart.append(m_ends.size());
    for (qsizetype column = 0; column < columns.size(); ++column) {
        const QString& text = column < values.size() ? values[column] : QString();
        if (text.isNull()) {
            m_ends.append(-1);
            continue;
        }
        m_data.append(text.toUtf8());
        m_ends.append(m_data.size());
    }
}

bool SourceTable::isNull(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return true;
    return m_ends[m_rowStart[row] + column] < 0;
}

QString SourceTable::value(int row, int column) const {
    if (isNull(row, column))
        return {};
    const qint64 entry = m_rowStart[row] + column;
    const qint64 start = startOf(m_ends, entry);
    return QString::fromUtf8(m_data.constData() + start, m_ends[entry] - start);
}
