#include "visiblecodes.h"

#include "columns.h"
#include "nativequery.h"

namespace {

constexpr qsizetype kPage = 4096;

qsizetype pageCount(qsizetype rows) {
    return (rows + kPage - 1) / kPage;
}

} // namespace

VisibleCodes::VisibleCodes(QVector<qint64> codes) : m_codes(std::move(codes)) {}

VisibleCodes VisibleCodes::paged(const Database& db, const QString& keyColumn, bool descending) {
    VisibleCodes codes;
    const qint64 count =
        NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0);
    codes.m_codes = QVector<qint64>(count, 0);
    if (count > 0)
        codes.m_paging =
            Paging{db, keyColumn, descending, QBitArray(pageCount(count)), QStringList(pageCount(count))};
    return codes;
}

void VisibleCodes::setOnStale(std::function<void()> onStale) {
    m_onStale = std::move(onStale);
}

// A page is one query: from the number (and key) where the page before it ended when that
// one has been read, otherwise counted from the start of the order. A page that does not
// hold what the count said means the base changed since; the numbers it gave are kept and
// the set is said to be stale.
void VisibleCodes::readPage(qsizetype page) {
    Paging& paging = *m_paging;
    const QString code = Columns::quoted(Columns::kCodigo);
    const bool byCode = paging.keyColumn.isEmpty();
    const QString direction = paging.descending ? QStringLiteral(" DESC") : QString();
    const QString after = paging.descending ? QStringLiteral("<") : QStringLiteral(">");
    const bool goesOn = page > 0 && paging.read.testBit(page - 1);
    QString sql = QStringLiteral("SELECT %1%2 FROM clientes")
                      .arg(code, byCode ? QString() : QStringLiteral(", ") + paging.keyColumn);
    // SQLite walks the small index of the numbers, not the table's rows.
    if (byCode && !paging.db.isServer())
        sql += QStringLiteral(" INDEXED BY ix_codigo");
    QVariantList values;
    const qsizetype first = page * kPage;
    if (goesOn && byCode) {
        sql += QStringLiteral(" WHERE %1 %2 ?").arg(code, after);
        values << m_codes[first - 1];
    } else if (goesOn) {
        sql += QStringLiteral(" WHERE (%1, %2) %3 (?, ?)").arg(paging.keyColumn, code, after);
        values << paging.lastKeyOfPage[page - 1] << m_codes[first - 1];
    }
    sql += byCode ? QStringLiteral(" ORDER BY %1%2").arg(code, direction)
                  : QStringLiteral(" ORDER BY %1%3, %2%3").arg(paging.keyColumn, code, direction);
    sql += QStringLiteral(" LIMIT ?");
    values << kPage;
    if (!goesOn) {
        sql += QStringLiteral(" OFFSET ?");
        values << first;
    }
    NativeQuery::Statement statement(paging.db, sql);
    statement.bindAll(values);
    const qsizetype end = std::min(first + kPage, m_codes.size());
    qsizetype row = first;
    while (statement.step() && row < end) {
        m_codes[row++] = statement.integer(0);
        if (!byCode && row == end)
            paging.lastKeyOfPage[page] = statement.text(1);
    }
    paging.read.setBit(page);
    if (row != end && m_onStale)
        m_onStale();
}

void VisibleCodes::readPages(qsizetype first, qsizetype end) {
    if (!m_paging)
        return;
    for (qsizetype page = first / kPage; page < pageCount(end); ++page)
        if (!m_paging->read.testBit(page))
            readPage(page);
    if (m_paging->read.count(true) == m_paging->read.size())
        m_paging.reset();
}

qint64 VisibleCodes::at(qsizetype row) {
    if (row < 0 || row >= m_codes.size())
        return 0;
    readPages(row, row + 1);
    return m_codes[row];
}

std::span<const qint64> VisibleCodes::range(qsizetype first, qsizetype end) {
    readPages(first, end);
    return {m_codes.constData() + first, static_cast<size_t>(end - first)};
}

const QVector<qint64>& VisibleCodes::all() {
    readPages(0, m_codes.size());
    return m_codes;
}

bool VisibleCodes::readNextPage() {
    if (!m_paging)
        return false;
    qsizetype page = 0;
    while (m_paging->read.testBit(page))
        ++page;
    readPages(page * kPage, page * kPage + 1);
    return !complete();
}

// Where a number stands in the order, counted by the base, so that a record kept by a
// refresh is found without reading every page before it.
std::optional<qsizetype> VisibleCodes::rowByCount(qint64 code) {
    const Paging& paging = *m_paging;
    const QString before = paging.descending ? QStringLiteral(">") : QStringLiteral("<");
    const QString number = Columns::quoted(Columns::kCodigo);
    QVector<qint64> counted;
    if (paging.keyColumn.isEmpty()) {
        counted = NativeQuery::integers(
            paging.db, QStringLiteral("SELECT count(*) FROM clientes WHERE %1 %2 ?").arg(number, before),
            {code});
    } else {
        counted = NativeQuery::integers(
            paging.db,
            QStringLiteral(
                "SELECT count(*) FROM clientes AS o, clientes AS c WHERE c.%1 = ? AND (o.%2, o.%1) %3 "
                "(c.%2, c.%1)")
                .arg(number, paging.keyColumn, before),
            {code});
    }
    if (counted.isEmpty())
        return std::nullopt;
    return counted.front();
}

qsizetype VisibleCodes::indexOf(qint64 code) {
    if (m_paging) {
        if (const std::optional<qsizetype> row = rowByCount(code); row && at(*row) == code)
            return *row;
        all();
    }
    return m_codes.indexOf(code);
}

void VisibleCodes::append(qint64 code) {
    all();
    m_codes.append(code);
}

void VisibleCodes::removeAt(qsizetype row) {
    all();
    m_codes.remove(row);
}
