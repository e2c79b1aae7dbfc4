// A data packet of the free edition, read and mapped as the transfer does: every record
// the reader gives is mapped in the packet's layout.

#include "common/apperror.h"
#include "transfer/packetreader.h"
#include "transfer/recordmapping.h"

#include <QByteArray>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const SourceTable table = PacketReader::parse(bytes, QStringLiteral("fuzz.xml"));
        const auto layout = RecordMapping::layoutOf(RecordMapping::SourceKind::Packet, table.columnCount());
        table.wholeNumbers(table.columnIndex(QStringLiteral("AGE_COD")));
        for (int row = 0; row < table.rowCount(); ++row) {
            try {
                RecordMapping::toRecord(RecordMapping::map(table, row, layout));
            } catch (const AppError&) {
                // A date the check refuses: the transfer stops at that record.
            }
        }
    } catch (const AppError&) {
        // Refused with a message: what a damaged file must give.
    }
    return 0;
}
