#include "hearingevents.h"

#include "common/apperror.h"
#include "common/textfile.h"
#include "data/columns.h"
#include "data/recordreader.h"
#include "data/searchkey.h"

#include <QDateTime>
#include <QRegularExpression>
#include <libical/ical.h>
#include <memory>
#include <optional>

namespace HearingEvents {

namespace {

enum Position {
    kCode,
    kName,
    kCity,
    kCase,
    kCourt,
    kAction,
    kLawyer,
    kDate,
    kTime,
    kOpposing,
    kOpposingLawyer
};

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

QByteArray textOf(icalcomponent* component) {
    char* text = icalcomponent_as_ical_string_r(component);
    QByteArray bytes(text);
    icalmemory_free_buffer(text);
    return bytes;
}

// São Paulo's zone as libical knows it from the system's zone data, named by its own name.
icalcomponent* newTimeZone() {
    icaltimezone* zone = icaltimezone_get_builtin_timezone(kTimeZone.toUtf8().constData());
    if (!zone)
        throw AppError(
            QStringLiteral("O fuso horário %1 não foi encontrado neste computador (pacote tzdata).")
                .arg(kTimeZone));
    icalcomponent* component = icalcomponent_new_clone(icaltimezone_get_component(zone));
    icalproperty* tzid = icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY);
    icalproperty_set_tzid(tzid, kTimeZone.toUtf8().constData());
    return component;
}

// The calendar's head and end, as libical writes an empty calendar with the time zone.
const std::pair<QByteArray, QByteArray>& calendarFrame() {
    static const std::pair<QByteArray, QByteArray> frame = [] {
        const Component calendar(icalcomponent_vanew(
            ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
            icalproperty_new_prodid("-//Belvoran//Velmora 7//PT"), icalproperty_new_calscale("GREGORIAN"),
            icalproperty_new_method(ICAL_METHOD_PUBLISH), nullptr));
        icalcomponent_add_component(calendar.get(), newTimeZone());
        const QByteArray text = textOf(calendar.get());
        const QByteArray end = QByteArrayLiteral("END:VCALENDAR\r\n");
        return std::pair{text.left(text.size() - end.size()), end};
    }();
    return frame;
}

std::optional<QTime> readTime(const QString& text) {
    static const QRegularExpression time(QStringLiteral(R"(^\s*(\d{1,2})\s*[:hH.]\s*(\d{2})\s*$)"));
    const auto match = time.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QTime read(match.captured(1).toInt(), match.captured(2).toInt());
    return read.isValid() ? std::optional(read) : std::nullopt;
}

icaltimetype dateOf(const QDate& date) {
    icaltimetype day = icaltime_null_date();
    day.year = date.year();
    day.month = date.month();
    day.day = date.day();
    return day;
}

icaltimetype timeOf(const QDateTime& when) {
    icaltimetype time = icaltime_null_time();
    time.year = when.date().year();
    time.month = when.date().month();
    time.day = when.date().day();
    time.hour = when.time().hour();
    time.minute = when.time().minute();
    return time;
}

// A date, or a time of day in São Paulo's zone.
icalproperty* withZone(icalproperty* property) {
    icalproperty_add_parameter(property, icalparameter_new_tzid(kTimeZone.toUtf8().constData()));
    return property;
}

icalcomponent* reminder(int minutesBefore, const QByteArray& summary) {
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(-minutesBefore * 60);
    return icalcomponent_vanew(ICAL_VALARM_COMPONENT, icalproperty_new_action(ICAL_ACTION_DISPLAY),
                               icalproperty_new_description(summary.constData()),
                               icalproperty_new_trigger(trigger), nullptr);
}

// "Title: value" for a field that holds a value; a title's own colon is not doubled.
QString line(const QString& title, const QString& value) {
    if (value.trimmed().isEmpty())
        return {};
    QString named = title.trimmed();
    while (named.endsWith(u':'))
        named.chop(1);
    return named.trimmed() + QStringLiteral(": ") + value.trimmed();
}

QString joined(const QStringList& parts, const QString& separator) {
    QStringList kept;
    for (const QString& part : parts)
        if (!part.trimmed().isEmpty())
            kept << part.trimmed();
    return kept.join(separator);
}

} // namespace

const QList<int>& columns() {
    static const QList<int> positions = [] {
        QList<int> found;
        for (const char* name :
             {"Código", "AGE_NOME", "AGE_CIDADE", "AGE_PROC", "AGE_VARA", "AGE_ACAO", "AGE_ADV",
              "AGE_DTAAUDIENCIA", "AGE_HORAAUDIENCIA", "AGE_PCONT", "AGE_ADVCONT"})
            found << Columns::indexOf(QString::fromUtf8(name));
        return found;
    }();
    return positions;
}

