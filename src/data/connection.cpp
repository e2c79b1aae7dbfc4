#include "connection.h"

#include "common/apperror.h"
#include "nativequery.h"
#include "schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

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

namespace {

const QString kProvider = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=");

// A value as a connection text holds it: quoted, quotes doubled, when it holds ";" or
// starts with a quote.
QString textValue(const QString& value) {
    if (!value.contains(u';') && !value.startsWith(u'"') && !value.startsWith(u'\''))
        return value;
    QString quoted = value;
    return u'"' + quoted.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

QString Connection::startupText(const QString& folder) {
    return kProvider + textValue(folder + QStringLiteral("base.mdb")) +
           QStringLiteral(";Persist Security Info=False;");
}

QString Connection::networkText(const QString& folder) {
    return kProvider + textValue(folder + QStringLiteral("base.mdb")) + u';';
}

QString Connection::valueOf(const QString& connectionText, const QString& key) {
    qsizetype i = 0;
    const qsizetype size = connectionText.size();
    while (i < size) {
        const qsizetype equals = connectionText.indexOf(u'=', i);
        if (equals < 0)
            break;
        const QString name = connectionText.mid(i, equals - i).trimmed();
        i = equals + 1;
        while (i < size && connectionText.at(i) == u' ')
            ++i;
        QString value;
        if (i < size && (connectionText.at(i) == u'"' || connectionText.at(i) == u'\'')) {
            const QChar quote = connectionText.at(i++);
            while (i < size) {
                if (connectionText.at(i) == quote) {
                    if (i + 1 < size && connectionText.at(i + 1) == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connectionText.at(i++);
            }
            const qsizetype end = connectionText.indexOf(u';', i);
            i = end < 0 ? size : end + 1;
        } else {
            const qsizetype end = connectionText.indexOf(u';', i);
            value = connectionText.mid(i, (end < 0 ? size : end) - i).trimmed();
            i = end < 0 ? size : end + 1;
        }
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString Connection::dataSource() const {
    return valueOf(m_connectionString, QStringLiteral("Data Source"));
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
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
    if (!db.open())
        throw AppError(QStringLiteral("A base de dados %1 não pôde ser aberta.\n\nDetalhe: %2")
                           .arg(path, db.lastError().text()));
    try {
        // The rollback journal, never WAL: WAL needs shared memory that machines reaching the
        // base through a network folder do not share, and SQLite advises against it there.
        // Full sync: a saved record is on disk when "Gravar" returns.
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

QString Connection::readOnlyReason() const {
    if (!connected())
        return {};
    const QString path = dataSource();
    if (sqlite3_db_readonly(NativeQuery::handleOf(database()), "main") == 1)
        return QStringLiteral("o arquivo %1 não permite gravação").arg(path);
    const QString folder = QFileInfo(path).absolutePath();
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return QStringLiteral("a pasta %1 não permite gravação").arg(folder);
    return {};
}

QSqlDatabase Connection::database() const {
    return QSqlDatabase::database(m_connectionName, false);
}
