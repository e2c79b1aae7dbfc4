#include "sharedtable.h"

#include "columns.h"
#include "common/apperror.h"
#include "connection.h"
#include "nativequery.h"
#include "recordreader.h"
#include "recordwriter.h"

#include <QTimer>

namespace {

constexpr int kBlockRows = 64;
constexpr int kMaxBlocks = 48;

const QString kDeletedMessage =
    QStringLiteral("O registro não existe mais na base de dados; ele pode ter sido "
                   "excluído em outra estação.");
const QString kChangedElsewhereMessage =
    QStringLiteral("O registro foi alterado em outra estação depois que a alteração começou aqui; nada foi "
                   "gravado. Cancele e altere o registro de novo para ver os dados atuais.");

const QList<int>& allColumns() {
    static const QList<int> columns = [] {
        QList<int> result;
        for (int i = 0; i < Columns::count(); ++i)
            result << i;
        return result;
    }();
    return columns;
}

} // namespace

// Marks the table as reshaping for the life of the object.
struct SharedTable::Reshape {
    explicit Reshape(SharedTable& table) : m_table(table) { ++m_table.m_reshaping; }
    ~Reshape() { --m_table.m_reshaping; }
    Reshape(const Reshape&) = delete;
    Reshape& operator=(const Reshape&) = delete;
    SharedTable& m_table;
};

SharedTable::SharedTable(Connection* connection, QObject* parent)
    : QObject(parent), m_connection(connection), m_pageReader(new QTimer(this)),
      m_record(Schema::emptyRecord()), m_buffer(Schema::emptyRecord()) {
    setObjectName(QStringLiteral("ADOTable1"));
    m_pageReader->setSingleShot(true);
    connect(m_pageReader, &QTimer::timeout, this, &SharedTable::readNextPage);
}

void SharedTable::checkActive() const {
    if (m_state == State::Inactive)
        throw AppError(QStringLiteral("Operação não permitida: a tabela está fechada."));
}

void SharedTable::checkEditing() const {
    if (!editing())
        throw AppError(QStringLiteral("A tabela não está em modo de edição ou inclusão."));
}

void SharedTable::checkBrowseMode() {
    const bool untouched =
        std::all_of(m_buffer.cbegin(), m_buffer.cend(), [](const QString& text) { return text.isEmpty(); });
    if (m_state == State::Insert && untouched)
        cancel();
    else if (editing())
        post();
}

void SharedTable::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

// ---- opening and the visible set ----

void SharedTable::open() {
    Reshape reshape(*this);
    if (active())
        return;
    if (!m_connection->connected())
        throw AppError(QStringLiteral("A conexão com a base de dados não está aberta."));
    // Every column must be there before anything is shown: preparing the reading says so.
    QStringList names;
    for (const auto& column : Columns::all())
        names << Columns::quoted(column.name);
    NativeQuery::exec(m_connection->database(),
                      QStringLiteral("SELECT %1 FROM clientes LIMIT 0").arg(names.join(u',')));
    emit aboutToReset();
    m_state = State::Browse;
    try {
        requery(std::nullopt);
    } catch (const AppError&) {
        m_state = State::Inactive;
        m_codes = VisibleCodes();
        setCurrent(-1);
        emit resetDone();
        throw;
    }
    emit resetDone();
    emit stateChanged();
    emit currentChanged();
    raiseReadError();
}

void SharedTable::close() {
    Reshape reshape(*this);
    if (!active())
        return;
    emit aboutToReset();
    m_codes = VisibleCodes();
    m_pageReader->stop();
    clearCache();
    m_refreshPending = false;
    m_state = State::Inactive;
    setCurrent(-1);
    emit resetDone();
    emit stateChanged();
    emit currentChanged();
}

void SharedTable::reread() {
    checkActive();
    Reshape reshape(*this);
    const std::optional<qint64> keep =
        m_row >= 0 && m_row < recordCount() ? std::optional<qint64>(m_codes.at(m_row)) : std::nullopt;
    emit aboutToReset();
    try {
        requery(keep);
    } catch (const AppError&) {
        // The visible set is replaced only once it has been read whole.
        emit resetDone();
        emit currentChanged();
        throw;
    }
    emit resetDone();
    emit currentChanged();
    raiseReadError();
}

