#pragma once

#include <QString>

// Checking and completing the dates typed as dd/mm/yyyy.
namespace Dates {

// The date text completed and corrected: a two-digit year gets its century, a day or
// month too large is cut to the largest allowed; a text too short to be a date, or with
// a zero day, month or eight-digit year, gives the empty text. A group that must be read
// as a number and is not one throws AppError("'1/' is not a valid integer value").
QString validadataMA(const QString& data);

// Leap year of the Gregorian calendar.
bool Bissexto(int AYear);

// The characters 0 to 9 of the text, in their order.
QString RemoveChar(const QString& Texto);

} // namespace Dates
