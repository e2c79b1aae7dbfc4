#pragma once

#include "sourcetable.h"

// Reads the table of edition 6.0: a Paradox table (.db) and the memo file beside it
// (.mb), for the field types such tables hold: alpha, short and long integers, numbers,
// dates, logicals and memos. Texts are read in the table's code page. A date comes as
// dd/mm/yyyy, a number as its text. Only reads: nothing is ever written to the old files.
// Throws AppError with a message for the user when the file is not such a table.
namespace ParadoxReader {

SourceTable read(const QString& path);

} // namespace ParadoxReader
