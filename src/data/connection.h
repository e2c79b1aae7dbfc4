#pragma once

#include "database.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// The one connection to the case base. For a base in a folder it keeps its connection text
// in the old provider form ("Provider=...;Data Source=<folder>base.mdb;...") and opens the
// file named by "Data Source" with SQLite, never creating it; for a base on a server the
// connection text is libpq's (postgresql://servidor/velmora?user=maria).
class Connection : public QObject {
    Q_OBJECT
  public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    // The connection texts of a database folder (ending with "/"): the one start-up uses,
    // and the one storing a network location uses. A folder holding ";" is quoted.
    static QString startupText(const QString& folder);
    static QString networkText(const QString& folder);
    // The value of one key of a connection text ("" when absent); quoted values are read
    // with their doubled quotes.
    static QString valueOf(const QString& connectionText, const QString& key);

    void setConnectionString(const QString& text) { m_connectionString = text; }
    QString connectionString() const { return m_connectionString; }
    void setLoginPrompt(bool prompt) { m_loginPrompt = prompt; }
    bool loginPrompt() const { return m_loginPrompt; }
    // How long a statement waits for another machine's lock before it fails.
    void setBusyTimeout(int milliseconds) { m_busyTimeout = milliseconds; }

    // The database file named by the connection text, or the server's connection text, a
    // password written in it hidden.
    QString dataSource() const;
    bool isServer() const;

    // Asks the user for the server's password when libpq finds none (the server's name,
    // whether a password given before was refused); nothing when the user gives up. The
    // password is kept in memory only.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& server, bool refused)>;
    void setPasswordPrompt(PasswordPrompt prompt) { m_passwordPrompt = std::move(prompt); }
    PasswordPrompt passwordPrompt() const { return m_passwordPrompt; }
    // The password another connection to the same server was given, so it is not asked
    // for again.
    void usePasswordOf(const Connection& other) {
        if (other.m_connectionString.trimmed() == m_connectionString.trimmed())
            m_password = other.m_password;
    }

    // Opens the base and brings its schema up to date; throws AppError on failure.
    void open();
    void close();
    bool connected() const;
    // Why the open base can only be read here (its file, or its folder, where the base
    // keeps its journal while it writes, does not allow writing; on a server, a user
    // without the right to write the records, or a server that only reads); empty when it
    // can be written.
    QString readOnlyReason() const;
    Database database() const;

  signals:
    // Once the base is open, before anything is read from it.
    void opened();
    void disconnected();

  private:
    QString serverReadOnlyReason() const;
    Database openServer();

    Database m_db;
    QString m_connectionString;
    QString m_password;
    PasswordPrompt m_passwordPrompt;
    bool m_loginPrompt = true;
    int m_busyTimeout = 10000;
};
