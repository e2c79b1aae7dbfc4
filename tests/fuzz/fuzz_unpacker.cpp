// A packed base of the free edition, unpacked as the transfer does, into memory, with a
// small cap on what may come out.

#include "common/apperror.h"
#include "transfer/unpacker.h"

#include <QBuffer>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer packed(&bytes);
    packed.open(QIODevice::ReadOnly);
    QBuffer copy;
    copy.open(QIODevice::WriteOnly);
    try {
        Unpacker::inflate(packed, copy, QStringLiteral("fuzz.zip"), 8 * 1024 * 1024);
    } catch (const AppError&) {
        // Refused with a message.
    }
    return 0;
}
