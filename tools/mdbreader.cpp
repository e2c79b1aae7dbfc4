// velmora-mdb FILE: reads table clientes of a Windows edition's base.mdb (a Jet file) with
// mdbtools' library and writes its records to standard output in the frames of
// JetStream. The program runs it as a child of its own, under a memory limit, so that a
// damaged file that takes the library down takes only this reader with it.

#include "data/columns.h"
#include "data/jetstream.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <mdbtools.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// Values as long as this would be cut by the library; a base holding one is refused.
constexpr size_t kBindSize = JetStream::kLongestValue + 2;

void send(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
        static_cast<size_t>(bytes.size()))
        std::exit(3); // the program went away
}

[[noreturn]] void stop(const QString& message) {
    send(JetStream::errorFrame(message));
    std::fflush(stdout);
    std::exit(2);
}

// Memory and time enough for any real base; a file that makes the library loop or grow
// without end is stopped by the system. A sanitizer build reserves address space of its
// own, so there only the time is limited.
void limitResources() {
#if !defined(__SANITIZE_ADDRESS__)
    const rlim_t memory = rlim_t(2) << 30;
    const rlimit addressSpace{memory, memory};
    setrlimit(RLIMIT_AS, &addressSpace);
#endif
    const rlimit cpu{600, 600};
    setrlimit(RLIMIT_CPU, &cpu);
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

} // namespace

int main(int argc, char* argv[]) {
    limitResources();
    if (argc != 2) {
        std::fputs("uso: velmora-mdb ARQUIVO\n", stderr);
        return 1;
    }
    const QByteArray path = argv[1];
    send(JetStream::magic());
    Handle handle;
    handle.mdb = mdb_open(path.constData(), MDB_NOFLAGS);
    if (!handle.mdb)
        stop(QStringLiteral("o arquivo não pôde ser aberto."));
    if (QFileInfo(QFile::decodeName(path)).size() % handle.mdb->fmt->pg_size != 0)
        stop(QStringLiteral("o arquivo está incompleto."));
    mdb_set_date_fmt(handle.mdb, "%d/%m/%Y");
    mdb_set_bind_size(handle.mdb, kBindSize);
    char tableName[] = "clientes";
    handle.table = mdb_read_table_by_name(handle.mdb, tableName, MDB_TABLE);
    if (!handle.table || !mdb_read_columns(handle.table))
        stop(QStringLiteral("a tabela clientes não foi encontrada."));

    // Each column of clientes found in the file gets a buffer of its own. The lengths are
    // bound by address, so their vector never grows past what it holds from the start.
    QList<QByteArray> names;
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths(static_cast<size_t>(Columns::count()), 0);
    std::vector<bool> taken(static_cast<size_t>(Columns::count()), false);
    for (unsigned int i = 0; i < handle.table->num_cols; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(handle.table->columns, i));
        const int position = Columns::indexOf(QString::fromUtf8(column->name));
        if (position < 0 || taken[static_cast<size_t>(position)])
            continue;
        taken[static_cast<size_t>(position)] = true;
        buffers.push_back(std::make_unique_for_overwrite<char[]>(kBindSize));
        mdb_bind_column(handle.table, static_cast<int>(i) + 1, buffers.back().get(), &lengths[names.size()]);
        names << QByteArray(column->name);
    }
    send(JetStream::columnsFrame(names));
    send(JetStream::countFrame('N', static_cast<qint64>(handle.table->num_rows)));

    mdb_rewind_table(handle.table);
    qint64 sent = 0;
    QList<QByteArrayView> values(names.size());
    while (mdb_fetch_row(handle.table)) {
        for (qsizetype column = 0; column < names.size(); ++column) {
            const size_t length = static_cast<size_t>(std::max(lengths[column], 0));
            if (length >= kBindSize - 1)
                stop(QStringLiteral("uma anotação é longa demais."));
            values[column] = QByteArrayView(buffers[column].get(), static_cast<qsizetype>(length));
        }
        send(JetStream::recordFrame(values));
        ++sent;
    }
    send(JetStream::countFrame('E', sent));
    std::fflush(stdout);
    return 0;
}
