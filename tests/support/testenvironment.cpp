#include "testenvironment.h"

#include "common/apperror.h"
#include "common/folders.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "testserver.h"

#include <QDir>
#include <QTest>

namespace {

// The base at `path` opened as the program opens it.
Database openBaseFile(const QString& path, bool create = false) {
    try {
        return Database::openFile(path, create);
    } catch (const AppError& error) {
        qFatal("cannot open %s: %s", qPrintable(path), qPrintable(error.message()));
    }
}

// A database of its own for each environment, prepared by its owner as an office's is,
// its staff role granted to the login the program uses.
QString createServerBase(const QString& name) {
    TestServer& server = TestEnvironment::server();
    try {
        Schema::prepareServer(Database::openServer(server.createDatabase(name)));
    } catch (const AppError& error) {
        qFatal("cannot prepare %s: %s", qPrintable(name), qPrintable(error.message()));
    }
    server.sql(name, QStringLiteral("GRANT %1 TO %2").arg(Schema::kStaffRole, TestEnvironment::staffLogin()));
    return server.uri(name, TestEnvironment::staffLogin());
}

} // namespace

// The process's server, started at the first base made on it, with the staff login.
TestServer& TestEnvironment::server() {
    static TestServer server;
    static const bool ready = [] {
        if (!server.running())
            qFatal("%s", qPrintable(server.failure()));
        server.sql(QStringLiteral("postgres"), QStringLiteral("CREATE ROLE %1 LOGIN").arg(staffLogin()));
        return true;
    }();
    Q_UNUSED(ready);
    return server;
}

bool TestEnvironment::onServer() {
    return qEnvironmentVariableIntValue("VELMORA_TESTE_SERVIDOR") == 1;
}

TestEnvironment::TestEnvironment()
    : m_oldDataHome(qgetenv("XDG_DATA_HOME")), m_oldRuntime(qgetenv("XDG_RUNTIME_DIR")) {
    QDir().mkpath(root() + QStringLiteral("run"));
    QFile::setPermissions(root() + QStringLiteral("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(root() + QStringLiteral("data"));
    QDir().mkpath(programFolder());
    qputenv("XDG_DATA_HOME", QFile::encodeName(root() + QStringLiteral("data")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root() + QStringLiteral("run")));
}

TestEnvironment::~TestEnvironment() {
    qputenv("XDG_DATA_HOME", m_oldDataHome);
    qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
}

QString TestEnvironment::settingsFolder() const {
    return Folders::settingsFolder();
}

void TestEnvironment::install() {
    createDataFolder();
    createSettingsFolder();
    createBase();
    QDir().mkpath(backupFolder());
    QFile backup(settingsFolder() + QStringLiteral("backup.ini"));
    if (!backup.open(QIODevice::WriteOnly) || backup.write(QFile::encodeName(backupFolder())) < 0)
        qFatal("cannot write backup.ini");
}

void TestEnvironment::createDataFolder() {
    QDir().mkpath(programFolder() + QStringLiteral("Dados"));
}

void TestEnvironment::createSettingsFolder() {
    QDir().mkpath(settingsFolder() + QStringLiteral("Dados/comarcas"));
}

void TestEnvironment::createBase() {
    createDataFolder();
    if (!onServer()) {
        Schema::create(openBaseFile(basePath(), true));
        return;
    }
    static int made = 0;
    m_serverDatabase = QStringLiteral("base_%1").arg(++made);
    m_serverText = createServerBase(m_serverDatabase);
    createSettingsFolder();
    TextFile::writeText(settingsFolder() + SettingsFiles::kRede, m_serverText);
}

QString TestEnvironment::connectionText() const {
    return m_serverText.isEmpty() ? Connection::startupText(databaseFolder()) : m_serverText;
}

Database TestEnvironment::holdBase(Hold hold) const {
    try {
        if (m_serverText.isEmpty()) {
            Database db = openBaseFile(basePath());
            const char* begin[] = {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE", "BEGIN"};
            NativeQuery::exec(db, QString::fromLatin1(begin[static_cast<int>(hold)]));
            if (hold == Hold::Reads)
                NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {});
            return db;
        }
        if (hold == Hold::Reads)
            qFatal("readers hold nobody up on a server");
        Database db = Database::openServer(server().uri(m_serverDatabase));
        db.beginWrite();
        NativeQuery::exec(db, hold == Hold::Writes
                                  ? QStringLiteral("LOCK TABLE clientes IN EXCLUSIVE MODE")
                                  : QStringLiteral("LOCK TABLE clientes IN ACCESS EXCLUSIVE MODE"));
        return db;
    } catch (const AppError& error) {
        qFatal("cannot hold the base: %s", qPrintable(error.message()));
    }
}

QStringList TestEnvironment::storedRows(const QStringList& columns) const {
    return storedRows(openBase(), columns);
}

QStringList TestEnvironment::storedRows(const Database& db, const QStringList& columns) {
    QStringList expressions;
    for (const QString& name : columns)
        expressions << QStringLiteral("coalesce(CAST(%1 AS TEXT), '')").arg(Columns::quoted(name));
    NativeQuery::Statement query(db, QStringLiteral("SELECT %1 FROM clientes ORDER BY \"Código\"")
                                         .arg(expressions.join(QStringLiteral(" || ' ' || "))));
    QStringList rows;
    while (query.step())
        rows << query.text(0);
    return rows;
}

QString TestEnvironment::serverSql(const QString& statements) const {
    return server().sql(m_serverDatabase, statements);
}

Database TestEnvironment::openBase() const {
    if (m_serverText.isEmpty())
        return openBaseFile(basePath());
    try {
        return Database::openServer(m_serverText);
    } catch (const AppError& error) {
        qFatal("cannot reach %s: %s", qPrintable(m_serverText), qPrintable(error.message()));
    }
}

void TestEnvironment::addRecords(const QList<QMap<QString, QString>>& records) {
    addRecords(openBase(), records);
}

void TestEnvironment::addRecords(const QString& basePath, const QList<QMap<QString, QString>>& records) {
    addRecords(openBaseFile(basePath), records);
}

void TestEnvironment::addRecords(const Database& db, const QList<QMap<QString, QString>>& records) {
    try {
        RecordWriter writer(db);
        for (const auto& fields : records) {
            Schema::Record record = Schema::emptyRecord();
            for (auto it = fields.begin(); it != fields.end(); ++it)
                record[Columns::indexOf(it.key())] = it.value();
            writer.insert(record);
        }
        writer.commit();
    } catch (const AppError& error) {
        qFatal("insert failed: %s", qPrintable(error.message()));
    }
}

qint64 TestEnvironment::recordCount() const {
    return NativeQuery::integers(openBase(), QStringLiteral("SELECT count(*) FROM clientes"), {})
        .value(0, -1);
}

QString TestEnvironment::storedText(qint64 code, const QString& column) const {
    NativeQuery::Statement query(
        openBase(),
        QStringLiteral("SELECT %1 FROM clientes WHERE \"Código\" = ?").arg(Columns::quoted(column)));
    query.bindInteger(1, code);
    return query.step() ? query.text(0) : QString();
}
