#pragma once

#include "database.h"

#include <QString>

// An office moving onto its server: every record of a base file, with its number, and the
// base's history, copied into an empty server base and compared there, column by column,
// before the server keeps them. Only then does the old base stop taking changes: its
// stations are refused any write, the file named base.mdb is renamed base-enviada.mdb, and
// its folder keeps a note of where the base went, which stations read at their next start.
namespace SendToServer {

inline const QString kNoteFile = QStringLiteral("base-enviada.txt");
inline const QString kSentName = QStringLiteral("base-enviada");

struct Sent {
    qint64 records = 0;
    qint64 events = 0; // events of the history sent with them
    QString keptAs;    // the old base's new path; empty when it kept its name
};

// Sends the base file at `basePath` to the server base open on `server`, which must hold
// no record and no history. The progress is shown. Throws AppError, in Portuguese, when the
// base cannot be read or written, the server refuses or holds records, or what the server
// holds differs from the base; the base file and the server are then as they were.
Sent send(const QString& basePath, const Database& server);

// The connection text of the server the base of `folder` (ending with "/") was sent to,
// read from the note the sending left there; empty when there is none.
QString serverOf(const QString& folder);

} // namespace SendToServer
