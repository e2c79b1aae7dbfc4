#include "calendarpublisher.h"

#include "common/apperror.h"
#include "common/progress.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/nativequery.h"
#include "data/recordreader.h"
#include "data/schema.h"

#include <QCoreApplication>

namespace {

// Requests under way at once while every hearing is put.
constexpr int kAtOnce = 8;

QString resourceName(const HearingEvents::Event& event) {
    return event.uid + QStringLiteral(".ics");
}

} // namespace

CalendarPublisher::CalendarPublisher(Connection* connection, QObject* parent)
    : QObject(parent), m_connection(connection) {}

void CalendarPublisher::setAccount(const QUrl& collection, const QString& user, const QString& password) {
    m_calendar.setAccount(collection, user, password);
}

void CalendarPublisher::setEvents(const HearingEvents::Settings& settings,
                                  const HearingEvents::Titles& titles) {
    m_settings = settings;
    m_titles = titles;
}

HearingEvents::Maker CalendarPublisher::maker() const {
    return {Schema::identity(m_connection->database()), m_settings, m_titles};
}

void CalendarPublisher::waitWhileMoreThan(int most) const {
    while (m_calendar.pending() > most)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

CalendarPublisher::Published CalendarPublisher::publishAll() {
    const Database db = m_connection->database();
    const HearingEvents::Maker events = maker();
    const QString ours = HearingEvents::uid(Schema::identity(db), 0).chopped(1);
    QString failure;
    const auto keepFailure = [&failure](const QString& what) {
        if (failure.isEmpty())
            failure = what;
    };
    // Whatever ends the publishing, no request is left with a reference to it.
    struct Settled {
        const CalendarPublisher* publisher;
        ~Settled() { publisher->waitWhileMoreThan(0); }
    } settled{this};

    QStringList held;
    m_calendar.list([&](const QStringList& names, const QString& listFailure) {
        held = names;
        keepFailure(listFailure);
    });
    waitWhileMoreThan(0);
    if (!failure.isEmpty())
        throw AppError(failure);

    const QVector<qint64> codes = NativeQuery::integers(
        db, QStringLiteral("SELECT %1 FROM clientes ORDER BY 1").arg(Columns::quoted(Columns::kCodigo)), {});
    const Progress::Scope progress(static_cast<int>(codes.size()), true);
    RecordReader reader(db, codes, HearingEvents::columns());
    Published published;
    QSet<QString> put;
    int read = 0;
    for (QStringList values; failure.isEmpty() && reader.next(values);) {
        const HearingEvents::Event event = events.eventOf(values);
        if (event.kind == HearingEvents::Event::Kind::Made) {
            put.insert(resourceName(event));
            waitWhileMoreThan(kAtOnce - 1);
            m_calendar.put(resourceName(event), HearingEvents::calendarObject(event), keepFailure);
            ++published.events.events;
        } else if (event.kind == HearingEvents::Event::Kind::NoDate) {
            ++published.events.withoutDate;
        } else {
            published.events.unreadable << event.description;
        }
        Progress::step(++read);
        if (Progress::cancelled())
            keepFailure(QStringLiteral("A publicação da agenda foi cancelada."));
    }
    for (const QString& name : held) {
        if (!failure.isEmpty() || !name.startsWith(ours) || put.contains(name))
            continue;
        waitWhileMoreThan(kAtOnce - 1);
        m_calendar.remove(name, keepFailure);
        ++published.removed;
    }
    waitWhileMoreThan(0);
    if (!failure.isEmpty())
        throw AppError(failure);
    m_waiting.clear();
    m_unreachableSaid = false;
    return published;
}

void CalendarPublisher::recordChanged(qint64 code) {
    if (!m_following)
        return;
    m_waiting.insert(code);
    sendWaiting();
}

void CalendarPublisher::sendWaiting() {
    const QSet<qint64> waiting = std::exchange(m_waiting, {});
    for (const qint64 code : waiting) {
        if (m_sending.contains(code))
            m_again.insert(code);
        else
            send(code);
    }
}

// The record is read afresh: its event is put when it has a hearing, removed otherwise (a
// record deleted, or its hearing date cleared).
void CalendarPublisher::send(qint64 code) {
    HearingEvents::Event event;
    try {
        const HearingEvents::Maker events = maker();
        const StoredRows rows = readRecords(m_connection->database(), {&code, 1}, HearingEvents::columns());
        event = events.eventOf(rows.present(0) ? rows.texts(0) : QStringList{QString::number(code)});
    } catch (const AppError&) {
        m_waiting.insert(code); // the base cannot be read now: sent with the next change
        return;
    }
    m_sending.insert(code);
    const auto done = [this, code](const QString& failure) { sent(code, failure); };
    if (event.kind == HearingEvents::Event::Kind::Made)
        m_calendar.put(resourceName(event), HearingEvents::calendarObject(event), done);
    else
        m_calendar.remove(resourceName(event), done);
}

void CalendarPublisher::sent(qint64 code, const QString& failure) {
    m_sending.remove(code);
    if (!failure.isEmpty()) {
        m_again.remove(code);
        m_waiting.insert(code);
        if (!m_unreachableSaid) {
            m_unreachableSaid = true;
            emit unreachable(failure);
        }
        return;
    }
    m_unreachableSaid = false;
    if (m_again.remove(code)) {
        m_waiting.insert(code);
        sendWaiting();
    }
}
