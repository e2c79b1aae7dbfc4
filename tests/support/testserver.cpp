#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QUrl>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder of PostgreSQL 15's programs, as Debian installs them.
QString serverPrograms() {
    for (const QString& folder : {QStringLiteral("/usr/lib/postgresql/15/bin")}) {
        if (QFile::exists(folder + QStringLiteral("/initdb")))
            return folder;
    }
    return {};
}

bool asSuperuser() {
    return ::geteuid() == 0;
}

} // namespace

quint16 freeLoopbackPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(probe);
    return port;
}

TestServer::TestServer() : m_bin(serverPrograms()), m_port(freeLoopbackPort()) {
    if (m_bin.isEmpty()) {
        m_failure = QStringLiteral("PostgreSQL 15 is not installed (postgresql-15)");
        return;
    }
    const QString data = m_dir.filePath(QStringLiteral("dados"));
    QDir().mkpath(data);
    if (asSuperuser()) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            m_failure = QStringLiteral("no user nobody to run the server as");
            return;
        }
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
        ::chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid);
        ::chown(QFile::encodeName(data).constData(), nobody->pw_uid, nobody->pw_gid);
    }
    const QString output =
        run({m_bin + QStringLiteral("/initdb"), QStringLiteral("-D"), data, QStringLiteral("-U"), superuser(),
             QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
             QStringLiteral("--locale=C.UTF-8")});
    if (!QFile::exists(data + QStringLiteral("/PG_VERSION"))) {
        m_failure = QStringLiteral("initdb failed: ") + output;
        return;
    }
    QFile rules(data + QStringLiteral("/pg_hba.conf"));
    if (!rules.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        rules.write(QStringLiteral(
                        "local all %1 scram-sha-256\nlocal all all trust\nhost all all 127.0.0.1/32 trust\n")
                        .arg(passwordUser())
                        .toUtf8()) < 0) {
        m_failure = QStringLiteral("cannot write pg_hba.conf");
        return;
    }
    rules.close();
    start();
    if (running())
        sql(QStringLiteral("postgres"),
            QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(passwordUser(), password()));
}

TestServer::~TestServer() {
    stop();
}

// PostgreSQL refuses to run as root: the superuser runs its programs as "nobody".
QStringList TestServer::asServerUser(const QStringList& command) {
    if (!asSuperuser())
        return command;
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                       QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                       QStringLiteral("--")} +
           command;
}

QString TestServer::run(const QStringList& command) const {
    QStringList full = asServerUser(command);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    process.start(full.takeFirst(), full);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAll());
}

// The server runs as a child that the kernel kills with the test, however the test ends:
// a test that crashes leaves no server behind.
void TestServer::start() {
    if (m_running || m_bin.isEmpty())
        return;
    QStringList command = asServerUser(
        {QStringLiteral("setpriv"), QStringLiteral("--pdeathsig"), QStringLiteral("KILL"),
         QStringLiteral("--"), m_bin + QStringLiteral("/postgres"), QStringLiteral("-D"),
         m_dir.filePath(QStringLiteral("dados")), QStringLiteral("-k"), m_dir.path(), QStringLiteral("-p"),
         QString::number(m_port), QStringLiteral("-c"), QStringLiteral("listen_addresses=127.0.0.1"),
         QStringLiteral("-c"), QStringLiteral("fsync=off"), QStringLiteral("-c"),
         QStringLiteral("full_page_writes=off")});
    m_postmaster = std::make_unique<QProcess>();
    m_postmaster->setStandardOutputFile(m_dir.filePath(QStringLiteral("servidor.log")), QIODevice::Append);
    m_postmaster->setStandardErrorFile(m_dir.filePath(QStringLiteral("servidor.log")), QIODevice::Append);
    m_postmaster->start(command.takeFirst(), command);
    const QStringList ready = {QStringLiteral("-q"), QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"),
                               QString::number(m_port)};
    for (int wait = 0; wait < 600 && m_postmaster->state() != QProcess::NotRunning; ++wait) {
        if (QProcess::execute(m_bin + QStringLiteral("/pg_isready"), ready) == 0) {
            m_running = true;
            return;
        }
        QThread::msleep(100);
    }
    QFile log(m_dir.filePath(QStringLiteral("servidor.log")));
    log.open(QIODevice::ReadOnly);
    m_failure = QStringLiteral("the server did not start: ") + QString::fromUtf8(log.readAll());
}

// An immediate shutdown, as a server that goes away.
void TestServer::stop() {
    if (!m_postmaster)
        return;
    ::kill(static_cast<pid_t>(m_postmaster->processId()), SIGQUIT);
    m_postmaster->waitForFinished(30000);
    m_postmaster.reset();
    m_running = false;
}

QString TestServer::uri(const QString& database, const QString& user) const {
    const auto encoded = [](const QString& text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    };
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4")
        .arg(encoded(database), encoded(m_dir.path()), QString::number(m_port), encoded(user));
}

QString TestServer::createDatabase(const QString& name) {
    sql(QStringLiteral("postgres"),
        QStringLiteral("CREATE DATABASE \"%1\"").arg(QString(name).replace(u'"', QStringLiteral("\"\""))));
    return uri(name);
}

QString TestServer::sql(const QString& database, const QString& statements) const {
    QProcess psql;
    psql.setProcessChannelMode(QProcess::MergedChannels);
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"),
                QString::number(m_port), QStringLiteral("-U"), superuser(), QStringLiteral("-d"), database,
                QStringLiteral("-c"), statements});
    psql.waitForFinished(60000);
    return QString::fromUtf8(psql.readAll()).trimmed();
}
