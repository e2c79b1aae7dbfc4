#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QNetworkReply;

// A calendar collection on a CalDAV server (Nextcloud, Radicale, Google, iCloud), reached
// over HTTP(S): calendar objects put, removed and listed by their names. Every request runs
// in the background and ends by calling its `done` with an empty text, or with what failed
// in Portuguese.
class CalDavCalendar : public QObject {
    Q_OBJECT
  public:
    explicit CalDavCalendar(QObject* parent = nullptr);

    // The collection's address, and the user and password it is reached with (none: no
    // user). The password is kept in memory only.
    void setAccount(const QUrl& collection, const QString& user, const QString& password);
    QUrl collection() const { return m_collection; }

    using Done = std::function<void(const QString& failure)>;
    void put(const QString& name, const QByteArray& object, Done done);
    // An object the calendar does not hold counts as removed.
    void remove(const QString& name, Done done);
    // The names of the objects the collection holds.
    void list(std::function<void(const QStringList& names, const QString& failure)> done);

    // Requests sent that have not ended yet.
    int pending() const { return m_pending; }

  private:
    QNetworkRequest request(const QString& name = {}) const;
    void whenDone(QNetworkReply* reply, std::function<void(QNetworkReply*, const QString& failure)> done);
    QString failureOf(QNetworkReply* reply) const;

    QNetworkAccessManager m_network;
    QUrl m_collection;
    QString m_user;
    QString m_password;
    int m_pending = 0;
};
