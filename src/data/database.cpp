#include "database.h"

#include "nativequery.h"
#include "server.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <libpq-fe.h>
#include <sqlite3.h>

struct Database::Handle {
    Kind kind = Kind::File;
    QString name;
    sqlite3* file = nullptr;
    pg_conn* server = nullptr;
    int lockTimeout = 0;
    // Between a BEGIN and its end: a connection lost then is not made again until the
    // transaction is ended, so what follows never runs outside it.
    bool inTransaction = false;

    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }
    void close() {
        if (file)
            sqlite3_close_v2(file);
        file = nullptr;
        Server::disconnect(server);
        server = nullptr;
    }
    bool open() const { return file || server; }
};

Database::Database() = default;

Database::Database(std::shared_ptr<Handle> handle) : m_handle(std::move(handle)) {}

Database Database::openFile(const QString& path, bool create, int busyTimeout) {
    auto handle = std::make_shared<Handle>();
    handle->kind = Kind::File;
    handle->name = path;
    // mode=rw: a missing base is never made by opening it; SQLite opens a file that cannot
    // be written for reading only.
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                        (create ? QStringLiteral("?mode=rwc") : QStringLiteral("?mode=rw"));
    const int code =
        sqlite3_open_v2(uri.toUtf8().constData(), &handle->file,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
    if (code != SQLITE_OK) {
        const QString message = NativeQuery::errorMessage(handle->file, code);
        throw AppError(QStringLiteral("A base de dados %1 não pôde ser aberta.\n\n%2").arg(path, message));
    }
    sqlite3_busy_timeout(handle->file, busyTimeout);
    sqlite3_extended_result_codes(handle->file, 1);
    return Database(std::move(handle));
}

Database Database::openServer(const QString& connectionText, const QString& password, int lockTimeout) {
    auto handle = std::make_shared<Handle>();
    handle->kind = Kind::Server;
    handle->name = Server::displayName(connectionText);
    handle->server = Server::connect(connectionText, password, lockTimeout);
    handle->lockTimeout = lockTimeout;
    return Database(std::move(handle));
}

bool Database::isServerText(const QString& text) {
    const QString trimmed = text.trimmed();
    return trimmed.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           trimmed.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

bool Database::isOpen() const {
    return m_handle && m_handle->open();
}

Database::Kind Database::kind() const {
    return m_handle ? m_handle->kind : Kind::File;
}

QString Database::name() const {
    return m_handle ? m_handle->name : QString();
}

void Database::close() {
    if (m_handle)
        m_handle->close();
}

const Database::Handle& Database::handle() const {
    if (!isOpen())
        throw AppError(QStringLiteral("A conexão com a base de dados não está aberta."));
    return *m_handle;
}

sqlite3* Database::fileHandle() const {
    const Handle& open = handle();
    if (!open.file)
        throw AppError(QStringLiteral("A base de dados está num servidor, não num arquivo."));
    return open.file;
}

// A server that dropped the connection is reached again at the next statement outside a
// transaction: the station goes on once the server is back, without a restart.
pg_conn* Database::serverHandle() const {
    const Handle& open = handle();
    if (!open.server)
        throw AppError(QStringLiteral("A base de dados está num arquivo, não num servidor."));
    if (!open.inTransaction)
        Server::reconnect(open.server, open.lockTimeout);
    return open.server;
}

void Database::beginWrite() const {
    NativeQuery::exec(*this, isServer() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    m_handle->inTransaction = true;
}

void Database::beginSnapshot() const {
    if (isServer()) {
        NativeQuery::exec(*this, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        m_handle->inTransaction = true;
        return;
    }
    // A read lock, taken at the first read and held to the end: no machine writes meanwhile.
    NativeQuery::exec(*this, QStringLiteral("BEGIN"));
    m_handle->inTransaction = true;
    NativeQuery::exec(*this, QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

void Database::commit() const {
    endTransaction(QStringLiteral("COMMIT"));
}

void Database::rollback() const {
    endTransaction(QStringLiteral("ROLLBACK"));
}

// The transaction is over whether its end succeeds or the connection is gone.
void Database::endTransaction(const QString& sql) const {
    struct Ended {
        Handle* handle;
        ~Ended() {
            if (handle)
                handle->inTransaction = false;
        }
    } ended{m_handle.get()};
    NativeQuery::exec(*this, sql);
}
