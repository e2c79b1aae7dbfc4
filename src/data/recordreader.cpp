#include "recordreader.h"

#include "columns.h"
#include "nativequery.h"

#include <QHash>

namespace {

constexpr int kReaderBlock = 1024;

QString selectedColumns(const QList<int>& columns) {
    QStringList names{Columns::quoted(Columns::kCodigo)};
    for (int column : columns)
        names << Columns::quoted(Columns::at(column).name);
    return names.join(QStringLiteral(", "));
}

void addRow(StoredRows& rows, qsizetype row, const NativeQuery::Statement& select) {
    rows.beginRow(row);
    for (qsizetype column = 1; column <= rows.columnCount(); ++column)
        rows.addValue(select.bytesView(static_cast<int>(column)));
}

// Numbers in ascending order that fill most of their range are read by one walk along
// the table instead of one look-up each.
bool readAsRange(std::span<const qint64> codes) {
    return std::is_sorted(codes.begin(), codes.end()) &&
           codes.back() - codes.front() < 2 * static_cast<qint64>(codes.size());
}

void readRange(const Database& db, std::span<const qint64> codes, const QList<int>& columns,
               StoredRows& rows) {
    NativeQuery::Statement select(
        db, QStringLiteral("SELECT %1 FROM clientes WHERE %2 BETWEEN ? AND ? ORDER BY %2")
                .arg(selectedColumns(columns), Columns::quoted(Columns::kCodigo)));
    select.bindInteger(1, codes.front());
    select.bindInteger(2, codes.back());
    size_t wanted = 0;
    while (wanted < codes.size() && select.step()) {
        const qint64 code = select.integer(0);
        while (wanted < codes.size() && codes[wanted] < code)
            ++wanted;
        if (wanted < codes.size() && codes[wanted] == code)
            addRow(rows, static_cast<qsizetype>(wanted++), select);
    }
}

void readEach(const Database& db, std::span<const qint64> codes, const QList<int>& columns,
              StoredRows& rows) {
    NativeQuery::Statement select(
        db, QStringLiteral("SELECT %1 FROM clientes WHERE %2 IN (%3)")
                .arg(selectedColumns(columns), Columns::quoted(Columns::kCodigo),
                     QStringList(static_cast<qsizetype>(codes.size()), QStringLiteral("?")).join(u',')));
    QHash<qint64, qsizetype> positions;
    positions.reserve(static_cast<qsizetype>(codes.size()));
    for (size_t i = 0; i < codes.size(); ++i) {
        select.bindInteger(static_cast<int>(i) + 1, codes[i]);
        positions.insert(codes[i], static_cast<qsizetype>(i));
    }
    while (select.step())
        addRow(rows, positions.value(select.integer(0)), select);
}

} // namespace

StoredRows::StoredRows(qsizetype rows, qsizetype columns) : m_columns(columns), m_rowIndex(rows, -1) {
    m_ends.reserve(rows * columns);
    // Most values are short: room for them at once spares growing the buffer value by value.
    m_data.reserve(rows * columns * 16);
}

void StoredRows::beginRow(qsizetype row) {
    m_rowIndex[row] = m_filledRows++;
}

void StoredRows::addValue(QByteArrayView value) {
    m_data.append(value);
    m_ends.append(m_data.size());
}

QByteArrayView StoredRows::value(qsizetype row, qsizetype column) const {
    const qsizetype index = m_rowIndex[row] * m_columns + column;
    const qsizetype start = index == 0 ? 0 : m_ends[index - 1];
    return QByteArrayView(m_data.constData() + start, m_ends[index] - start);
}

QStringList StoredRows::texts(qsizetype row) const {
    QStringList texts;
    texts.reserve(m_columns);
    for (qsizetype column = 0; column < m_columns; ++column)
        texts << QString::fromUtf8(value(row, column));
    return texts;
}

StoredRows readRecords(const Database& db, std::span<const qint64> codes, const QList<int>& columns) {
    StoredRows rows(static_cast<qsizetype>(codes.size()), columns.size());
    if (codes.empty())
        return rows;
    if (readAsRange(codes))
        readRange(db, codes, columns, rows);
    else
        readEach(db, codes, columns, rows);
    return rows;
}

RecordReader::RecordReader(Database db, QVector<qint64> codes, QList<int> columns)
    : m_db(std::move(db)), m_codes(std::move(codes)), m_columns(std::move(columns)) {}

RecordReader RecordReader::spread(int most) const {
    if (count() <= most)
        return RecordReader(m_db, m_codes, m_columns);
    QVector<qint64> picked;
    picked.reserve(most);
    for (int i = 0; i < most; ++i)
        picked.append(m_codes[static_cast<qsizetype>(i) * count() / most]);
    return RecordReader(m_db, std::move(picked), m_columns);
}

void RecordReader::readBlock() {
    const int size = std::min(kReaderBlock, count() - m_next);
    m_block = readRecords(m_db, {m_codes.constData() + m_next, static_cast<size_t>(size)}, m_columns);
    m_blockPosition = 0;
    m_next += size;
}

bool RecordReader::next(StoredRow& row) {
    while (true) {
        if (m_blockPosition >= m_block.rowCount()) {
            if (m_next >= count())
                return false;
            readBlock();
        }
        const qsizetype position = m_blockPosition++;
        if (m_block.present(position)) {
            row = {&m_block, position};
            return true;
        }
    }
}

bool RecordReader::next(QStringList& values) {
    StoredRow row;
    if (!next(row))
        return false;
    values = m_block.texts(row.row);
    return true;
}
