#pragma once

#include "transfer/sourcetable.h"

#include <QString>
#include <functional>

// A base of the Windows edition: a Jet (Access) base.mdb with table clientes, brought over
// into a base of this program, every record under its own Código.
namespace WindowsBase {

// The file's header says it is a Jet or ACE database.
bool isJetFile(const QString& path);

// Every record of table clientes, in the columns of clientes (a column the file lacks is
// empty); dates kept as dates come as dd/mm/yyyy. Throws AppError when the file cannot be
// read whole. `progress` gets the records read so far and their number.
SourceTable readClientes(const QString& path, const std::function<void(int, int)>& progress = {});

// Writes `records` (in the columns of clientes) with their own numbers into a new base at
// `path`, in one transaction, then checks its count and integrity. Throws AppError when a
// step fails, removing the file. `progress` gets the records written so far.
void writeBase(const SourceTable& records, const QString& path,
               const std::function<void(int)>& progress = {});

struct Converted {
    int records = 0;
    QString originalKeptAs; // the Windows base's new name, beside the new base
};

// Converts the base.mdb of `folder`: the records are read whole first, written with their
// own numbers into a new base under a temporary name, counted and checked; then the
// original is kept as base-windows.mdb and the new base takes its place. Throws AppError
// when any step fails; the original is then as it was and no new base is left behind.
Converted convert(const QString& folder, const std::function<void(int, int)>& progress = {});

} // namespace WindowsBase
