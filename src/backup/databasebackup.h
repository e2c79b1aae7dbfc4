#pragma once

#include "data/database.h"

#include <QDateTime>
#include <QString>

// Dated copies of the case database. A copy is a consistent snapshot of the live base,
// taken through SQLite's own backup interface (another machine may be writing the file),
// written under a temporary name beside its final one, checked, and only then given its
// name; a copy that is not whole is removed.
namespace DatabaseBackup {

// "base" + dd-mm-yyyy + "-" + hh-mm-ss + ".mdb" in the folder (which ends with "/"). When a
// copy of that name exists already (two backups in one second), "-2", "-3" ... is added
// before ".mdb", so no backup replaces another.
QString targetName(const QString& folder, const QDateTime& when);

// Whether two folders are one: symbolic links, "." and ".." and trailing separators are
// looked through; letter case counts, as on Linux it makes a different folder.
bool sameFolder(const QString& first, const QString& second);

// Copies the base open on `source` to `target`, its progress shown; a base on a server
// becomes a base file holding every record of one moment. The copy is written as
// target + "." + this station and process + ".parcial" until it is whole, and the folder is
// flushed once it has its name, so a finished backup survives a power cut. Partial copies
// that earlier backups left behind (a program killed half-way) are removed first: this
// station's whose program is gone, and anyone's a day old. Throws AppError when the copy
// cannot be made whole; nothing is left at `target` then.
void copy(const Database& source, const QString& target);

// The name a copy in progress is written under.
QString partialName(const QString& target);

} // namespace DatabaseBackup
