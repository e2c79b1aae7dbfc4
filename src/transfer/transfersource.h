#pragma once

#include "common/apperror.h"
#include "recordmapping.h"
#include "sourcetable.h"

#include <QVector>
#include <functional>

class Database;

// The old edition's file loaded for the transfer: its records in the list's order, the
// current one, and whether the list has been moved past its last record.
class TransferSource {
  public:
    // Reads a file of the kind chosen: a packed base (unpacked into `unpackedCopy` first),
    // a data packet or a Paradox table. Throws AppError; what was loaded before stays, and
    // so does an earlier `unpackedCopy` unless the new one could be read.
    enum class File { Packed, Packet, Table };
    void load(File file, const QString& path, const QString& unpackedCopy);
    void close();

    bool isOpen() const { return m_open; }
    RecordMapping::SourceKind kind() const { return m_kind; }
    RecordMapping::Layout layout() const;
    const SourceTable& table() const { return m_table; }

    // Rows in the list's order.
    int count() const { return static_cast<int>(m_order.size()); }
    int rowAt(int position) const { return m_order[position]; }
    int position() const { return m_position; }
    // Past the last record: nothing left to transfer.
    bool atEnd() const { return !m_open || m_position >= count(); }
    void moveTo(int position);
    void next();

    // "Ordem Numérica": by the old record number; a packet's list alternates between
    // ascending and descending, a table's is always ascending. Moves to the first record.
    // Throws AppError when the source has no AGE_COD column.
    void orderByNumber();

    RecordMapping::Mapped mapCurrent(RecordMapping::Mapped* partial = nullptr) const;
    qint64 currentOldNumber() const;

  private:
    SourceTable m_table;
    RecordMapping::SourceKind m_kind = RecordMapping::SourceKind::Table;
    QVector<int> m_order;
    int m_position = 0;
    bool m_open = false;
    bool m_ascending = false;
};

// A record "<<" could not map or store, with the values mapped for it.
class RecordRefused : public AppError {
  public:
    RecordRefused(const AppError& error, RecordMapping::Mapped mapped)
        : AppError(error.message()), values(std::move(mapped)) {}
    RecordMapping::Mapped values;
};

// The records "<<" stores in one transaction when it adds a few to a larger base: other
// machines wait for one block at most.
inline constexpr int kTransferBlock = 10000;

// "<<": stores every record from the current one on, through the record writer, a block
// of records per transaction, or, when they at least double a base file, all of them in one
// transaction whose indexes are built once at the end. Stops at a record that cannot be mapped or stored: the
// records before it stay stored and RecordRefused is thrown. The source stays on that
// record, except that a table's list has already moved past a record it could not store.
// Any other failure (the base held by another machine, a block that could not be
// committed) throws AppError: the block in progress is not stored and the source is back
// at its first record. Gives the number of records stored.
int transferAll(TransferSource& source, const Database& db, const std::function<void(int)>& progress);
