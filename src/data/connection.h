#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

// The one connection to base.mdb. It keeps its connection text in the old provider form
// ("Provider=...;Data Source=<folder>base.mdb;...") and opens the file named by
// "Data Source" with SQLite. It never creates the file.
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

    // The database file named by the connection text.
    QString dataSource() const;

    // Opens the file and brings its schema up to date; throws AppError on failure.
    void open();
    void close();
    bool connected() const;
    // Why the open base can only be read here (its file, or its folder, where the base
    // keeps its journal while it writes, does not allow writing); empty when it can be
    // written.
    QString readOnlyReason() const;
    QSqlDatabase database() const;

  signals:
    void disconnected();

  private:
    QString m_connectionName;
    QString m_connectionString;
    bool m_loginPrompt = true;
    int m_busyTimeout = 10000;
};
