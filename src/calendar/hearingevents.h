#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class RecordReader;

// The hearings of the register as iCalendar events (RFC 5545, written with libical): one
// event per record with a hearing date, in São Paulo's time, with reminders, named by a UID
// that stays the same for the record of the same base, so a calendar that gets it again
// updates the event instead of adding another.
namespace HearingEvents {

struct Settings {
    int minutes = 60;            // a hearing's length
    int firstReminder = 24 * 60; // minutes before the hearing; 0: none
    int secondReminder = 2 * 60; // likewise
};

// The titles the description names its fields by, as the register shows them.
struct Titles {
    QString caseNumber = QStringLiteral("Nº do Processo");
    QString action = QStringLiteral("Tipo de Ação");
    QString lawyer = QStringLiteral("Advogado");
    QString opposingLawyer = QStringLiteral("Advogado");
};

inline const QString kTimeZone = QStringLiteral("America/Sao_Paulo");

// The record columns (by position in table clientes) an event is made of, in the order
// eventOf() takes their texts.
const QList<int>& columns();

QString uid(const QString& baseIdentity, qint64 code);

struct Event {
    enum class Kind { Made, NoDate, UnreadableDate } kind = Kind::NoDate;
    qint64 code = 0;
    QString uid;
    QByteArray text;     // the VEVENT component, when made
    QString description; // the record for a message: name, number and the date as typed
};

class Maker {
  public:
    Maker(QString baseIdentity, Settings settings, Titles titles);
    // The event of a record whose texts were read in the order of columns().
    Event eventOf(const QStringList& values) const;

  private:
    QString m_identity;
    Settings m_settings;
    Titles m_titles;
};

// A whole calendar around event texts: the calendar's head with the time zone, the events,
// and its end. A CalDAV server keeps one event per calendar object.
QByteArray calendarHead();
QByteArray calendarEnd();
QByteArray calendarObject(const Event& event);

struct Exported {
    int events = 0;
    int withoutDate = 0;
    QStringList unreadable; // records whose date cannot be read, left out
};

// Writes the events of the records a reader gives (read with columns()) to an .ics file,
// replacing it only when whole; `advanced` is told how many records were read. Throws
// AppError.
Exported exportFile(const QString& path, RecordReader& reader, const Maker& maker,
                    const std::function<void(int)>& advanced = {});

} // namespace HearingEvents
