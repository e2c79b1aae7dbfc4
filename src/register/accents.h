#pragma once

#include <QString>

// Accents removed while typing, when the office chooses so.
namespace Accents {

// The text with each accented Latin letter of the Portuguese keyboard (À-Ä Ç È-Ë Ì-Ï Ñ
// Ò-Ö Ù-Ü and their small letters) replaced by its plain letter; every other character,
// Å Æ Ø ß ý ÿ and the ordinal signs among them, is kept. The length never changes.
QString AnsiToAscii(const QString& str);

} // namespace Accents
