#pragma once

#include "data/schema.h"
#include "sourcetable.h"

#include <optional>

// How a record of an older edition becomes a record of table clientes: which source
// position fills which column, and how dates and times are brought over.
namespace RecordMapping {

enum class SourceKind { Packet, Table };
enum class Layout { ShortPacket, LongPacket, Table };

// A packet of up to 30 columns has the short layout, a longer one the long layout; a
// table always the table layout.
Layout layoutOf(SourceKind kind, int columnCount);

// The value of each column of clientes for one source row; a column left untouched
// (a time the source does not have, a column the layout does not fill) holds nothing.
// The date check's conversion error is thrown as AppError, with the columns mapped before
// it in `mapped`, as the old transfer left them in the record it had appended.
using Mapped = QVector<std::optional<QString>>;
Mapped map(const SourceTable& source, int row, Layout layout, Mapped* mapped = nullptr);

// The record a mapping gives, nothing mapped left empty.
Schema::Record toRecord(const Mapped& mapped);

// The characters 0 to 9 and ":" of a time, in their order.
QString RemoveChar2(const QString& text);

// The old record number at position 0, as a whole number. Throws AppError with the
// conversion error ("'x' is not a valid integer value") when it is not one.
qint64 oldNumber(const SourceTable& source, int row);

} // namespace RecordMapping