void SharedTable::refreshFromBase() {
    if (!active())
        return;
    m_refreshPending = true;
    if (!editing())
        refreshIfPending();
}

void SharedTable::refreshIfPending() {
    if (!m_refreshPending)
        return;
    m_refreshPending = false;
    try {
        reread();
    } catch (const AppError&) {
        // The next change, or the user's next step, reads it.
    }
}

void SharedTable::requery(std::optional<qint64> keepCode) {
    const auto expression = m_filtered ? FilterExpression::parse(m_filterText) : std::nullopt;
    const RecordRule rule = m_filtered ? m_rule : RecordRule::acceptAll();
    const auto order = SortOrder::parse(m_sort);
    VisibleCodes codes;
    if (const auto whole = VisibleSetQuery::wholeTable(expression, rule, order)) {
        codes = VisibleCodes::paged(m_connection->database(), whole->keyColumn, whole->descending);
    } else {
        const auto query = VisibleSetQuery::codes(expression, rule, order);
        QVector<qint64> read = NativeQuery::integers(m_connection->database(), query.sql, query.values);
        if (query.codeOrder == VisibleSetQuery::CodeOrder::Ascending)
            std::sort(read.begin(), read.end());
        else if (query.codeOrder == VisibleSetQuery::CodeOrder::Descending)
            std::sort(read.begin(), read.end(), std::greater<>());
        codes = VisibleCodes(std::move(read));
    }
    // A page that no longer holds what was counted: the base changed meanwhile; read it again.
    codes.setOnStale([this] { QTimer::singleShot(0, this, &SharedTable::refreshFromBase); });
    m_unreadableDates = 0;
    if (const auto count = VisibleSetQuery::unreadableDates(expression, rule))
        m_unreadableDates = static_cast<int>(
            NativeQuery::integers(m_connection->database(), count->sql, count->values).value(0));

    m_codes = std::move(codes);
    clearCache();
    int row = m_codes.isEmpty() ? -1 : 0;
    if (keepCode) {
        const auto found = m_codes.indexOf(*keepCode);
        if (found >= 0)
            row = static_cast<int>(found);
    }
    setCurrent(row);
    m_bof = row <= 0;
    m_eof = m_codes.isEmpty();
    if (!m_codes.complete())
        m_pageReader->start(0);
}

void SharedTable::readNextPage() {
    try {
        if (m_codes.readNextPage())
            m_pageReader->start(0);
    } catch (const AppError& error) {
        emit readFailed(error.message());
    }
}

void SharedTable::applyFilterAndOrder(bool filtered, const QString& expression, const QString& order,
                                      std::optional<qint64> keepCode) {
    const QString previousOrder = m_sort;
    const QString previousExpression = m_filterText;
    m_filtered = filtered;
    m_filterText = expression;
    m_sort = order;
    if (!active())
        return;
    Reshape reshape(*this);
    emit aboutToReset();
    try {
        requery(keepCode);
    } catch (const AppError&) {
        // An expression that cannot be applied leaves filtering off and the last
        // expression that could be applied in place.
        m_filtered = false;
        m_sort = previousOrder;
        m_filterText = previousExpression;
        try {
            requery(keepCode);
        } catch (const AppError&) {
            m_codes = VisibleCodes();
            setCurrent(-1);
        }
        emit resetDone();
        emit currentChanged();
        throw;
    }
    emit resetDone();
    emit currentChanged();
    raiseReadError();
}

void SharedTable::setFilterText(const QString& expression) {
    if (m_filtered)
        switchFilterOn(expression);
    else
        m_filterText = expression;
}

void SharedTable::setFiltered(bool on) {
    if (on) {
        switchFilterOn(m_filterText);
        return;
    }
    if (active())
        checkBrowseMode();
    applyFilterAndOrder(false, m_filterText, m_sort, std::nullopt);
}

