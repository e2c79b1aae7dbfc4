#pragma once

#include <QString>
#include <QStringList>
#include <span>

// The columns of table clientes, in their fixed order.
namespace Columns {

enum class Kind { Number, Text, Date, Time, LongText };

struct Column {
    QString name;
    Kind kind;
    int width; // what an edit bound to the column accepts when typing; 0 = no limit
};

inline const QString kCodigo = QStringLiteral("Código");
inline const QString kTable = QStringLiteral("clientes");

std::span<const Column> all();
int count();
// Position of a column by its exact name, or -1.
int indexOf(const QString& name);
const Column& at(int index);

// The columns offered for word search and ordering carry a folded search key; date columns
// also a chronological key. (Bases made before keep keys of other columns, no longer read
// or written.)
bool hasSearchKey(const Column& column);
QString searchKeyName(const QString& column); // "k_AGE_NOME"
QString dateKeyName(const QString& column);   // "d_AGE_DTAAUDIENCIA"
// The case number and the client's CPF also keep their digits alone, so a search by the
// digits finds them however they are punctuated.
bool hasDigitsKey(const QString& column);
QString digitsKeyName(const QString& column); // "n_AGE_PROC"

// The columns offered for word search and ordering; their keys are indexed.
const QStringList& listedColumns();

// A column name as an SQL identifier, any " inside doubled.
QString quoted(const QString& name);

} // namespace Columns
