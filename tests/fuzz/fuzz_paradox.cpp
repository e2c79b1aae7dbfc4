// A Paradox table of edition 6.0 and its memo file, read and mapped as the transfer does.
// The input is the table's length in four bytes, the table, then the memo file.

#include "common/apperror.h"
#include "transfer/paradoxreader.h"
#include "transfer/recordmapping.h"

#include <QBuffer>
#include <cstdint>

namespace {

std::unique_ptr<QIODevice> deviceOver(const QByteArray& bytes) {
    auto device = std::make_unique<QBuffer>();
    device->setData(bytes);
    device->open(QIODevice::ReadOnly);
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const size_t tableSize = std::min<size_t>(size - 4, data[0] | data[1] << 8 | data[2] << 16);
    const QByteArray table(reinterpret_cast<const char*>(data) + 4, static_cast<qsizetype>(tableSize));
    const QByteArray memos(reinterpret_cast<const char*>(data) + 4 + tableSize,
                           static_cast<qsizetype>(size - 4 - tableSize));
    try {
        const SourceTable source = ParadoxReader::read(deviceOver(table), QStringLiteral("fuzz.db"),
                                                       [&memos] { return deviceOver(memos); });
        source.wholeNumbers(source.columnIndex(QStringLiteral("AGE_COD")));
        for (int row = 0; row < source.rowCount(); ++row) {
            try {
                RecordMapping::toRecord(RecordMapping::map(source, row, RecordMapping::Layout::Table));
            } catch (const AppError&) {
                // A record the transfer refuses, or memos that cannot be read.
            }
        }
    } catch (const AppError&) {
        // Refused with a message.
    }
    return 0;
}
