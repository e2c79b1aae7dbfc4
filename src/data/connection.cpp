#include "connection.h"

#include "common/apperror.h"
#include "nativequery.h"
#include "schema.h"
#include "server.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

Connection::Connection(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ADOConnection1"));
}

Connection::~Connection() {
    close();
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
    if (isServer())
        return Server::displayName(m_connectionString);
    return valueOf(m_connectionString, QStringLiteral("Data Source"));
}

void Connection::open() {
    close();
    Database db;
    if (isServer()) {
        db = openServer();
    } else {
        const QString path = dataSource();
        if (path.isEmpty() || !QFileInfo(path).isFile())
            throw AppError(QStringLiteral("Não foi possível encontrar o arquivo '%1'.").arg(path));
        db = Database::openFile(path, false, m_busyTimeout);
    }
    try {
        if (!db.isServer()) {
            // The rollback journal, never WAL: WAL needs shared memory that machines reaching
            // the base through a network folder do not share, and SQLite advises against it
            // there. Full sync: a saved record is on disk when "Gravar" returns.
            NativeQuery::exec(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
            NativeQuery::exec(db, QStringLiteral("PRAGMA synchronous = FULL"));
            NativeQuery::exec(db, QStringLiteral("PRAGMA cache_size = -16000"));
        }
        Schema::upgrade(db);
    } catch (const AppError&) {
        db.close();
        throw;
    }
    m_db = db;
    emit opened();
}

// The password the user types when the server asks for one is kept in memory only, for
// the connections made again later.
Database Connection::openServer() {
    for (int asked = 0;; ++asked) {
        try {
            return Database::openServer(m_connectionString, m_password, m_busyTimeout);
        } catch (const PasswordNeeded& needed) {
            if (!m_passwordPrompt || asked >= 3)
                throw;
            const std::optional<QString> typed =
                m_passwordPrompt(Server::displayName(m_connectionString), asked > 0);
            if (!typed)
                throw;
            m_password = *typed;
        }
    }
}

void Connection::close() {
    if (!m_db.isOpen())
        return;
    emit disconnected();
    m_db.close();
    m_db = Database();
}

bool Connection::connected() const {
    return m_db.isOpen();
}

bool Connection::isServer() const {
    return Database::isServerText(m_connectionString);
}

QString Connection::readOnlyReason() const {
    if (!connected())
        return {};
    if (m_db.isServer())
        return serverReadOnlyReason();
    const QString path = dataSource();
    if (sqlite3_db_readonly(m_db.fileHandle(), "main") == 1)
        return QStringLiteral("o arquivo %1 não permite gravação").arg(path);
    const QString folder = QFileInfo(path).absolutePath();
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return QStringLiteral("a pasta %1 não permite gravação").arg(folder);
    return {};
}

QString Connection::serverReadOnlyReason() const {
    NativeQuery::Statement rights(
        m_db, QStringLiteral(
                  "SELECT current_user, has_table_privilege('clientes', 'INSERT') AND "
                  "has_table_privilege('clientes', 'UPDATE') AND has_table_privilege('clientes', 'DELETE'), "
                  "current_setting('transaction_read_only') = 'on'"));
    if (!rights.step())
        return {};
    if (rights.integer(2) != 0)
        return QStringLiteral("o servidor %1 só aceita leituras").arg(dataSource());
    if (rights.integer(1) == 0)
        return QStringLiteral("o usuário %1 não tem permissão para gravar nela no servidor")
            .arg(rights.text(0));
    return {};
}

Database Connection::database() const {
    return m_db;
}
