#include "testcaldav.h"

#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTest>

namespace {

// The reader: Debian's Python with its icalendar package, an independent implementation.
const char* const kReader = R"(
import sys
from icalendar import Calendar
calendar = Calendar.from_ical(sys.stdin.buffer.read())
for part in calendar.walk():
    if part.name == 'VTIMEZONE':
        print('TZ ' + str(part['TZID']))
    elif part.name == 'VEVENT':
        reminders = sorted(int(-alarm['TRIGGER'].dt.total_seconds()) for alarm in part.walk('VALARM'))
        fields = [part['UID'], part['DTSTART'].dt.isoformat(), part['DTEND'].dt.isoformat(),
                  part.get('SUMMARY', ''), part.get('LOCATION', ''), part.get('DESCRIPTION', ''),
                  ','.join(str(r) for r in reminders)]
        print('|'.join(str(f).replace('\n', '\\n') for f in fields))
)";

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

} // namespace

TestCalDav::TestCalDav() : m_port(freeLoopbackPort()) {
    write(m_dir.filePath(QStringLiteral("usuarios")), (user() + u':' + password() + u'\n').toUtf8());
    write(m_dir.filePath(QStringLiteral("config")),
          QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                         "htpasswd_encryption = plain\n[rights]\ntype = owner_only\n[storage]\n"
                         "filesystem_folder = %3\n[logging]\nlevel = warning\n")
              .arg(m_port)
              .arg(m_dir.filePath(QStringLiteral("usuarios")), m_dir.filePath(QStringLiteral("colecoes")))
              .toUtf8());
    if (!start())
        return;
    QNetworkAccessManager network;
    QNetworkRequest make(calendar());
    make.setRawHeader("Authorization", "Basic " + (user() + u':' + password()).toUtf8().toBase64());
    QNetworkReply* reply = network.sendCustomRequest(make, "MKCALENDAR");
    if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 10000) ||
        reply->error() != QNetworkReply::NoError)
        m_failure = QStringLiteral("MKCALENDAR failed: ") + reply->errorString();
    delete reply;
}

TestCalDav::~TestCalDav() {
    stop();
}

QUrl TestCalDav::calendar() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2/audiencias/").arg(m_port).arg(user()));
}

bool TestCalDav::start() {
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::ForwardedChannels);
    m_server->start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("radicale"), QStringLiteral("--config"),
                     m_dir.filePath(QStringLiteral("config"))});
    const bool listening = QTest::qWaitFor(
        [this] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
            return probe.waitForConnected(200) || m_server->state() == QProcess::NotRunning;
        },
        15000);
    if (!listening || m_server->state() != QProcess::Running) {
        m_failure = QStringLiteral("Radicale did not start (radicale, python3)");
        return false;
    }
    return true;
}

void TestCalDav::stop() {
    if (!m_server)
        return;
    m_server->terminate();
    if (!m_server->waitForFinished(10000))
        m_server->kill();
    m_server.reset();
}

QMap<QString, QByteArray> TestCalDav::objects() const {
    QMap<QString, QByteArray> found;
    const QDir folder(m_dir.filePath(QStringLiteral("colecoes/collection-root/%1/audiencias").arg(user())));
    for (const QString& name : folder.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            found.insert(name, file.readAll());
    }
    return found;
}

QStringList readWithICalendar(const QByteArray& calendar) {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::MergedChannels);
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kReader)});
    reader.write(calendar);
    reader.closeWriteChannel();
    if (!reader.waitForFinished(30000))
        return {QStringLiteral("the reader did not end")};
    QStringList lines = QString::fromUtf8(reader.readAll()).split(u'\n');
    lines.removeAll(QString());
    return lines;
}
