#include "databasebackup.h"

#include "common/apperror.h"
#include "data/nativequery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

void snapshot(sqlite3* source, const QString& path) {
    File copy;
    openFile(copy, path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // A file of our own under a temporary name needs no journal; it is made durable once,
    // whole, before it gets its name.
    run(copy.db, "PRAGMA journal_mode = OFF");
    run(copy.db, "PRAGMA synchronous = OFF");
    sqlite3_backup* backup = sqlite3_backup_init(copy.db, "main", source, "main");
    if (!backup)
        throw AppError(errorOf(copy.db));
    // One step holds the source's read lock throughout: the copy is the base as it stood
    // at one moment, whatever other machines write meanwhile.
    const int step = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE)
        throw AppError(NativeQuery::errorMessage(source, step));
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

void syncToDisk(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || ::fsync(file.handle()) != 0)
        throw AppError(
            QStringLiteral("Não foi possível gravar a cópia no disco: %1").arg(file.errorString()));
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

void copy(const QSqlDatabase& source, const QString& target) {
    const QString partial = target + QStringLiteral(".parcial");
    QFile::remove(partial);
    try {
        snapshot(NativeQuery::handleOf(source), partial);
        QFile written(partial);
        if (written.open(QIODevice::ReadWrite)) // the disk starts writing while the copy is checked
            ::sync_file_range(written.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
        check(partial);
        syncToDisk(partial);
        if (!QFile::rename(partial, target))
            throw AppError(QStringLiteral("Não foi possível dar o nome %1 à cópia.").arg(target));
    } catch (const AppError&) {
        QFile::remove(partial);
        throw;
    }
}

} // namespace DatabaseBackup
