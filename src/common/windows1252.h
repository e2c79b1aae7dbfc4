#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The Windows code page the older editions and Windows programs write text in.
namespace Windows1252 {

QString decode(const QByteArray& bytes);

// The byte of one UTF-16 unit, or -1 when the code page has none.
inline int byteOf(char16_t unit);

// Appends the bytes of `text`; false (with `out` incomplete) when a character has no byte.
bool encode(QStringView text, QByteArray& out);

namespace detail {
int highByteOf(char16_t unit);
}

inline int byteOf(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    return detail::highByteOf(unit);
}

} // namespace Windows1252
