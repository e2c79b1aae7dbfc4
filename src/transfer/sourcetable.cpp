#include "sourcetable.h"

std::vector<std::optional<qint64>> SourceRows::wholeNumbers(int column) const {
    std::vector<std::optional<qint64>> numbers;
    numbers.reserve(static_cast<size_t>(count()));
    for (int row = 0; row < count(); ++row)
        numbers.push_back(wholeNumber(read(row).value(column)));
    return numbers;
}

// Rows held in memory: every value in one UTF-8 buffer.
class SourceTable::MemoryRows : public SourceRows {
  public:
    int count() const override { return static_cast<int>(m_rowStart.size()); }

    SourceRow read(int row) const override {
        const qint64 first = m_rowStart[row];
        const qint64 end = row + 1 < count() ? m_rowStart[row + 1] : m_ends.size();
        SourceRow values;
        values.reserve(end - first);
        qint64 start = startOf(first);
        for (qint64 entry = first; entry < end; ++entry) {
            if (m_ends[entry] < 0) {
                values << QString();
                continue;
            }
            values << QString::fromUtf8(m_data.constData() + start, m_ends[entry] - start);
            start = m_ends[entry];
        }
        return values;
    }

    void add(const QStringList& values, qsizetype columns) {
        m_rowStart.append(m_ends.size());
        for (qsizetype column = 0; column < columns; ++column) {
            const QString& text = column < values.size() ? values[column] : QString();
            if (text.isNull()) {
                m_ends.append(-1);
                continue;
            }
            m_data.append(text.toUtf8());
            m_ends.append(m_data.size());
        }
    }

  private:
    // The start of an entry: the end of the nearest earlier value that is not null.
    qint64 startOf(qint64 entry) const {
        for (qint64 i = entry - 1; i >= 0; --i) {
            if (m_ends[i] >= 0)
                return m_ends[i];
        }
        return 0;
    }

    QByteArray m_data;
    QVector<qint64> m_rowStart; // first entry of each row in m_ends
    QVector<qint64> m_ends;     // end of each value in m_data, -1 for a null value
};

SourceTable::SourceTable() : m_memory(std::make_shared<MemoryRows>()) {
    m_rows = m_memory;
}

SourceTable::SourceTable(QStringList columnNames, std::shared_ptr<const SourceRows> rows)
    : columns(std::move(columnNames)), m_rows(std::move(rows)) {}

void SourceTable::addRow(const QStringList& values) {
    if (!m_memory)
        return;
    // A copy of the table shares its rows until one of them adds one.
    if (m_memory.use_count() > 2)
        m_memory = std::make_shared<MemoryRows>(*m_memory);
    m_rows = m_memory;
    m_memory->add(values, columns.size());
    m_cache.clear();
}

const SourceRow& SourceTable::cached(int row) const {
    if (m_cache.isEmpty())
        m_cache.resize(kCachedRows, {-1, {}});
    auto& slot = m_cache[row % kCachedRows];
    if (slot.first != row) {
        slot.second = m_rows->read(row);
        slot.first = row;
    }
    return slot.second;
}

SourceRow SourceTable::row(int row) const {
    if (row < 0 || row >= rowCount())
        return SourceRow(columns.size());
    SourceRow values = cached(row);
    values.resize(columns.size());
    return values;
}

QString SourceTable::value(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return cached(row).value(column);
}

bool SourceTable::isNull(int row, int column) const {
    return value(row, column).isNull();
}

std::vector<std::optional<qint64>> SourceTable::wholeNumbers(int column) const {
    return m_rows->wholeNumbers(column);
}

std::optional<qint64> wholeNumber(QStringView text) {
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}
