#pragma once

#include "sourcetable.h"

// Reads a data packet of the free edition, the XML form of a client data set: the column
// list of METADATA/FIELDS and one record per ROW of ROWDATA. Dates ("date" yyyymmdd and
// "dateTime") come as dd/mm/yyyy, numbers and notes as text, notes with their line breaks.
// A packet declaring no encoding whose bytes are not UTF-8 is read as Windows-1252, as
// older writers wrote. A packet saved with its change log unmerged gives the records as
// they stood last. Throws AppError with a message for the user when the file cannot be
// read as a packet.
namespace PacketReader {

SourceTable read(const QString& path);
SourceTable parse(const QByteArray& bytes, const QString& fileName);

} // namespace PacketReader
