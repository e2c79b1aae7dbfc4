#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// A CalDAV server of a test's own: Debian's Radicale on a free port of 127.0.0.1, keeping its
// calendars in a temporary folder, with one user and one calendar ready; stopped with the
// object, and started again on the same port and folder.
class TestCalDav {
  public:
    TestCalDav();
    ~TestCalDav();
    TestCalDav(const TestCalDav&) = delete;
    TestCalDav& operator=(const TestCalDav&) = delete;

    // Why the server could not be started; empty when it runs.
    QString failure() const { return m_failure; }

    static QString user() { return QStringLiteral("maria"); }
    static QString password() { return QStringLiteral("segredo"); }
    // The calendar collection the user owns.
    QUrl calendar() const;

    // The calendar objects the server keeps, by their names, as stored.
    QMap<QString, QByteArray> objects() const;

    void stop();
    bool start();

  private:
    QTemporaryDir m_dir;
    quint16 m_port;
    QString m_failure;
    std::unique_ptr<QProcess> m_server;
};

// What Python's icalendar reads in an iCalendar text: one line per time zone ("TZ <id>") and
// per event ("<uid>|<start>|<end>|<summary>|<location>|<description>|<reminders>", the
// description's line breaks as "\n", reminders in seconds before), in the order found. A
// failure of the reader is its one line.
QStringList readWithICalendar(const QByteArray& calendar);
