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
    if (count == 0)
        return codes;
    const qsizetype pages = pageCount(count);
    // Memory for every number, touched only where pages are read.
    codes.m_paging = Paging{db,
                            keyColumn,
                            descending,
                            count,
                            std::make_unique_for_overwrite<qint64[]>(count),
                            QBitArray(pages),
                            QStringList(pages),
                            QStringList(pages)};
    return codes;
}

qsizetype VisibleCodes::size() const {
    return m_paging ? m_paging->count : m_codes.size();
}

void VisibleCodes::setOnStale(std::function<void()> onStale) {
    m_onStale = std::move(onStale);
}

// A page is one query. It goes on from the number (and key) where a neighbouring page read
// already ends, forwards or backwards, or else is counted from the nearer end of the order.
// A page that does not hold what the count said means the base changed since; the numbers it
// gave are kept and the set is said to be stale.
void VisibleCodes::readPage(qsizetype page) {
    Paging& paging = *m_paging;
    const qsizetype first = page * kPage;
    const qsizetype end = std::min(first + kPage, paging.count);
    const bool afterRead = page > 0 && paging.read.testBit(page - 1);
    const bool beforeRead = !afterRead && page + 1 < paging.read.size() && paging.read.testBit(page + 1);
    // Read backwards: from the page after it, or from the end when that is nearer.
    const bool backwards = beforeRead || (!afterRead && first > paging.count / 2);

    const QString code = Columns::quoted(Columns::kCodigo);
    const bool byCode = paging.keyColumn.isEmpty();
    const bool descending = paging.descending != backwards;
    const QString direction = descending ? QStringLiteral(" DESC") : QString();
    QString sql = QStringLiteral("SELECT %1%2 FROM clientes")
                      .arg(code, byCode ? QString() : QStringLiteral(", ") + paging.keyColumn);
    // SQLite walks the small index of the numbers, not the table's rows.
    if (byCode && !paging.db.isServer())
        sql += QStringLiteral(" INDEXED BY ix_codigo");
    QVariantList values;
    if (afterRead || beforeRead) {
        const QString beyond = descending ? QStringLiteral("<") : QStringLiteral(">");
        const qsizetype neighbour = afterRead ? first - 1 : end;
        if (byCode) {
            sql += QStringLiteral(" WHERE %1 %2 ?").arg(code, beyond);
        } else {
            sql += QStringLiteral(" WHERE (%1, %2) %3 (?, ?)").arg(paging.keyColumn, code, beyond);
            values << (afterRead ? paging.lastKeyOfPage[page - 1] : paging.firstKeyOfPage[page + 1]);
        }
        values << paging.codes[neighbour];
    }
    sql += byCode ? QStringLiteral(" ORDER BY %1%2").arg(code, direction)
                  : QStringLiteral(" ORDER BY %1%3, %2%3").arg(paging.keyColumn, code, direction);
    sql += QStringLiteral(" LIMIT ?");
    values << end - first;
    if (!afterRead && !beforeRead) {
        sql += QStringLiteral(" OFFSET ?");
        values << (backwards ? paging.count - end : first);
    }
    NativeQuery::Statement statement(paging.db, sql);
    statement.bindAll(values);
    qsizetype read = 0;
    for (; read < end - first && statement.step(); ++read) {
        const qsizetype row = backwards ? end - 1 - read : first + read;
        paging.codes[row] = statement.integer(0);
        if (!byCode && row == first)
            paging.firstKeyOfPage[page] = statement.text(1);
        if (!byCode && row == end - 1)
            paging.lastKeyOfPage[page] = statement.text(1);
    }
    paging.read.setBit(page);
    if (read != end - first && m_onStale)
        m_onStale();
}

void VisibleCodes::readPages(qsizetype first, qsizetype end) {
    if (!m_paging)
        return;
    for (qsizetype page = first / kPage; page < pageCount(end); ++page)
        if (!m_paging->read.testBit(page))
            readPage(page);
    if (m_paging->read.count(true) == m_paging->read.size()) {
        m_codes = QVector<qint64>(m_paging->codes.get(), m_paging->codes.get() + m_paging->count);
        m_paging.reset();
    }
}

const qint64* VisibleCodes::data() const {
    return m_paging ? m_paging->codes.get() : m_codes.constData();
}

qint64 VisibleCodes::at(qsizetype row) {
    if (row < 0 || row >= size())
        return 0;
    readPages(row, row + 1);
    return data()[row];
}

std::span<const qint64> VisibleCodes::range(qsizetype first, qsizetype end) {
    readPages(first, end);
    return {data() + first, static_cast<size_t>(end - first)};
}

const QVector<qint64>& VisibleCodes::all() {
    readPages(0, size());
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
    if (paging.keyColumn.isEmpty()) {
        const QString index = paging.db.isServer() ? QString() : QStringLiteral(" INDEXED BY ix_codigo");
        return NativeQuery::integers(
                   paging.db,
                   QStringLiteral("SELECT count(*) FROM clientes%1 WHERE %2 %3 ?").arg(index, number, before),
                   {code})
            .value(0);
    }
    NativeQuery::Statement key(
        paging.db, QStringLiteral("SELECT %1 FROM clientes WHERE %2 = ?").arg(paging.keyColumn, number));
    key.bind(1, code);
    if (!key.step())
        return std::nullopt;
    return NativeQuery::integers(paging.db,
                                 QStringLiteral("SELECT count(*) FROM clientes WHERE (%1, %2) %3 (?, ?)")
                                     .arg(paging.keyColumn, number, before),
                                 {key.text(0), code})
        .value(0);
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
