#include "accents.h"

namespace Accents {

namespace {

// The plain letter for the characters U+00C0 to U+00FF, or 0 to keep the character.
constexpr char16_t kPlain[64] = {
    // À Á Â Ã Ä Å Æ Ç
    u'A',
    u'A',
    u'A',
    u'A',
    u'A',
    0,
    0,
    u'C',
    // È É Ê Ë Ì Í Î Ï
    u'E',
    u'E',
    u'E',
    u'E',
    u'I',
    u'I',
    u'I',
    u'I',
    // Ð Ñ Ò Ó Ô Õ Ö ×
    0,
    u'N',
    u'O',
    u'O',
    u'O',
    u'O',
    u'O',
    0,
    // Ø Ù Ú Û Ü Ý Þ ß
    0,
    u'U',
    u'U',
    u'U',
    u'U',
    0,
    0,
    0,
    // à á â ã ä å æ ç
    u'a',
    u'a',
    u'a',
    u'a',
    u'a',
    0,
    0,
    u'c',
    // è é ê ë ì í î ï
    u'e',
    u'e',
    u'e',
    u'e',
    u'i',
    u'i',
    u'i',
    u'i',
    // ð ñ ò ó ô õ ö ÷
    0,
    u'n',
    u'o',
    u'o',
    u'o',
    u'o',
    u'o',
    0,
    // ø ù ú û ü ý þ ÿ
    0,
    u'u',
    u'u',
    u'u',
    u'u',
    0,
    0,
    0,
};

} // namespace

QString AnsiToAscii(const QString& str) {
    QString plain = str;
    for (QChar& ch : plain) {
        const char16_t unit = ch.unicode();
        if (unit >= 0xC0 && unit <= 0xFF && kPlain[unit - 0xC0] != 0)
            ch = QChar(kPlain[unit - 0xC0]);
    }
    return plain;
}

} // namespace Accents
