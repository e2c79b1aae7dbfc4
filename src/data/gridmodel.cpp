#include "gridmodel.h"

#include "columns.h"
#include "common/apperror.h"
#include "sharedtable.h"

GridModel::GridModel(SharedTable* table, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {
    setColumns(std::move(columns));
    connect(table, &SharedTable::aboutToReset, this, [this] { beginResetModel(); });
    connect(table, &SharedTable::resetDone, this, [this] {
        endResetModel();
        m_markedRow = m_table->currentRow();
    });
    connect(table, &SharedTable::rowAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(table, &SharedTable::rowInserted, this, [this] { endInsertRows(); });
    connect(table, &SharedTable::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(table, &SharedTable::rowRemoved, this, [this] { endRemoveRows(); });
    connect(table, &SharedTable::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && !m_columns.isEmpty())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(table, &SharedTable::currentChanged, this, [this] { markRow(m_table->currentRow()); });
    connect(table, &SharedTable::stateChanged, this, [this] { markRow(m_table->currentRow()); });
}

void GridModel::setColumns(QList<GridColumn> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    m_fieldIndexes.clear();
    for (const auto& column : m_columns)
        m_fieldIndexes << Columns::indexOf(column.field);
    endResetModel();
}

void GridModel::setTitle(int column, const QString& title) {
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString GridModel::field(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns[column].field : QString();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_table->rowCount();
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_table->cellText(index.row(), m_fieldIndexes.value(index.column(), -1));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? m_columns[section].title : QVariant();
    if (section != m_table->currentRow())
        return QString();
    switch (m_table->state()) {
    case SharedTable::State::Edit:
        return QStringLiteral("I");
    case SharedTable::State::Insert:
        return QStringLiteral("*");
    default:
        return QStringLiteral("▶");
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const int field = m_fieldIndexes.value(index.column(), -1);
    if (m_editable && field > 0)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString text = value.toString();
    if (text == data(index).toString())
        return false;
    try {
        m_table->moveTo(index.row());
        m_table->edit();
        m_table->setFieldText(m_fieldIndexes[index.column()], text);
    } catch (const AppError& error) {
        emit errorOccurred(error.message());
        return false;
    }
    return true;
}

void GridModel::markRow(int row) {
    const int previous = m_markedRow;
    m_markedRow = row;
    const int count = rowCount();
    if (previous >= 0 && previous < count)
        emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0 && row < count)
        emit headerDataChanged(Qt::Vertical, row, row);
}
