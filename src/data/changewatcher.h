#pragma once

#include <QObject>
#include <QTimer>

class Connection;
struct pg_conn;
struct sqlite3;

// Tells when another station has changed the records of the open base, looking every
// second while the program waits for the user: on a server, for the notices the base
// sends at every change (LISTEN, read without a round trip); on a base file, at SQLite's
// change counter (PRAGMA data_version), which moves when another connection commits. A
// connection made again (a server that went away and came back) counts as a change.
// Watching starts each time the connection opens, before the table reads the base.
class ChangeWatcher : public QObject {
    Q_OBJECT
  public:
    static constexpr int kInterval = 1000;

    explicit ChangeWatcher(Connection* connection, QObject* parent = nullptr);

    // One look now, as the timer does.
    void look();
    // What the base holds now is what the station has read: watching starts from here.
    void startWatching();

  signals:
    void changedElsewhere();

  private:
    bool serverChanged(pg_conn* server);
    bool fileChanged(sqlite3* file);

    Connection* m_connection;
    QTimer m_timer;
    // What was watched at the last look: the server's process for this connection, or the
    // file's connection, and its change counter.
    int m_serverProcess = 0;
    sqlite3* m_file = nullptr;
    qint64 m_dataVersion = -1;
};
