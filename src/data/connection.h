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

    void setConnectionString(const QString& text) { m_connectionString = text; }
    QString connectionString() const { return m_connectionString; }
    void setLoginPrompt(bool prompt) { m_loginPrompt = prompt; }
    bool loginPrompt() const { return m_loginPrompt; }

    // The database file named by the connection text.
    QString dataSource() const;

    // Opens the file and brings its schema up to date; throws AppError on failure.
    void open();
    void close();
    bool connected() const;
    QSqlDatabase database() const;

  signals:
    void disconnected();

  private:
    QString m_connectionName;
    QString m_connectionString;
    bool m_loginPrompt = true;
};
