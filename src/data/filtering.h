#pragma once

#include <QDate>
#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

// The table's filter expression, kept in its text form (AGE_NOME LIKE 'Jo%') and read
// into a column and a prefix. "%" at the end is the wildcard; any other "%" or "_" is
// an ordinary character. Matching ignores letter case and accents.
struct FilterExpression {
    QString column;
    QString text;       // what the column's text starts with (or equals)
    bool prefix = true; // false when the pattern has no final "%"

    // An empty text gives no expression; a text that cannot be read throws AppError.
    static std::optional<FilterExpression> parse(const QString& expression);
};

// What the table's record predicate decides for the records while filtering is on.
struct RecordRule {
    enum class Kind { AcceptAll, RejectAll, DateRange, DateEquals };
    Kind kind = Kind::AcceptAll;
    QString column; // a date column for the two date kinds
    QDate first;    // the date for DateEquals
    QDate last;

    static RecordRule acceptAll() { return {}; }
    static RecordRule rejectAll() { return {Kind::RejectAll, {}, {}, {}}; }
    static RecordRule range(const QString& column, QDate first, QDate last) {
        return {Kind::DateRange, column, first, last};
    }
    static RecordRule equals(const QString& column, QDate date) {
        return {Kind::DateEquals, column, date, date};
    }
};

// The table's order setting: "COL ASC", "COL DESC" or "A;B;C". Dates order by date,
// other columns by their folded text; an empty value comes first.
struct SortOrder {
    struct Key {
        QString column;
        bool descending = false;
    };
    std::vector<Key> keys;

    // Throws AppError for a column the table does not have.
    static SortOrder parse(const QString& order);
};

// SQL for the visible set, built from catalogue names only; user text is bound.
struct VisibleSetQuery {
    QString sql;
    QVariantList values;
    // In record-number order the query leaves the ordering to the caller: SQLite can then
    // read the numbers from the smallest index instead of walking the whole table.
    enum class CodeOrder { AsQueried, Ascending, Descending };
    CodeOrder codeOrder = CodeOrder::AsQueried;

    static VisibleSetQuery codes(const std::optional<FilterExpression>& expression, const RecordRule& rule,
                                 const SortOrder& order);

    // Every record of the table in the order of one key, ties by number: such a set is read
    // a page at a time. `keyColumn` is the key's SQL name, empty for the number itself.
    struct WholeTable {
        QString keyColumn;
        bool descending = false;
    };
    static std::optional<WholeTable> wholeTable(const std::optional<FilterExpression>& expression,
                                                const RecordRule& rule, const SortOrder& order);
    // How many records the expression lets through whose rule column holds a date that
    // cannot be read; they are left out by the date rules.
    static std::optional<VisibleSetQuery> unreadableDates(const std::optional<FilterExpression>& expression,
                                                          const RecordRule& rule);
};
