#include "searchkey.h"

#include "common/folders.h"

#include <QStringList>
#include <array>

namespace SearchKey {

namespace {

QString foldSlowly(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString plain;
    plain.reserve(decomposed.size());
    for (QChar ch : decomposed) {
        const auto category = ch.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;
        plain.append(ch);
    }
    return plain.toCaseFolded();
}

// The folded form of every character below U+0100, worked out once by the general rule.
// A text of such characters folds character by character: none of them combines with
// another, so the table gives exactly what the general rule gives, many times faster.
const std::array<QString, 256>& latinFolds() {
    static const std::array<QString, 256> folds = [] {
        std::array<QString, 256> table;
        for (char16_t unit = 0; unit < 256; ++unit)
            table[unit] = foldSlowly(QString(QChar(unit)));
        return table;
    }();
    return folds;
}

} // namespace

QString fold(const QString& text) {
    const auto& folds = latinFolds();
    // Most characters fold to one: written straight into the result.
    QString folded(text.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    qsizetype written = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit >= 256)
            return foldSlowly(text);
        const QString& one = folds[unit];
        if (one.size() != 1) {
            // A character that folds to none or to several: the rest character by character.
            folded.truncate(written);
            for (; i < text.size(); ++i) {
                if (text.at(i).unicode() >= 256)
                    return foldSlowly(text);
                folded += folds[text.at(i).unicode()];
            }
            return folded;
        }
        out[written++] = one.front();
    }
    return folded;
}

int centuryOfTwoDigitYear(int year) {
    return year > 30 ? 19 : 20;
}

namespace {

std::optional<int> readNumber(const QString& part, int maxDigits) {
    const QString digits = part.trimmed();
    if (digits.isEmpty() || digits.size() > maxDigits)
        return std::nullopt;
    for (QChar ch : digits) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
    }
    return digits.toInt();
}

} // namespace

std::optional<QDate> readDate(const QString& text) {
    const QStringList parts = text.split(u'/');
    if (parts.size() != 3)
        return std::nullopt;
    const auto day = readNumber(parts[0], 2);
    const auto month = readNumber(parts[1], 2);
    auto year = readNumber(parts[2], 4);
    if (!day || !month || !year)
        return std::nullopt;
    if (parts[2].trimmed().size() <= 2)
        *year += centuryOfTwoDigitYear(*year) * 100;
    const QDate date(*year, *month, *day);
    if (!date.isValid() || *year < 1)
        return std::nullopt;
    return date;
}

QString dateKey(const QDate& date) {
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QChar(u'0'))
        .arg(date.month(), 2, 10, QChar(u'0'))
        .arg(date.day(), 2, 10, QChar(u'0'));
}

QString dateKey(const QString& text) {
    if (!Folders::checkinteiro(text))
        return QStringLiteral("");
    const auto date = readDate(text);
    return date ? dateKey(*date) : kUnreadableDate;
}

} // namespace SearchKey
