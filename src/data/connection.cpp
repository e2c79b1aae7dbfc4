#include "connection.h"

#include "app/apperror.h"
#include "schema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {
int connectionCounter = 0;
}

Connection::Connection(QObject* parent)
    : QObject(parent), m_connectionName(QStringLiteral("velmora-%1").arg(++connectionCounter)) {
    setObjectName(QStringLiteral("ADOConnection1"));
}

Connection::~Connection() {
    close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString Connection::dataSource() const {
    const QString key = QStringLiteral("Data Source=");
    for (const QString& part : m_connectionString.split(u';')) {
        const QString trimmed = part.trimmed();
        if (trimmed.startsWith(key, Qt::CaseInsensitive))
            return trimmed.mid(key.size());
    }
    return {};
}

void Connection::open() {
    close();
    const QString path = dataSource();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw AppError(QStringLiteral("Não foi possível encontrar o arquivo '%1'.").arg(path));
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                          ? QSqlDatabase::database(m_connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // mode=rw: SQLite must not create a missing file.
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open())
        throw AppError(db.lastError().text());
    try {
        // Rollback journal and full sync: safe on shared folders, and a saved record is on disk.
        Schema::exec(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
        Schema::exec(db, QStringLiteral("PRAGMA synchronous = FULL"));
        Schema::exec(db, QStringLiteral("PRAGMA cache_size = -16000"));
        Schema::upgrade(db);
    } catch (const AppError&) {
        db.close();
        throw;
    }
}

void Connection::close() {
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (db.isOpen()) {
        emit disconnected();
        db.close();
    }
}

bool Connection::connected() const {
    return QSqlDatabase::contains(m_connectionName) &&
           QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase Connection::database() const {
    return QSqlDatabase::database(m_connectionName, false);
}
