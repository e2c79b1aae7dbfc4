#pragma once

#include <QString>
#include <QStringList>

namespace Bench {

// --servidor: the steps chosen on the server's base at `uri`, which must be empty (it is
// filled with `records` generated records) or hold that many records already; `folder`
// takes the listing and the copies. Throws AppError.
int runOnServer(const QString& uri, int records, const QStringList& steps, const QString& folder);

} // namespace Bench
