#pragma once

#include <QDate>
#include <QString>
#include <optional>

// The keys the database keeps beside the record texts so that searching and ordering
// stay fast and follow Portuguese expectations.
namespace SearchKey {

// Letter case and accents removed: "São José" and "SAO JOSE" give the same key.
QString fold(const QString& text);

// The century given to a two-digit year: 19 above 30, otherwise 20.
int centuryOfTwoDigitYear(int year);

// A date text read as day/month/year with "/" between the numbers, as the program writes
// dates. Day and month take one or two digits; a year of one or two digits gets its
// century, one of three or four digits is taken as written. Blanks around the text and
// around each number are allowed; nothing else is.
std::optional<QDate> readDate(const QString& text);

// Chronological key of a date text: "yyyy-mm-dd"; "" for an empty text or one without a
// digit; kUnreadableDate for a text with digits that is not a date.
QString dateKey(const QString& text);
inline const QString kUnreadableDate = QStringLiteral("!");
QString dateKey(const QDate& date);

} // namespace SearchKey
