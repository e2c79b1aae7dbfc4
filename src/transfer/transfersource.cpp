#include "transfersource.h"

#include "common/apperror.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "packetreader.h"
#include "paradoxreader.h"
#include "unpacker.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <numeric>
#include <stdio.h>

namespace {

// The packed base is unpacked under a temporary name beside `copy`, and takes that name
// only once the packet in it has been read whole: a damaged or cut file never leaves a
// partial copy behind, nor spoils the copy of an earlier load.
SourceTable loadPacked(const QString& path, const QString& copy) {
    const QString partial = copy + QStringLiteral(".parcial");
    try {
        const Unpacker::Outcome outcome = Unpacker::DescomprimeClick(path, partial);
        SourceTable table;
        try {
            table = PacketReader::read(partial);
        } catch (const AppError&) {
            if (outcome == Unpacker::Outcome::CutShort)
                throw AppError(QStringLiteral("O arquivo %1 termina antes do fim dos dados compactados; ele "
                                              "está incompleto.")
                                   .arg(QFileInfo(path).fileName()));
            throw;
        }
        if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(copy).constData()) != 0)
            throw AppError(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(copy));
        return table;
    } catch (const AppError&) {
        QFile::remove(partial);
        throw;
    }
}

} // namespace

void TransferSource::load(File file, const QString& path, const QString& unpackedCopy) {
    SourceTable table;
    switch (file) {
    case File::Packed:
        table = loadPacked(path, unpackedCopy);
        break;
    case File::Packet:
        table = PacketReader::read(path);
        break;
    case File::Table:
        table = ParadoxReader::read(path);
        break;
    }
    m_table = std::move(table);
    m_kind = file == File::Table ? RecordMapping::SourceKind::Table : RecordMapping::SourceKind::Packet;
    m_order.resize(m_table.rowCount());
    std::iota(m_order.begin(), m_order.end(), 0);
    m_position = 0;
    m_open = true;
    // Each packet's list starts ascending at its first "Ordem Numérica".
    m_ascending = false;
}

void TransferSource::close() {
    m_table = SourceTable();
    m_order.clear();
    m_position = 0;
    m_open = false;
}

RecordMapping::Layout TransferSource::layout() const {
    return RecordMapping::layoutOf(m_kind, m_table.columnCount());
}

void TransferSource::moveTo(int position) {
    m_position = std::clamp(position, 0, count());
}

void TransferSource::next() {
    if (m_position < count())
        ++m_position;
}

void TransferSource::orderByNumber() {
    if (!m_open)
        return;
    const int column = m_table.columnIndex(QStringLiteral("AGE_COD"));
    if (column < 0)
        throw AppError(
            QStringLiteral("A base de origem não tem o campo AGE_COD; a lista fica na ordem do arquivo."));
    const bool ascending = m_kind == RecordMapping::SourceKind::Table || !m_ascending;
    const std::vector<std::optional<qint64>> numbers = m_table.wholeNumbers(column);
    QVector<std::pair<std::optional<qint64>, int>> keys;
    keys.reserve(count());
    for (int row = 0; row < m_table.rowCount(); ++row)
        keys.append({numbers[static_cast<size_t>(row)], row});
    // Records without a number come first, as empty values do in an ascending order.
    std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : b.first < a.first;
    });
    for (int i = 0; i < count(); ++i)
        m_order[i] = keys[i].second;
    m_ascending = ascending;
    m_position = 0;
}

RecordMapping::Mapped TransferSource::mapCurrent(RecordMapping::Mapped* partial) const {
    return RecordMapping::map(m_table, rowAt(m_position), layout(), partial);
}

qint64 TransferSource::currentOldNumber() const {
    return RecordMapping::oldNumber(m_table, rowAt(m_position));
}

namespace {

// The record a batch refused, found again in the source: the source is left on it (a
// table's list past it), and its values mapped for the message.
RecordRefused refusedInBatch(TransferSource& source, const RecordWriter::BatchRefused& refused,
                             int position) {
    source.moveTo(position);
    RecordMapping::Mapped mapped;
    try {
        source.mapCurrent(&mapped);
    } catch (const AppError&) {
        // It was mapped once; what was mapped of it is shown all the same.
    }
    if (source.kind() == RecordMapping::SourceKind::Table)
        source.next();
    return RecordRefused(refused, mapped);
}

} // namespace

namespace {

// A transfer that at least doubles a base file is written in one transaction that drops the
// search keys' indexes first and builds them again once at the end, many times faster than
// keeping them up to date record by record. Other stations go on with the base as it was
// until the transaction ends, and a transfer that fails leaves it so.
bool inOneGo(const TransferSource& source, const Database& db) {
    if (db.isServer())
        return false;
    const qint64 present =
        NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0);
    const qint64 coming = source.count() - source.position();
    return coming >= std::max<qint64>(kTransferBlock, present);
}

} // namespace

int transferAll(TransferSource& source, const Database& db, const std::function<void(int)>& progress) {
    const bool whole = inOneGo(source, db);
    const int blockSize = whole ? std::numeric_limits<int>::max() : kTransferBlock;
    int stored = 0;
    while (!source.atEnd()) {
        RecordWriter writer(db);
        if (whole)
            Schema::dropIndexes(db);
        const int blockStart = source.position();
        int inBlock = 0; // records of the block given to the writer, and not refused
        std::optional<RecordRefused> refusal;
        // The records a server has not been sent yet start here in the block.
        const auto firstPending = [&] { return inBlock - static_cast<int>(writer.pending()); };
        const auto batchRefused = [&](const RecordWriter::BatchRefused& refused, int batchStart) {
            inBlock = batchStart + static_cast<int>(refused.stored);
            refusal.emplace(refusedInBatch(source, refused, blockStart + inBlock));
        };
        for (; inBlock < blockSize && !source.atEnd(); ++inBlock) {
            RecordMapping::Mapped mapped;
            Schema::Record record;
            try {
                record = RecordMapping::toRecord(source.mapCurrent(&mapped));
            } catch (const AppError& error) {
                refusal.emplace(error, mapped);
                break;
            }
            const int batchStart = firstPending();
            try {
                writer.insertMany(record);
            } catch (const RecordWriter::BatchRefused& refused) {
                batchRefused(refused, batchStart);
                break;
            } catch (const AppError& error) {
                refusal.emplace(error, mapped);
                if (source.kind() == RecordMapping::SourceKind::Table)
                    source.next(); // the table's list moves before its record is stored
                break;
            }
            source.next();
            if (progress)
                progress(stored + inBlock + 1);
        }
        // The records before a refused one are kept.
        try {
            if (!refusal) {
                const int batchStart = firstPending();
                try {
                    writer.flush();
                } catch (const RecordWriter::BatchRefused& refused) {
                    batchRefused(refused, batchStart);
                }
            }
            if (whole)
                Schema::createIndexes(db);
            writer.commit();
        } catch (const AppError&) {
            source.moveTo(blockStart);
            throw;
        }
        stored += inBlock;
        if (refusal)
            throw *refusal;
    }
    return stored;
}
