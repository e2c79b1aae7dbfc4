#include "dates.h"

#include "common/apperror.h"
#include "data/searchkey.h"

namespace Dates {

namespace {

// A group read as a decimal integer: leading blanks and one sign allowed, nothing else.
int valueOf(const QString& group) {
    qsizetype i = 0;
    while (i < group.size() && group.at(i) == u' ')
        ++i;
    if (i < group.size() && (group.at(i) == u'+' || group.at(i) == u'-'))
        ++i;
    const qsizetype firstDigit = i;
    while (i < group.size() && group.at(i) >= u'0' && group.at(i) <= u'9')
        ++i;
    bool ok = firstDigit < i && i == group.size();
    const int value = ok ? group.trimmed().toInt(&ok) : 0;
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(group));
    return value;
}

// Positions count from 1, as the date layout is described.
int valueAt(const QString& text, int position, int length) {
    return valueOf(text.mid(position - 1, length));
}

// A correction keeps the first ten characters with the two at `position` replaced.
void replaceAt(QString& text, int position, const QString& replacement) {
    text = text.left(10);
    text.replace(position - 1, replacement.size(), replacement);
}

} // namespace

QString validadataMA(const QString& data) {
    if (data.size() < 8)
        return {};
    const QString digits = RemoveChar(data);
    // Without four digits there is no day and month to read.
    if (digits.size() < 4)
        return {};
    if (digits.mid(0, 2).toInt() == 0 || digits.mid(2, 2).toInt() == 0)
        return {};
    if (digits.size() == 8 && digits.mid(4, 4).toInt() == 0)
        return {};

    QString date = data;
    if (date.size() == 8) {
        const int year = valueAt(date, 7, 2);
        date = date.left(6) + QString::number(SearchKey::centuryOfTwoDigitYear(year)) + date.mid(6, 2);
    }
    if (valueAt(date, 1, 2) > 31)
        replaceAt(date, 1, QStringLiteral("31"));
    if (valueAt(date, 4, 2) > 12)
        replaceAt(date, 4, QStringLiteral("12"));
    const int month = valueAt(date, 4, 2);
    if (month == 2) {
        if (valueAt(date, 1, 2) > 29)
            replaceAt(date, 1, QStringLiteral("29"));
        if (!Bissexto(valueAt(date, 7, 4)) && valueAt(date, 1, 2) > 28)
            replaceAt(date, 1, QStringLiteral("28"));
    }
    if ((month == 4 || month == 6 || month == 9 || month == 11) && valueAt(date, 1, 2) > 30)
        replaceAt(date, 1, QStringLiteral("30"));
    return date;
}

bool Bissexto(int AYear) {
    return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0;
}

QString RemoveChar(const QString& Texto) {
    QString digits;
    for (QChar ch : Texto) {
        if (ch >= u'0' && ch <= u'9')
            digits.append(ch);
    }
    return digits;
}

} // namespace Dates
