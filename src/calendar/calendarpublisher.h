#pragma once

#include "caldav.h"
#include "hearingevents.h"

#include <QObject>
#include <QSet>

class Connection;

// Keeps the hearings of the base in a CalDAV calendar: "Publicar Agenda" puts every hearing
// and removes the base's events no record holds any more; afterwards each record saved or
// deleted here has its event put or removed in the background. A calendar that cannot be
// reached is said once, and what it missed is sent again with the next change.
class CalendarPublisher : public QObject {
    Q_OBJECT
  public:
    // The base's records are read through `connection`.
    explicit CalendarPublisher(Connection* connection, QObject* parent = nullptr);

    void setAccount(const QUrl& collection, const QString& user, const QString& password);
    void setEvents(const HearingEvents::Settings& settings, const HearingEvents::Titles& titles);
    // Whether saves and deletions are followed.
    void setFollowing(bool following) { m_following = following; }
    bool following() const { return m_following; }

    struct Published {
        HearingEvents::Exported events;
        int removed = 0; // events of records that no longer have a hearing
    };
    // Puts every hearing of the base and waits for the calendar, its progress shown (it can
    // be given up). Throws AppError with what failed.
    Published publishAll();

    // A record saved or deleted here.
    void recordStored(qint64 code) { recordChanged(code); }
    void recordRemoved(qint64 code) { recordChanged(code); }

    // Records whose event the calendar has not got yet.
    int waiting() const { return static_cast<int>(m_waiting.size()); }

  signals:
    // The calendar could not be reached: said once, until it is reached again.
    void unreachable(const QString& message);

  private:
    HearingEvents::Maker maker() const;
    void recordChanged(qint64 code);
    void sendWaiting();
    void send(qint64 code);
    void sent(qint64 code, const QString& failure);
    // Waits for the calendar while more than `most` requests are under way.
    void waitWhileMoreThan(int most) const;

    Connection* m_connection;
    CalDavCalendar m_calendar;
    HearingEvents::Settings m_settings;
    HearingEvents::Titles m_titles;
    bool m_following = false;
    QSet<qint64> m_waiting; // records whose event is to be sent
    QSet<qint64> m_sending; // records whose event is under way
    QSet<qint64> m_again;   // changed again while under way
    bool m_unreachableSaid = false;
};
