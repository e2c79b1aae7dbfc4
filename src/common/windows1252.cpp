#include "windows1252.h"

#include <algorithm>
#include <array>

namespace Windows1252 {

namespace {

// Bytes 0x80 to 0x9F; the five unassigned bytes map to the C1 controls, as Windows itself
// maps them.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

namespace detail {

int highByteOf(char16_t unit) {
    const auto* found = std::find(kHighTable.begin(), kHighTable.end(), unit);
    return found == kHighTable.end() ? -1 : static_cast<int>(0x80 + (found - kHighTable.begin()));
}

} // namespace detail

QString decode(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte <= 0x9F ? QChar(kHighTable[byte - 0x80]) : QChar(byte));
    }
    return text;
}

bool encode(QStringView text, QByteArray& out) {
    out.reserve(out.size() + text.size());
    for (QChar ch : text) {
        const int byte = byteOf(ch.unicode());
        if (byte < 0)
            return false;
        out.append(static_cast<char>(byte));
    }
    return true;
}

} // namespace Windows1252