QString uid(const QString& baseIdentity, qint64 code) {
    return QStringLiteral("velmora-%1-%2").arg(baseIdentity).arg(code);
}

Maker::Maker(QString baseIdentity, Settings settings, Titles titles)
    : m_identity(std::move(baseIdentity)), m_settings(settings), m_titles(std::move(titles)) {}

Event Maker::eventOf(const QStringList& values) const {
    Event event;
    event.code = values.value(kCode).toLongLong();
    event.uid = uid(m_identity, event.code);
    const QString dateText = values.value(kDate).trimmed();
    event.description =
        QStringLiteral("%1 (nº %2): \"%3\"").arg(values.value(kName)).arg(event.code).arg(dateText);
    if (dateText.isEmpty())
        return event;
    const std::optional<QDate> date = SearchKey::readDate(dateText);
    if (!date) {
        event.kind = Event::Kind::UnreadableDate;
        return event;
    }
    event.kind = Event::Kind::Made;

    const QByteArray summary = (QStringLiteral("Audiência: ") +
                                joined({values.value(kName), values.value(kOpposing)}, QStringLiteral(" × ")))
                                   .toUtf8();
    const Component vevent(icalcomponent_new_vevent());
    icalcomponent* component = vevent.get();
    icalcomponent_add_property(component, icalproperty_new_uid(event.uid.toUtf8().constData()));
    icalcomponent_add_property(component, icalproperty_new_dtstamp(icaltime_current_time_with_zone(
                                              icaltimezone_get_utc_timezone())));
    if (const std::optional<QTime> time = readTime(values.value(kTime))) {
        // Plain clock arithmetic: the zone is São Paulo's, whatever this computer's is.
        const QDateTime start(*date, *time, Qt::UTC);
        icalcomponent_add_property(component, withZone(icalproperty_new_dtstart(timeOf(start))));
        icalcomponent_add_property(
            component, withZone(icalproperty_new_dtend(timeOf(start.addSecs(m_settings.minutes * 60)))));
    } else {
        icalcomponent_add_property(component, icalproperty_new_dtstart(dateOf(*date)));
        icalcomponent_add_property(component, icalproperty_new_dtend(dateOf(date->addDays(1))));
    }
    icalcomponent_add_property(component, icalproperty_new_summary(summary.constData()));
    const QString location = joined({values.value(kCourt), values.value(kCity)}, QStringLiteral(", "));
    if (!location.isEmpty())
        icalcomponent_add_property(component, icalproperty_new_location(location.toUtf8().constData()));
    const QString description =
        joined({line(m_titles.caseNumber, values.value(kCase)), line(m_titles.action, values.value(kAction)),
                line(m_titles.lawyer, values.value(kLawyer)),
                line(m_titles.opposingLawyer + QStringLiteral(" da parte contrária"),
                     values.value(kOpposingLawyer))},
               QStringLiteral("\n"));
    if (!description.isEmpty())
        icalcomponent_add_property(component, icalproperty_new_description(description.toUtf8().constData()));
    for (const int before : {m_settings.firstReminder, m_settings.secondReminder})
        if (before > 0)
            icalcomponent_add_component(component, reminder(before, summary));
    event.text = textOf(component);
    return event;
}

QByteArray calendarHead() {
    return calendarFrame().first;
}

QByteArray calendarEnd() {
    return calendarFrame().second;
}

QByteArray calendarObject(const Event& event) {
    return calendarHead() + event.text + calendarEnd();
}

Exported exportFile(const QString& path, RecordReader& reader, const Maker& maker,
                    const std::function<void(int)>& advanced) {
    Exported exported;
    TextFile::AtomicFile file(path);
    file.write(calendarHead());
    int read = 0;
    for (QStringList values; reader.next(values);) {
        const Event event = maker.eventOf(values);
        switch (event.kind) {
        case Event::Kind::Made:
            file.write(event.text);
            ++exported.events;
            break;
        case Event::Kind::NoDate:
            ++exported.withoutDate;
            break;
        case Event::Kind::UnreadableDate:
            exported.unreadable << event.description;
            break;
        }
        if (advanced && ++read % 1000 == 0)
            advanced(read);
    }
    file.write(calendarEnd());
    file.commit();
    return exported;
}

} // namespace HearingEvents