void SharedTable::filterBy(const QString& expression) {
    switchFilterOn(expression);
}

void SharedTable::switchFilterOn(const QString& expression) {
    if (active())
        checkBrowseMode();
    m_rule = m_predicate ? m_predicate() : RecordRule::acceptAll();
    applyFilterAndOrder(true, expression, m_sort, std::nullopt);
}

void SharedTable::setSort(const QString& order) {
    if (order == m_sort)
        return;
    SortOrder::parse(order); // refuse before touching anything
    if (!active()) {
        m_sort = order;
        return;
    }
    checkBrowseMode();
    const std::optional<qint64> keep = m_row >= 0 ? std::optional<qint64>(m_codes.at(m_row)) : std::nullopt;
    applyFilterAndOrder(m_filtered, m_filterText, order, keep);
}

// ---- moving ----

void SharedTable::setCurrent(int row) {
    m_row = row;
    loadCurrent();
}

// A current record that cannot be read shows as empty; the operation that moved to it
// reports why once it has finished (raiseReadError), and editing it reads it again.
void SharedTable::loadCurrent() {
    m_record = Schema::emptyRecord();
    m_readError.clear();
    if (m_row < 0 || m_row >= recordCount())
        return;
    try {
        if (const Schema::Record* record = cachedRecord(m_row))
            m_record = *record;
    } catch (const AppError& error) {
        m_readError = error.message();
    }
}

void SharedTable::raiseReadError() {
    if (m_readError.isEmpty())
        return;
    const QString message = std::exchange(m_readError, QString());
    throw AppError(message);
}

void SharedTable::moveTo(int row) {
    checkActive();
    if (row < 0 || row >= recordCount() || (row == m_row && !editing()))
        return;
    checkBrowseMode();
    setCurrent(row);
    m_bof = m_eof = false;
    emit currentChanged();
    raiseReadError();
}

