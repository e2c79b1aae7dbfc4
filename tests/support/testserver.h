#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A port no one listens on now on 127.0.0.1.
quint16 freeLoopbackPort();

// A PostgreSQL server of a test's own: a cluster made by initdb in a temporary folder,
// listening on a Unix socket there and on a free port of 127.0.0.1, stopped and removed
// with the object, or with the test process however it ends. For the
// superuser (PostgreSQL refuses to run as root) the cluster runs as the user "nobody".
// Every login but one connects without a password.
class TestServer {
  public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Why the server could not be started; empty when it runs.
    QString failure() const { return m_failure; }
    bool running() const { return m_failure.isEmpty() && m_running; }

    // The name of the cluster's superuser, who connects without a password.
    static QString superuser() { return QStringLiteral("velmora_teste"); }
    // A login that must give its password (scram-sha-256).
    static QString passwordUser() { return QStringLiteral("senhada"); }
    static QString password() { return QStringLiteral("segredo"); }
    // A libpq connection text for a database, as a user.
    QString uri(const QString& database, const QString& user = superuser()) const;
    QString socketFolder() const { return m_dir.path(); }
    quint16 port() const { return m_port; }
    // Creates an empty database and gives its connection text.
    QString createDatabase(const QString& name);
    // Runs SQL as the superuser in a database; the output of psql, or a failure.
    QString sql(const QString& database, const QString& statements) const;

    void stop();
    void start();

  private:
    static QStringList asServerUser(const QStringList& command);
    QString run(const QStringList& command) const;

    QTemporaryDir m_dir;
    QString m_bin;
    quint16 m_port;
    QString m_failure;
    std::unique_ptr<QProcess> m_postmaster;
    bool m_running = false;
};
