#pragma once

#include <QIODevice>
#include <QString>

// Unpacks the free edition's packed base: one zlib stream (not a ZIP archive) whose
// content is a data packet.
namespace Unpacker {

// More than this comes out of no real base: a larger content is refused before it fills
// the disk.
inline constexpr qint64 kMaximumSize = qint64(1) << 30;

enum class Outcome {
    Whole,   // the stream ended with its checksum
    CutShort // the file ended first; what it held was unpacked
};

// Inflates `packed` into `copy`, reading and writing at most 1024 bytes at a time. A file
// that ends before its stream does is unpacked as far as it goes: the packet reader then
// tells whether the packet in it is whole. Throws AppError with zlib's own message for a
// damaged stream, and a message of its own for a content larger than `maximumSize`.
// `name` is the packed file's name, for the messages.
Outcome inflate(QIODevice& packed, QIODevice& copy, const QString& name, qint64 maximumSize = kMaximumSize);

// DescomprimeClick: the same from the file `sde` into a new file `spara`, which exists
// only once the unpacking has succeeded (a file already there is replaced then).
Outcome DescomprimeClick(const QString& sde, const QString& spara, qint64 maximumSize = kMaximumSize);

} // namespace Unpacker
