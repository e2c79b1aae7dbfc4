#include "windowsbase.h"

#include "app/apperror.h"
#include "columns.h"
#include "nativequery.h"
#include "recordwriter.h"
#include "schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <mdbtools.h>
#include <memory>
#include <unistd.h>

namespace WindowsBase {

namespace {

// Notes longer than this would be cut by the reader; a base holding one is refused.
constexpr size_t kLongestValue = 1 << 20;

QString baseName(const QString& path) {
    return QFileInfo(path).fileName();
}

[[noreturn]] void unreadable(const QString& path, const QString& why) {
    throw AppError(
        QStringLiteral("A base de dados da versão para Windows %1 não pôde ser lida inteira: %2 Ela não "
                       "foi alterada.")
            .arg(baseName(path), why));
}

struct Handle {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    ~Handle() {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

QString uniqueName(const QString& folder, const QString& stem) {
    QString name = folder + stem + QStringLiteral(".mdb");
    for (int copy = 2; QFileInfo::exists(name); ++copy)
        name = folder + stem + QStringLiteral("-%1.mdb").arg(copy);
    return name;
}

// Keeps the original under `kept` while base.mdb stays in place: a second name for the
// same file where the folder allows it, else a copy.
void keepOriginal(const QString& base, const QString& kept) {
    if (::link(QFile::encodeName(base).constData(), QFile::encodeName(kept).constData()) == 0)
        return;
    if (!QFile::copy(base, kept))
        throw AppError(
            QStringLiteral("Não foi possível guardar a base original como %1.").arg(baseName(kept)));
}

QString integrityOf(const QSqlDatabase& db) {
    NativeQuery::Statement check(db, QStringLiteral("PRAGMA integrity_check"));
    return check.step() ? check.text(0) : QString();
}

} // namespace

bool isJetFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.size() == 20 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

SourceTable readClientes(const QString& path, const std::function<void(int, int)>& progress) {
    const qint64 size = QFileInfo(path).size();
    Handle handle;
    handle.mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!handle.mdb)
        unreadable(path, QStringLiteral("o arquivo não pôde ser aberto."));
    if (size % handle.mdb->fmt->pg_size != 0)
        unreadable(path, QStringLiteral("o arquivo está incompleto."));
    mdb_set_date_fmt(handle.mdb, "%d/%m/%Y");
    mdb_set_bind_size(handle.mdb, kLongestValue);
    char tableName[] = "clientes";
    handle.table = mdb_read_table_by_name(handle.mdb, tableName, MDB_TABLE);
    if (!handle.table || !mdb_read_columns(handle.table))
        unreadable(path, QStringLiteral("a tabela clientes não foi encontrada."));

    // Each column of clientes found in the file gets a buffer of its own.
    SourceTable table;
    for (const auto& column : Columns::all())
        table.columns << column.name;
    std::vector<std::unique_ptr<char[]>> buffers(Columns::count());
    std::vector<int> lengths(Columns::count(), 0);
    int found = 0;
    for (unsigned int i = 0; i < handle.table->num_cols; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(handle.table->columns, i));
        const int position = Columns::indexOf(QString::fromUtf8(column->name));
        if (position < 0 || buffers[position])
            continue;
        buffers[position] = std::make_unique_for_overwrite<char[]>(kLongestValue);
        mdb_bind_column(handle.table, static_cast<int>(i) + 1, buffers[position].get(), &lengths[position]);
        ++found;
    }
    if (!buffers[0] || found < 2)
        unreadable(path, QStringLiteral("a tabela clientes não tem os campos esperados."));
    mdb_rewind_table(handle.table);
    const int expected = static_cast<int>(handle.table->num_rows);
    QStringList values(Columns::count());
    while (mdb_fetch_row(handle.table)) {
        for (int column = 0; column < Columns::count(); ++column) {
            if (!buffers[column])
                continue;
            if (static_cast<size_t>(lengths[column]) >= kLongestValue - 1)
                unreadable(path, QStringLiteral("uma anotação é longa demais."));
            values[column] = QString::fromUtf8(buffers[column].get(), lengths[column]);
        }
        table.addRow(values);
        if (progress)
            progress(table.rowCount(), expected);
    }
    if (table.rowCount() != expected)
        unreadable(path,
                   QStringLiteral("foram lidos %1 dos %2 registros.").arg(table.rowCount()).arg(expected));
    return table;
}

void writeBase(const SourceTable& records, const QString& path, const std::function<void(int)>& progress) {
    const QString connection = QStringLiteral("velmora-conversion");
    try {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            if (!db.open())
                throw AppError(QStringLiteral("Não foi possível criar a nova base %1.").arg(path));
            // The indexes are built once at the end, far faster than row by row, and the
            // whole new base is held in memory while it is built and checked.
            NativeQuery::exec(db, QStringLiteral("PRAGMA cache_size = -262144"));
            Schema::create(db, false);
            RecordWriter writer(db);
            for (int row = 0; row < records.rowCount(); ++row) {
                Schema::Record record = Schema::emptyRecord();
                for (int column = 0; column < Columns::count(); ++column)
                    record[column] = records.value(row, column);
                if (record[0].toLongLong() <= 0)
                    throw AppError(QStringLiteral("Um registro da base original não tem número (Código)."));
                writer.insert(record);
                if (progress)
                    progress(row + 1);
            }
            Schema::createIndexes(db);
            writer.commit();
            const qint64 stored =
                NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0);
            const QString check = integrityOf(db);
            db.close();
            if (stored != records.rowCount() || check != QStringLiteral("ok"))
                throw AppError(QStringLiteral("A nova base não conferiu com a original (%1 de %2 registros; "
                                              "verificação: %3).")
                                   .arg(stored)
                                   .arg(records.rowCount())
                                   .arg(check));
        }
        QSqlDatabase::removeDatabase(connection);
    } catch (const AppError&) {
        QSqlDatabase::removeDatabase(connection);
        QFile::remove(path);
        throw;
    }
}

Converted convert(const QString& folder, const std::function<void(int, int)>& progress) {
    const QString base = folder + QStringLiteral("base.mdb");
    const SourceTable records = readClientes(base, [&progress](int done, int total) {
        if (progress)
            progress(done, 2 * total);
    });
    const int total = records.rowCount();
    const QString converting = folder + QStringLiteral("base-convertendo.mdb");
    QFile::remove(converting);
    writeBase(records, converting, [&progress, total](int done) {
        if (progress)
            progress(total + done, 2 * total);
    });
    const QString kept = uniqueName(folder, QStringLiteral("base-windows"));
    try {
        keepOriginal(base, kept);
    } catch (const AppError&) {
        QFile::remove(converting);
        throw;
    }
    if (::rename(QFile::encodeName(converting).constData(), QFile::encodeName(base).constData()) != 0) {
        QFile::remove(kept);
        QFile::remove(converting);
        throw AppError(QStringLiteral("Não foi possível pôr a nova base no lugar da original."));
    }
    return {total, kept};
}

} // namespace WindowsBase
