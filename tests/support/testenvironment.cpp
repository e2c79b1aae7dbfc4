#include "testenvironment.h"

#include "common/apperror.h"
#include "common/folders.h"
#include "data/columns.h"
#include "data/recordwriter.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

template <typename Work> void withDatabase(const QString& path, Work work) {
    const QString name = QStringLiteral("test-environment");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The base at `path` opened as the program opens it.
Database openBase(const QString& path, bool create = false) {
    try {
        return Database::openFile(path, create);
    } catch (const AppError& error) {
        qFatal("cannot open %s: %s", qPrintable(path), qPrintable(error.message()));
    }
}

} // namespace

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
    Schema::create(openBase(basePath(), true));
}

void TestEnvironment::addRecords(const QList<QMap<QString, QString>>& records) {
    addRecords(basePath(), records);
}

void TestEnvironment::addRecords(const QString& basePath, const QList<QMap<QString, QString>>& records) {
    addRecords(openBase(basePath), records);
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
    qint64 count = -1;
    withDatabase(basePath(), [&count](QSqlDatabase& db) {
        QSqlQuery query(QStringLiteral("SELECT count(*) FROM clientes"), db);
        if (query.next())
            count = query.value(0).toLongLong();
    });
    return count;
}

QString TestEnvironment::storedText(qint64 code, const QString& column) const {
    QString text;
    withDatabase(basePath(), [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(
            QStringLiteral("SELECT %1 FROM clientes WHERE \"Código\" = ?").arg(Columns::quoted(column)));
        query.bindValue(0, code);
        if (query.exec() && query.next())
            text = query.value(0).toString();
    });
    return text;
}
