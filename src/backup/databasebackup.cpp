#include "databasebackup.h"

#include "common/apperror.h"
#include "common/folders.h"
#include "common/progress.h"
#include "data/columns.h"
#include "data/history.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace DatabaseBackup {

namespace {

// An open SQLite handle on a file of ours, closed with the object.
struct File {
    sqlite3* db = nullptr;
    ~File() { sqlite3_close(db); }
};

QString errorOf(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("sem memória");
}

void openFile(File& file, const QString& path, int flags) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &file.db, flags, nullptr) != SQLITE_OK)
        throw AppError(errorOf(file.db));
}

void run(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw AppError(errorOf(db));
}

// Pages copied at a time, between two moves of the progress.
constexpr int kPagesPerStep = 1024;

// A read transaction on the source for the life of the object: no other machine can
// change the base meanwhile, so the copy, taken in steps, is the base as it stood at one
// moment.
class ReadLock {
  public:
    explicit ReadLock(sqlite3* db) : m_db(db) {
        run(db, "BEGIN");
        run(db, "SELECT count(*) FROM sqlite_master");
    }
    ~ReadLock() { sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

  private:
    sqlite3* m_db;
};

void snapshot(sqlite3* source, const QString& path) {
    File copy;
    openFile(copy, path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // A file of our own under a temporary name needs no journal; it is made durable once,
    // whole, before it gets its name.
    run(copy.db, "PRAGMA journal_mode = OFF");
    run(copy.db, "PRAGMA synchronous = OFF");
    const ReadLock lock(source);
    sqlite3_backup* backup = sqlite3_backup_init(copy.db, "main", source, "main");
    if (!backup)
        throw AppError(errorOf(copy.db));
    int step = SQLITE_OK;
    while (step == SQLITE_OK) {
        step = sqlite3_backup_step(backup, kPagesPerStep);
        const int total = sqlite3_backup_pagecount(backup);
        Progress::begin(total);
        Progress::step(total - sqlite3_backup_remaining(backup));
    }
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE)
        throw AppError(NativeQuery::errorMessage(source, step));
}

// A server's base, read in one snapshot (one repeatable-read transaction, so every record
// is as it stood when the copy began, whatever other stations write meanwhile), written
// with its history into a new base file that opens on any station with no server at all.
void serverSnapshot(const Database& source, const QString& path) {
    constexpr int kFetched = 5000;
    const Database copy = Database::openFile(path, true);
    NativeQuery::exec(copy, QStringLiteral("PRAGMA journal_mode = OFF"));
    NativeQuery::exec(copy, QStringLiteral("PRAGMA synchronous = OFF"));
    NativeQuery::exec(copy, QStringLiteral("PRAGMA cache_size = -262144"));
    Schema::create(copy, false);
    source.beginSnapshot();
    try {
        const qint64 total =
            NativeQuery::integers(source, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0);
        Progress::begin(static_cast<int>(total));
        QStringList names;
        for (const auto& column : Columns::all())
            names << Columns::quoted(column.name);
        NativeQuery::exec(
            source, QStringLiteral("DECLARE copia NO SCROLL CURSOR FOR SELECT %1 FROM clientes ORDER BY %2")
                        .arg(names.join(u','), Columns::quoted(Columns::kCodigo)));
        RecordWriter writer(copy);
        writer.copyingAHistory();
        qint64 copied = 0;
        for (bool more = true; more;) {
            NativeQuery::Statement fetch(source, QStringLiteral("FETCH %1 FROM copia").arg(kFetched));
            more = false;
            while (fetch.step()) {
                Schema::Record record = Schema::emptyRecord();
                for (int column = 0; column < Columns::count(); ++column)
                    record[column] = fetch.text(column);
                writer.insertMany(record);
                more = true;
                ++copied;
            }
            Progress::step(static_cast<int>(copied));
        }
        Schema::createIndexes(copy);
        History::copyEvents(source, copy);
        Schema::setIdentity(copy, Schema::identity(source));
        writer.commit();
        source.rollback();
        if (copied != total)
            throw AppError(QStringLiteral("A cópia tem %1 dos %2 registros da base.").arg(copied).arg(total));
    } catch (const AppError&) {
        try {
            source.rollback();
        } catch (const AppError&) {
            // The snapshot's end changes nothing: the failure is the one to report.
        }
        throw;
    }
}

// Every page of the copy is read and its tree structure and records checked. The full
// integrity check would also match every index entry against its row, which a page-for-page
// copy cannot change and which takes ten times as long on a large base.
void check(const QString& path) {
    File copy;
    openFile(copy, path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    QString result;
    if (sqlite3_prepare_v2(copy.db, "PRAGMA quick_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (result != QStringLiteral("ok"))
        throw AppError(QStringLiteral("A cópia da base de dados não passou na verificação: %1").arg(result));
}

QString thisStation() {
    QString host = QSysInfo::machineHostName();
    host.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return host.isEmpty() ? QStringLiteral("estacao") : host;
}

// Partial copies a backup killed half-way left in `folder`: this station's whose program
// has ended, and any a day old (another station's that long is not a backup in progress).
// One named as earlier versions named them, without its station, counts once an hour old.
void removeLeftovers(const QString& folder) {
    static const QRegularExpression named(QStringLiteral(R"(^base.*\.mdb\.(.+)-(\d+)\.parcial$)"));
    static const QRegularExpression unnamed(QStringLiteral(R"(^base.*\.mdb\.parcial$)"));
    const QDateTime now = QDateTime::currentDateTime();
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("base*.parcial")}, QDir::Files)) {
        bool left = false;
        if (const auto match = named.match(file.fileName()); match.hasMatch()) {
            const auto pid = static_cast<pid_t>(match.captured(2).toLongLong());
            const bool ended = match.captured(1) == thisStation() && ::kill(pid, 0) != 0 && errno == ESRCH;
            left = ended || file.lastModified() < now.addDays(-1);
        } else if (unnamed.match(file.fileName()).hasMatch()) {
            left = file.lastModified() < now.addSecs(-3600);
        }
        if (left)
            QFile::remove(file.filePath());
    }
}

} // namespace

