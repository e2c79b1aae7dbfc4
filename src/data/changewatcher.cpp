#include "changewatcher.h"

#include "common/apperror.h"
#include "connection.h"
#include "nativequery.h"
#include "schema.h"

#include <QSignalBlocker>
#include <libpq-fe.h>

ChangeWatcher::ChangeWatcher(Connection* connection, QObject* parent)
    : QObject(parent), m_connection(connection) {
    m_timer.setInterval(kInterval);
    connect(&m_timer, &QTimer::timeout, this, &ChangeWatcher::look);
    connect(connection, &Connection::opened, this, &ChangeWatcher::startWatching);
    m_timer.start();
}

void ChangeWatcher::startWatching() {
    m_serverProcess = 0;
    m_file = nullptr;
    const QSignalBlocker quiet(this);
    look();
}

void ChangeWatcher::look() {
    if (!m_connection->connected())
        return;
    const Database db = m_connection->database();
    bool changed = false;
    try {
        changed = db.isServer() ? serverChanged(db.serverHandle()) : fileChanged(db.fileHandle());
    } catch (const AppError&) {
        // The base cannot be reached now: the next look, or the user's next step, tells.
        return;
    }
    if (changed)
        emit changedElsewhere();
}

// Notices of this connection's own writes are not changes made elsewhere.
bool ChangeWatcher::serverChanged(pg_conn* server) {
    bool changed = false;
    const int process = PQbackendPID(server);
    if (process != m_serverProcess) {
        NativeQuery::exec(m_connection->database(), QStringLiteral("LISTEN ") + Schema::kChangeChannel);
        changed = m_serverProcess != 0; // what happened while it was away is not known
        m_serverProcess = process;
    }
    PQconsumeInput(server);
    while (PGnotify* notice = PQnotifies(server)) {
        changed = changed || notice->be_pid != process;
        PQfreemem(notice);
    }
    return changed;
}

bool ChangeWatcher::fileChanged(sqlite3* file) {
    const qint64 version =
        NativeQuery::integers(m_connection->database(), QStringLiteral("PRAGMA data_version"), {}).value(0);
    const bool changed = file == m_file && version != m_dataVersion;
    m_file = file;
    m_dataVersion = version;
    return changed;
}
