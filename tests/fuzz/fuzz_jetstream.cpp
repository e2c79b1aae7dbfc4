// What the reader of a Windows base sends back, as the program reads it: the reader runs
// libmdb, which we do not own, so its output is as hostile as the file it read. The input
// is fed in pieces of the sizes its first byte chooses.

#include "data/jetstream.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t piece = 1 + data[0] % 64;
    JetStream::Decoder decoder;
    qint64 values = 0;
    decoder.onRecord = [&values](const QStringList& record) { values += record.size(); };
    try {
        for (size_t at = 1; at < size; at += piece)
            decoder.feed(QByteArrayView(reinterpret_cast<const char*>(data) + at,
                                        static_cast<qsizetype>(std::min(piece, size - at))));
    } catch (const JetStream::Decoder::BadStream&) {
        // Refused: the file is damaged.
    }
    return 0;
}