QString targetName(const QString& folder, const QDateTime& when) {
    const QString stem =
        folder + QStringLiteral("base") + when.toString(QStringLiteral("dd-MM-yyyy-HH-mm-ss"));
    QString name = stem + QStringLiteral(".mdb");
    for (int copy = 2; QFileInfo::exists(name); ++copy)
        name = stem + QStringLiteral("-%1.mdb").arg(copy);
    return name;
}

bool sameFolder(const QString& first, const QString& second) {
    const auto resolved = [](const QString& folder) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
    };
    return resolved(first) == resolved(second);
}

QString partialName(const QString& target) {
    return QStringLiteral("%1.%2-%3.parcial")
        .arg(target, thisStation())
        .arg(QCoreApplication::applicationPid());
}

void copy(const Database& source, const QString& target) {
    const QString partial = partialName(target);
    removeLeftovers(QFileInfo(target).absolutePath());
    QFile::remove(partial);
    const Progress::Scope progress(0);
    try {
        if (source.isServer())
            serverSnapshot(source, partial);
        else
            snapshot(source.fileHandle(), partial);
        Progress::begin(0); // checked and written to disk: no count to show
        QFile written(partial);
        if (written.open(QIODevice::ReadWrite)) // the disk starts writing while the copy is checked
            ::sync_file_range(written.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
        check(partial);
        Folders::syncToDisk(partial);
        if (!QFile::rename(partial, target))
            throw AppError(QStringLiteral("Não foi possível dar o nome %1 à cópia.").arg(target));
        Folders::syncFolder(QFileInfo(target).absolutePath());
    } catch (const AppError&) {
        QFile::remove(partial);
        throw;
    }
}

} // namespace DatabaseBackup
