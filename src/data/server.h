#pragma once

#include "nativequery.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

struct pg_conn;
struct pg_result;

// The PostgreSQL storage of the data layer, through libpq: connecting, statements with
// binary results (a result is read in one round trip), COPY for many rows at once, and
// the failures a user can meet said in Portuguese.
namespace Server {

// Throws PasswordNeeded or AppError (see Database::openServer).
pg_conn* connect(const QString& connectionText, const QString& password, int lockTimeout);
void disconnect(pg_conn* connection);
// A connection the server dropped (restarted, or the network gone a while) made again, with
// its settings; false while the server cannot be reached.
bool reconnect(pg_conn* connection, int lockTimeout);

// The connection text as a message shows it: a password written in it is hidden.
QString displayName(const QString& connectionText);

std::unique_ptr<NativeQuery::StatementImpl> statement(pg_conn* connection, const QString& sql);
// Runs a statement without values; throws AppError.
void exec(pg_conn* connection, const QString& sql);

// Writes rows into `table` with COPY: each row's values in the order of `columns`, a null
// QVariant for NULL. Throws AppError.
void copyRows(pg_conn* connection, const QString& table, const QStringList& columns,
              const QVector<QVariantList>& rows);

// A failure of a statement as a sentence in Portuguese, the server's own text as a detail.
QString errorMessage(pg_conn* connection, const pg_result* result);

} // namespace Server
