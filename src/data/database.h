#pragma once

#include "common/apperror.h"

#include <QString>
#include <memory>

struct sqlite3;
struct pg_conn;

// A connection to a case base, of either storage: an SQLite file (the base in a folder), or
// a PostgreSQL server reached through libpq (an office's server). A cheap handle: copies
// share the connection, which closes with the last of them or with close(). Statements on
// it are NativeQuery::Statement, written once with "?" for their values.
class Database {
  public:
    enum class Kind { File, Server };

    Database();

    // Opens a base file for reading and writing, or for reading only when that is all the
    // file allows; `create` makes a new one where there is none. A statement waits up to
    // `busyTimeout` ms for another machine's lock. Throws AppError.
    static Database openFile(const QString& path, bool create = false, int busyTimeout = 10000);
    // Connects to a server by a libpq connection text (a postgresql:// URI, a service, or
    // key=value pairs), with a password given by the user, never stored, when libpq finds
    // none in ~/.pgpass or the service file. A statement waits up to `lockTimeout` ms for
    // another station's lock. Throws PasswordNeeded when the server asks for a password
    // it was not given, AppError for any other failure, in Portuguese with libpq's text as
    // a detail.
    static Database openServer(const QString& connectionText, const QString& password = {},
                               int lockTimeout = 10000);
    // Whether a connection text names a server rather than a folder.
    static bool isServerText(const QString& text);

    bool isOpen() const;
    Kind kind() const;
    bool isServer() const { return isOpen() && kind() == Kind::Server; }
    // What messages name: the file's path, or the server's connection text.
    QString name() const;
    void close();

    // The storage's own handles, for what only it offers (SQLite's backup, libpq's COPY).
    // Throw AppError when the connection is closed or of the other kind.
    sqlite3* fileHandle() const;
    pg_conn* serverHandle() const;

    // A transaction that will write (the file is locked for writing at once, so that a
    // write never finds another machine's lock half-way), one that reads a single
    // snapshot of the base however others write meanwhile, and their end.
    void beginWrite() const;
    void beginSnapshot() const;
    void commit() const;
    void rollback() const;

  private:
    struct Handle;
    explicit Database(std::shared_ptr<Handle> handle);
    const Handle& handle() const;
    void endTransaction(const QString& sql) const;

    std::shared_ptr<Handle> m_handle;
};

// A server that asks for a password it was not given, or refused the one given.
class PasswordNeeded : public AppError {
  public:
    using AppError::AppError;
};

// A record the base would not store for what it holds: a number another record has, or a
// value its column cannot take. Other records of the same batch may be stored.
class RecordNotStored : public AppError {
  public:
    using AppError::AppError;
};