void SharedTable::first() {
    checkActive();
    checkBrowseMode();
    setCurrent(m_codes.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_codes.isEmpty();
    emit currentChanged();
    raiseReadError();
}

void SharedTable::last() {
    checkActive();
    checkBrowseMode();
    setCurrent(recordCount() - 1);
    m_eof = true;
    m_bof = m_codes.isEmpty();
    emit currentChanged();
    raiseReadError();
}

void SharedTable::next() {
    checkActive();
    checkBrowseMode();
    m_bof = false;
    if (m_row + 1 >= recordCount()) {
        m_eof = true;
        return;
    }
    setCurrent(m_row + 1);
    m_eof = false;
    emit currentChanged();
    raiseReadError();
}

void SharedTable::prior() {
    checkActive();
    checkBrowseMode();
    m_eof = false;
    if (m_row <= 0) {
        m_bof = true;
        return;
    }
    setCurrent(m_row - 1);
    m_bof = false;
    emit currentChanged();
    raiseReadError();
}

bool SharedTable::locate(const QString& column, const QString& value) {
    checkActive();
    const int index = Columns::indexOf(column);
    if (index < 0)
        throw AppError(QStringLiteral("Campo '%1' não encontrado.").arg(column));
    if (value.isEmpty())
        return false;
    checkBrowseMode();
    const QVector<qint64> codes =
        NativeQuery::integers(m_connection->database(),
                              QStringLiteral("SELECT %1 FROM clientes WHERE %2 = ?")
                                  .arg(Columns::quoted(Columns::kCodigo), Columns::quoted(column)),
                              {value});
    // The first of them in the order: a few are found where they stand, many by reading the set.
    constexpr qsizetype kFoundOneByOne = 8;
    qsizetype first = -1;
    if (codes.size() <= kFoundOneByOne) {
        for (const qint64 code : codes) {
            const qsizetype row = m_codes.indexOf(code);
            if (row >= 0 && (first < 0 || row < first))
                first = row;
        }
    } else {
        const QSet<qint64> matching(codes.cbegin(), codes.cend());
        const QVector<qint64>& visible = m_codes.all();
        const auto found = std::find_if(visible.cbegin(), visible.cend(),
                                        [&matching](qint64 code) { return matching.contains(code); });
        first = found == visible.cend() ? -1 : found - visible.cbegin();
    }
    if (first < 0)
        return false;
    moveTo(static_cast<int>(first));
    return true;
}

// ---- editing ----

void SharedTable::append() {
    Reshape reshape(*this);
    checkActive();
    checkBrowseMode();
    m_rowBeforeInsert = m_row;
    const int row = recordCount();
    emit rowAboutToBeInserted(row);
    m_buffer = Schema::emptyRecord();
    m_row = row;
    m_state = State::Insert;
    emit rowInserted();
    emit stateChanged();
    emit currentChanged();
}

// Editing starts from the record as the base holds it now, never from a copy read earlier:
// another machine may have changed it meanwhile.
void SharedTable::edit() {
    checkActive();
    if (editing())
        return;
    if (m_codes.isEmpty()) {
        append();
        return;
    }
    if (m_row < 0)
        throw AppError(QStringLiteral("Não há registro para alterar."));
    const std::optional<Schema::Record> current = readRecord(m_codes.at(m_row));
    if (!current)
        throw AppError(kDeletedMessage);
    m_record = *current;
    m_readError.clear();
    replaceCached(m_row, m_record);
    m_original = m_record;
    m_buffer = m_record;
    setState(State::Edit);
    emit rowChanged(m_row);
}

void SharedTable::setFieldText(int column, const QString& text) {
    checkEditing();
    if (column <= 0 || column >= Columns::count() || m_buffer[column] == text)
        return;
    m_buffer[column] = text;
    emit fieldChanged(column);
    emit rowChanged(m_row);
}

void SharedTable::setNewRecordNumber(qint64 code) {
    if (m_state != State::Insert)
        throw AppError(QStringLiteral("A tabela não está em modo de inclusão."));
    m_buffer[0] = QString::number(code);
}

qint64 SharedTable::nextRecordNumber() const {
    return Schema::nextRecordNumber(m_connection->database());
}

void SharedTable::setFieldText(const QString& column, const QString& text) {
    const int index = Columns::indexOf(column);
    if (index < 0)
        throw AppError(QStringLiteral("Campo '%1' não encontrado.").arg(column));
    setFieldText(index, text);
}

// A write that fails leaves the record in the edit or insert state, its typing kept.
void SharedTable::post() {
    checkEditing();
    if (m_state == State::Insert)
        insertRecord();
    else
        updateRecord();
    m_state = State::Browse;
    const qint64 stored = m_record[0].toLongLong();
    emit rowChanged(m_row);
    emit stateChanged();
    emit currentChanged();
    emit recordStored(stored);
    refreshIfPending();
}

void SharedTable::insertRecord() {
    RecordWriter writer(m_connection->database());
    const qint64 code = writer.insert(m_buffer);
    writer.commit();
    m_buffer[0] = QString::number(code);
    m_codes.append(code);
    // The last block was read when the record was not there yet.
    m_blocks.erase(m_row / kBlockRows);
    m_blockUse.removeOne(m_row / kBlockRows);
    m_record = m_buffer;
}

void SharedTable::updateRecord() {
    RecordWriter writer(m_connection->database());
    switch (writer.update(m_original, m_buffer)) {
    case RecordWriter::Outcome::Deleted:
        throw AppError(kDeletedMessage);
    case RecordWriter::Outcome::ChangedElsewhere:
        throw AppError(kChangedElsewhereMessage);
    case RecordWriter::Outcome::Written:
        writer.commit();
        break;
    case RecordWriter::Outcome::Unchanged:
        break;
    }
    // Fields other machines changed meanwhile show with ours.
    std::optional<Schema::Record> stored;
    try {
        stored = readRecord(m_codes.at(m_row));
    } catch (const AppError&) {
        // Saved all the same; the next move reads the record again.
    }
    m_record = stored ? *stored : m_buffer;
    replaceCached(m_row, m_record);
}

void SharedTable::cancel() {
    cancelEditing();
    refreshIfPending();
}

void SharedTable::cancelEditing() {
    Reshape reshape(*this);
    if (m_state == State::Insert) {
        const int row = m_row;
        emit rowAboutToBeRemoved(row);
        m_state = State::Browse;
        m_row = std::min(m_rowBeforeInsert, recordCount() - 1);
        loadCurrent();
        emit rowRemoved();
        emit stateChanged();
        emit currentChanged();
    } else if (m_state == State::Edit) {
        m_state = State::Browse;
        emit rowChanged(m_row);
        emit stateChanged();
        emit currentChanged();
    }
}

void SharedTable::remove() {
    Reshape reshape(*this);
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_row < 0)
        throw AppError(QStringLiteral("Não há registro para excluir."));
    const qint64 removed = m_codes.at(m_row);
    RecordWriter writer(m_connection->database());
    writer.remove(removed);
    writer.commit();
    const int row = m_row;
    emit rowAboutToBeRemoved(row);
    m_codes.removeAt(row);
    clearCache();
    m_state = State::Browse;
    m_row = std::min(row, recordCount() - 1);
    loadCurrent();
    emit rowRemoved();
    emit stateChanged();
    emit currentChanged();
    emit recordRemoved(removed);
    raiseReadError();
}

