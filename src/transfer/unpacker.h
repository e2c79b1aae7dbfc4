#pragma once

#include <QString>

// Unpacks the free edition's packed base: one zlib stream (not a ZIP archive) whose
// content is a data packet. The copy replaces `spara` only once it is whole.
namespace Unpacker {

// More than this comes out of no real base: a larger content is refused before it fills
// the disk.
inline constexpr qint64 kMaximumSize = qint64(1) << 30;

// DescomprimeClick: inflates `sde` into `spara`, reading and writing at most 1024 bytes at
// a time. Throws AppError with zlib's own message for a damaged stream, and a message of
// its own for a stream cut short or a content larger than `maximumSize`.
void DescomprimeClick(const QString& sde, const QString& spara, qint64 maximumSize = kMaximumSize);

} // namespace Unpacker
