#pragma once

#include "filtering.h"
#include "schema.h"
#include "visiblecodes.h"

#include <QList>
#include <QObject>
#include <QVector>
#include <functional>
#include <unordered_map>

class Connection;
class QTimer;
class RecordReader;

// The one shared record set over table clientes that every window works on: one current
// record, one state, one filter and one order. The visible set is a snapshot of record
// numbers (Código) in the current order under the current filter; record texts are
// fetched in blocks when a grid or the current record needs them.
class SharedTable : public QObject {
    Q_OBJECT
  public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit SharedTable(Connection* connection, QObject* parent = nullptr);

    void open();
    void close();
    // The visible set read again from the base, the current record kept where it still
    // is. When the base cannot be read now, the table stays as it was and the error is
    // thrown.
    void reread();
    // Another station changed the base: read again now, or, while a record is being
    // edited here, once it is saved or cancelled, so nothing changes under the user's
    // hands. A base that cannot be read now is left for the next change.
    void refreshFromBase();
    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool editing() const { return m_state == State::Edit || m_state == State::Insert; }

    // Stored records in the visible set.
    int recordCount() const { return static_cast<int>(m_codes.size()); }
    // Whether every record number of the visible set has been read; the rest is read a page at
    // a time while the program waits for the user.
    bool wholeSetRead() const { return m_codes.complete(); }
    // Rows a grid shows: the visible set, and the record being inserted at the end.
    int rowCount() const { return recordCount() + (m_state == State::Insert ? 1 : 0); }
    // The current row, or -1 when there is none.
    int currentRow() const { return m_row; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }

    void first();
    void prior();
    void next();
    void last();
    void moveTo(int row);

    void append();
    // Ends editing as a move to another record does: a changed record is stored, a new
    // record nothing was typed into is dropped.
    void checkBrowseMode();
    void edit();
    void post();
    void cancel();
    void remove();
    // Moves to the first visible record whose column holds exactly `value`.
    bool locate(const QString& column, const QString& value);

    // Texts of the current record, the one being edited included; "" when there is none.
    QString fieldText(const QString& column) const;
    QString fieldText(int column) const;
    // Only while editing or inserting.
    void setFieldText(const QString& column, const QString& text);
    void setFieldText(int column, const QString& text);
    // The number the record being inserted is stored under, instead of the next one the
    // base gives (the transfer keeps old numbers).
    void setNewRecordNumber(qint64 code);
    // The number the base will give the next record stored.
    qint64 nextRecordNumber() const;
    // The text of a column (by position) in a row of the visible set; "" when the row
    // cannot be read (readFailed tells why).
    QString cellText(int row, int column) const;

    // A reader over the visible set as it stands, in the table's order, reading the given
    // columns (by position) straight from the base.
    RecordReader reader(const QList<int>& columns) const;

    QString filterText() const { return m_filterText; }
    void setFilterText(const QString& expression);
    bool filtered() const { return m_filtered; }
    // Switching filtering on applies the expression and asks the record predicate for its
    // rule; an expression that cannot be read throws and leaves filtering off.
    void setFiltered(bool on);
    // Sets the expression and switches filtering on in one step.
    void filterBy(const QString& expression);
    void setRecordPredicate(std::function<RecordRule()> predicate) { m_predicate = std::move(predicate); }
    // Records left out by the last filtering because their date could not be read.
    int unreadableDatesLeftOut() const { return m_unreadableDates; }

    QString sort() const { return m_sort; }
    // Throws AppError for an order the table cannot apply; the previous order stays.
    void setSort(const QString& order);

    // True while rows are being added, removed or re-read; a view that moves its current
    // row meanwhile is not the user choosing a record.
    bool reshaping() const { return m_reshaping > 0; }

  signals:
    void stateChanged();
    void currentChanged();
    void fieldChanged(int column);
    void aboutToReset();
    void resetDone();
    void rowAboutToBeInserted(int row);
    void rowInserted();
    void rowAboutToBeRemoved(int row);
    void rowRemoved();
    void rowChanged(int row);
    // Rows a grid asked for could not be read; said once until a read succeeds again.
    void readFailed(const QString& message);
    // A record was saved here (added or changed), or deleted.
    void recordStored(qint64 code);
    void recordRemoved(qint64 code);

  private:
    void refreshIfPending();
    void cancelEditing();
    void checkActive() const;
    void checkEditing() const;
    void setState(State state);
    void requery(std::optional<qint64> keepCode);
    void readNextPage();
    void applyFilterAndOrder(bool filtered, const QString& expression, const QString& order,
                             std::optional<qint64> keepCode);
    void switchFilterOn(const QString& expression);
    void setCurrent(int row);
    void loadCurrent();
    void raiseReadError();
    void clearCache() const;
    const Schema::Record* cachedRecord(int row) const;
    void replaceCached(int row, const Schema::Record& record);
    std::optional<Schema::Record> readRecord(qint64 code) const;
    void insertRecord();
    void updateRecord();

    struct Reshape;

    Connection* m_connection;
    int m_reshaping = 0;
    State m_state = State::Inactive;
    mutable VisibleCodes m_codes;
    QTimer* m_pageReader;
    int m_row = -1;
    int m_rowBeforeInsert = -1;
    bool m_eof = true;
    bool m_bof = true;
    Schema::Record m_record;   // the current record as read
    QString m_readError;       // why the current record could not be read, until reported
    Schema::Record m_original; // the record as read afresh when editing began
    Schema::Record m_buffer;   // the record being edited or inserted

    QString m_filterText;
    bool m_filtered = false;
    bool m_refreshPending = false;
    std::function<RecordRule()> m_predicate;
    // The predicate's rule as it was when filtering was switched on; a later change of
    // order or a refresh keeps it.
    RecordRule m_rule;
    int m_unreadableDates = 0;
    QString m_sort;

    mutable std::unordered_map<int, QVector<Schema::Record>> m_blocks;
    mutable QList<int> m_blockUse;
    mutable bool m_readFailureSaid = false;
};