// ---- reading ----

QString SharedTable::fieldText(int column) const {
    if (column < 0 || column >= Columns::count())
        return {};
    return editing() ? m_buffer[column] : m_record[column];
}

QString SharedTable::fieldText(const QString& column) const {
    return fieldText(Columns::indexOf(column));
}

QString SharedTable::cellText(int row, int column) const {
    if (editing() && row == m_row)
        return m_buffer.value(column);
    if (row < 0 || row >= recordCount() || column < 0 || column >= Columns::count())
        return {};
    try {
        const Schema::Record* record = cachedRecord(row);
        return record ? record->at(column) : QString();
    } catch (const AppError& error) {
        if (!std::exchange(m_readFailureSaid, true))
            emit const_cast<SharedTable*>(this)->readFailed(error.message());
        return {};
    }
}

RecordReader SharedTable::reader(const QList<int>& columns) const {
    return RecordReader(m_connection->database(), m_codes.all(), columns);
}

std::optional<Schema::Record> SharedTable::readRecord(qint64 code) const {
    const StoredRows found = readRecords(m_connection->database(), {&code, 1}, allColumns());
    if (!found.present(0))
        return std::nullopt;
    return found.texts(0);
}

void SharedTable::clearCache() const {
    m_blocks.clear();
    m_blockUse.clear();
}

void SharedTable::replaceCached(int row, const Schema::Record& record) {
    const auto found = m_blocks.find(row / kBlockRows);
    const int offset = row % kBlockRows;
    if (found != m_blocks.end() && offset < found->second.size())
        found->second[offset] = record;
}

// The block of rows holding `row`, read from the base when it is not cached. A read that
// fails throws and caches nothing.
const Schema::Record* SharedTable::cachedRecord(int row) const {
    const int block = row / kBlockRows;
    auto found = m_blocks.find(block);
    if (found == m_blocks.end()) {
        const int start = block * kBlockRows;
        const int end = std::min(start + kBlockRows, recordCount());
        const std::span<const qint64> codes = m_codes.range(start, end);
        const StoredRows rows = readRecords(m_connection->database(), codes, allColumns());
        m_readFailureSaid = false;
        QVector<Schema::Record> records;
        records.reserve(end - start);
        for (qsizetype row = 0; row < rows.rowCount(); ++row)
            records.append(rows.present(row) ? rows.texts(row) : Schema::emptyRecord());
        if (static_cast<int>(m_blocks.size()) >= kMaxBlocks)
            m_blocks.erase(m_blockUse.takeFirst());
        found = m_blocks.emplace(block, std::move(records)).first;
    }
    m_blockUse.removeOne(block);
    m_blockUse.append(block);
    const auto& records = found->second;
    const int offset = row - block * kBlockRows;
    return offset < records.size() ? &records[offset] : nullptr;
}
