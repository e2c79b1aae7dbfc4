#pragma once

#include "sourcetable.h"

// Reads a data packet of the free edition, the XML form of a client data set: the column
// list of METADATA/FIELDS and one record per ROW of ROWDATA. Dates ("date" yyyymmdd and
// "dateTime") come as dd/mm/yyyy, numbers and notes as text, notes with their line breaks.
// A packet declaring no encoding whose values are not UTF-8 is read as Windows-1252, as
// older writers wrote; a packet in UTF-16 is read too. A packet saved with its change log
// unmerged gives the records as they stood last.
//
// The file is read once, in pieces, to check it and to note where each record lies; the
// records are then read from the file when they are asked for, so memory stays small
// whatever the file's size. Throws AppError with a message for the user when the file
// cannot be read as a packet.
namespace PacketReader {

// The table keeps the file open while it lives.
SourceTable read(const QString& path);
// A packet held in memory.
SourceTable parse(const QByteArray& bytes, const QString& fileName);

} // namespace PacketReader
