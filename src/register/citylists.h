#pragma once

#include <QStringList>
#include <optional>

// The office's lists of cities and states, one entry per line of a text file in the
// settings folder.
namespace CityLists {

// The entries of a list file, blank and repeated lines included; nothing when there is no
// file. Throws AppError when the file cannot be read.
std::optional<QStringList> read(const QString& path);

// The order the list editor keeps: Portuguese collation without regard to letter case or
// accents, empty entries first.
QStringList sorted(QStringList entries);

// The states of Brazil, the list a new installation starts with.
const QStringList& brazilianStates();

} // namespace CityLists
