#include "filtering.h"

#include "columns.h"
#include "common/apperror.h"
#include "legalnumbers.h"
#include "searchkey.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

bool isDateColumn(const QString& name) {
    const int index = Columns::indexOf(name);
    return index >= 0 && Columns::at(index).kind == Columns::Kind::Date;
}

// Every text that starts with `prefix` sorts between `prefix` and this bound.
QString prefixUpperBound(const QString& prefix) {
    return prefix + QString::fromUcs4(U"\U0010FFFF");
}

struct Conditions {
    QStringList sql;
    QVariantList values;

    void add(const QString& condition, const QVariantList& bound = {}) {
        sql << condition;
        values += bound;
    }
    QString where() const {
        return sql.isEmpty() ? QString() : QStringLiteral(" WHERE ") + sql.join(QStringLiteral(" AND "));
    }
};

void addExpression(Conditions& conditions, const std::optional<FilterExpression>& expression) {
    if (!expression)
        return;
    // A number typed into a search of case numbers or CPFs is found by its digits, however it
    // is punctuated here or in the record.
    const bool byDigits =
        Columns::hasDigitsKey(expression->column) && LegalNumbers::isNumberText(expression->text);
    const QString key = Columns::quoted(byDigits ? Columns::digitsKeyName(expression->column)
                                                 : Columns::searchKeyName(expression->column));
    const QString folded =
        byDigits ? LegalNumbers::digitsOf(expression->text) : SearchKey::fold(expression->text);
    if (!expression->prefix)
        conditions.add(key + QStringLiteral(" = ?"), {folded});
    else if (!folded.isEmpty())
        conditions.add(key + QStringLiteral(" >= ? AND ") + key + QStringLiteral(" < ?"),
                       {folded, prefixUpperBound(folded)});
}

void addRule(Conditions& conditions, const RecordRule& rule) {
    const QString key = Columns::quoted(Columns::dateKeyName(rule.column));
    switch (rule.kind) {
    case RecordRule::Kind::AcceptAll:
        break;
    case RecordRule::Kind::RejectAll:
        conditions.add(QStringLiteral("1 = 0"));
        break;
    case RecordRule::Kind::DateRange:
        conditions.add(key + QStringLiteral(" BETWEEN ? AND ?"),
                       {SearchKey::dateKey(rule.first), SearchKey::dateKey(rule.last)});
        break;
    case RecordRule::Kind::DateEquals:
        conditions.add(key + QStringLiteral(" = ?"), {SearchKey::dateKey(rule.first)});
        break;
    }
}

QString orderBy(const SortOrder& order) {
    QStringList terms;
    for (const auto& key : order.keys) {
        QString column;
        if (key.column == Columns::kCodigo)
            column = Columns::quoted(Columns::kCodigo);
        else if (isDateColumn(key.column))
            column = Columns::quoted(Columns::dateKeyName(key.column));
        else
            column = Columns::quoted(Columns::searchKeyName(key.column));
        terms << column + (key.descending ? QStringLiteral(" DESC") : QString());
    }
    // Records with equal values keep the order they were entered in.
    const bool descending = order.keys.size() == 1 && order.keys.front().descending;
    if (order.keys.empty() || order.keys.back().column != Columns::kCodigo)
        terms << Columns::quoted(Columns::kCodigo) + (descending ? QStringLiteral(" DESC") : QString());
    return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
}

} // namespace

std::optional<FilterExpression> FilterExpression::parse(const QString& expression) {
    if (expression.trimmed().isEmpty())
        return std::nullopt;
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s+LIKE\s+'((?:[^']|'')*)'\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(expression);
    const int column = match.hasMatch() ? Columns::indexOf(match.captured(1)) : -1;
    if (column < 0 || !Columns::hasSearchKey(Columns::at(column)))
        throw AppError(QStringLiteral("Expressão de filtro inválida: %1").arg(expression));
    FilterExpression parsed;
    parsed.column = Columns::at(column).name;
    parsed.text = match.captured(2).replace(QStringLiteral("''"), QStringLiteral("'"));
    parsed.prefix = parsed.text.endsWith(u'%');
    if (parsed.prefix)
        parsed.text.chop(1);
    return parsed;
}

SortOrder SortOrder::parse(const QString& order) {
    SortOrder parsed;
    for (const QString& part : order.split(u';', Qt::SkipEmptyParts)) {
        QStringList words = part.simplified().split(u' ');
        Key key;
        if (words.size() == 2 && words[1].compare(QStringLiteral("DESC"), Qt::CaseInsensitive) == 0)
            key.descending = true;
        else if (words.size() == 2 && words[1].compare(QStringLiteral("ASC"), Qt::CaseInsensitive) != 0)
            words.clear();
        const int column = words.size() == 1 || words.size() == 2 ? Columns::indexOf(words[0]) : -1;
        if (column < 0 || (column > 0 && !Columns::hasSearchKey(Columns::at(column))))
            throw AppError(QStringLiteral("Não é possível ordenar por '%1'.").arg(part.trimmed()));
        key.column = Columns::at(column).name;
        parsed.keys.push_back(key);
    }
    return parsed;
}

VisibleSetQuery VisibleSetQuery::codes(const std::optional<FilterExpression>& expression,
                                       const RecordRule& rule, const SortOrder& order) {
    Conditions conditions;
    addExpression(conditions, expression);
    addRule(conditions, rule);
    VisibleSetQuery query{QStringLiteral("SELECT %1 FROM clientes").arg(Columns::quoted(Columns::kCodigo)) +
                              conditions.where(),
                          conditions.values};
    const bool byCodeOnly =
        order.keys.empty() || (order.keys.size() == 1 && order.keys[0].column == Columns::kCodigo);
    if (byCodeOnly) {
        const bool descending = !order.keys.empty() && order.keys[0].descending;
        query.codeOrder = descending ? CodeOrder::Descending : CodeOrder::Ascending;
    } else {
        query.sql += orderBy(order);
    }
    return query;
}

std::optional<VisibleSetQuery::WholeTable>
VisibleSetQuery::wholeTable(const std::optional<FilterExpression>& expression, const RecordRule& rule,
                            const SortOrder& order) {
    if (expression || rule.kind != RecordRule::Kind::AcceptAll || order.keys.size() > 1)
        return std::nullopt;
    if (order.keys.empty())
        return WholeTable{};
    const SortOrder::Key& key = order.keys.front();
    if (key.column == Columns::kCodigo)
        return WholeTable{QString(), key.descending};
    return WholeTable{Columns::quoted(isDateColumn(key.column) ? Columns::dateKeyName(key.column)
                                                               : Columns::searchKeyName(key.column)),
                      key.descending};
}

std::optional<VisibleSetQuery>
VisibleSetQuery::unreadableDates(const std::optional<FilterExpression>& expression, const RecordRule& rule) {
    if (rule.kind != RecordRule::Kind::DateRange && rule.kind != RecordRule::Kind::DateEquals)
        return std::nullopt;
    Conditions conditions;
    addExpression(conditions, expression);
    conditions.add(Columns::quoted(Columns::dateKeyName(rule.column)) + QStringLiteral(" = ?"),
                   {SearchKey::kUnreadableDate});
    return VisibleSetQuery{QStringLiteral("SELECT count(*) FROM clientes") + conditions.where(),
                           conditions.values};
}
