#include "recordreader.h"

#include "columns.h"
#include "nativequery.h"

namespace {

constexpr int kReaderBlock = 256;

QString selectByCodes(const QList<int>& columns, qsizetype count) {
    QStringList names{Columns::quoted(Columns::kCodigo)};
    for (int column : columns)
        names << Columns::quoted(Columns::at(column).name);
    return QStringLiteral("SELECT %1 FROM clientes WHERE %2 IN (%3)")
        .arg(names.join(QStringLiteral(", ")), Columns::quoted(Columns::kCodigo),
             QStringList(count, QStringLiteral("?")).join(u','));
}

} // namespace

QHash<qint64, QStringList> readRecords(const QSqlDatabase& db, std::span<const qint64> codes,
                                       const QList<int>& columns) {
    QHash<qint64, QStringList> records;
    if (codes.empty())
        return records;
    NativeQuery::Statement select(db, selectByCodes(columns, static_cast<qsizetype>(codes.size())));
    for (size_t i = 0; i < codes.size(); ++i)
        select.bindInteger(static_cast<int>(i) + 1, codes[i]);
    records.reserve(static_cast<qsizetype>(codes.size()));
    while (select.step()) {
        QStringList values;
        values.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            values << select.text(i + 1);
        records.insert(select.integer(0), values);
    }
    return records;
}

RecordReader::RecordReader(QSqlDatabase db, QVector<qint64> codes, QList<int> columns)
    : m_db(std::move(db)), m_codes(std::move(codes)), m_columns(std::move(columns)) {}

RecordReader::~RecordReader() = default;
RecordReader::RecordReader(RecordReader&&) noexcept = default;

void RecordReader::readBlock() {
    const int size = std::min(kReaderBlock, count() - m_next);
    const std::span<const qint64> codes(m_codes.constData() + m_next, static_cast<size_t>(size));
    const QHash<qint64, QStringList> records = readRecords(m_db, codes, m_columns);
    m_block.clear();
    for (qint64 code : codes) {
        const auto found = records.constFind(code);
        m_block.append(found == records.cend() ? std::nullopt : std::optional<QStringList>(*found));
    }
    m_blockPosition = 0;
    m_next += size;
}

bool RecordReader::next(QStringList& values) {
    while (true) {
        if (m_blockPosition >= m_block.size()) {
            if (m_next >= count())
                return false;
            readBlock();
        }
        std::optional<QStringList>& record = m_block[m_blockPosition++];
        if (record) {
            values = std::move(*record);
            return true;
        }
    }
}
