#pragma once

#include "sourcetable.h"

#include <QIODevice>
#include <functional>
#include <memory>

// Reads the table of edition 6.0: a Paradox table (.db) and the memo file beside it
// (.mb). Alpha, short and long integers, autoincrement, numbers, money, dates, times,
// timestamps, logicals and memos are read; a field of another kind (pictures, binary
// data) reads as empty. Texts are read in the table's code page; a date comes as
// dd/mm/yyyy, a number as its text. Only reads: nothing is ever written to the old files.
//
// The header and the chain of blocks are checked when the table is opened, every size,
// offset and count against the file's own length; the records are then read from the
// file when they are asked for. Throws AppError with a message for the user when the file
// is not such a table or is damaged.
namespace ParadoxReader {

// The table keeps its files open while it lives.
SourceTable read(const QString& path);

// The same over devices: the table, and the memo file, opened when a memo needs it
// (nullptr when there is none).
SourceTable read(std::unique_ptr<QIODevice> table, const QString& fileName,
                 std::function<std::unique_ptr<QIODevice>()> openMemos);

} // namespace ParadoxReader
