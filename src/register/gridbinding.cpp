#include "gridbinding.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/legalnumbers.h"
#include "data/sharedtable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>

// The grid's model with one column that can be shown in blue.
class HighlightModel : public GridModel {
  public:
    using GridModel::GridModel;
    int highlighted = -1;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ForegroundRole) {
            if (!mismatch(index).isEmpty())
                return QColor(0xc0, 0, 0);
            return index.column() == highlighted ? QVariant(QColor(Qt::blue)) : QVariant();
        }
        if (role == Qt::ToolTipRole) {
            const QString why = mismatch(index);
            return why.isEmpty() ? QVariant() : QVariant(why);
        }
        return GridModel::data(index, role);
    }
    // A case number or CPF typed into a cell is written in its usual form when its check
    // digits match.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        const LegalNumbers::Checked checked =
            LegalNumbers::checkField(field(index.column()), value.toString());
        return GridModel::setData(index, checked.valid ? checked.written : value, role);
    }

  private:
    QString mismatch(const QModelIndex& index) const {
        return LegalNumbers::mismatch(LegalNumbers::checkField(
            field(index.column()), GridModel::data(index, Qt::DisplayRole).toString()));
    }
};

GridBinding::GridBinding(QTableView* view, SharedTable* table, QList<GridColumn> columns, bool editable)
    : QObject(view), m_view(view), m_viewport(view->viewport()), m_table(table),
      m_model(new HighlightModel(table, std::move(columns), this)) {
    m_model->setEditable(editable);
    view->setModel(m_model);
    view->setSortingEnabled(false);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setMinimumWidth(view->fontMetrics().horizontalAdvance(QStringLiteral("▶")) + 12);
    view->horizontalHeader()->setSectionsClickable(true);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->setMouseTracking(true);
    view->installEventFilter(this);
    m_viewport->installEventFilter(this);

    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, &GridBinding::titleClicked);
    connect(view, &QTableView::clicked, this,
            [this](const QModelIndex& index) { emit cellClicked(index.row()); });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowChosen(current.row()); });
    connect(m_model, &GridModel::errorOccurred, this, &GridBinding::errorOccurred);
    connect(m_model, &QAbstractItemModel::modelReset, this, &GridBinding::showCurrentRow);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &GridBinding::showCurrentRow);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &GridBinding::showCurrentRow);
    connect(table, &SharedTable::currentChanged, this, &GridBinding::showCurrentRow);
}

GridModel* GridBinding::model() const {
    return m_model;
}

void GridBinding::setHighlightedColumn(int column) {
    m_model->highlighted = column;
    if (m_model->rowCount() > 0 && m_model->columnCount() > 0)
        emit m_model->dataChanged(m_model->index(0, 0),
                                  m_model->index(m_model->rowCount() - 1, m_model->columnCount() - 1),
                                  {Qt::ForegroundRole});
}

int GridBinding::highlightedColumn() const {
    return m_model->highlighted;
}

// Each column as wide as its title and the texts of the first screen of rows need, when
// the grid is first shown; a width the user drags then stays.
void GridBinding::sizeColumns() {
    constexpr int kMostRows = 60;
    constexpr int kWidest = 400;
    const QFontMetrics metrics = m_view->fontMetrics();
    const int rowHeight = std::max(m_view->verticalHeader()->defaultSectionSize(), 1);
    const int rows = std::min({m_model->rowCount(), m_view->viewport()->height() / rowHeight + 1, kMostRows});
    QHeaderView* header = m_view->horizontalHeader();
    for (int column = 0; column < m_model->columnCount(); ++column) {
        int width = header->sectionSizeHint(column);
        for (int row = 0; row < rows; ++row)
            width =
                std::max(width, metrics.horizontalAdvance(
                                    m_model->data(m_model->index(row, column), Qt::DisplayRole).toString()) +
                                    12);
        m_view->setColumnWidth(column, std::min(width, kWidest));
    }
}

void GridBinding::showCurrentRow() {
    const int row = m_table->currentRow();
    const QModelIndex current = m_view->currentIndex();
    if (row < 0 || (current.isValid() && current.row() == row))
        return;
    m_syncing = true;
    const QModelIndex target = m_model->index(row, current.isValid() ? current.column() : 0);
    m_view->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    m_view->scrollTo(target);
    m_syncing = false;
}

void GridBinding::currentRowChosen(int row) {
    if (m_syncing || m_table->reshaping() || row < 0 || row == m_table->currentRow())
        return;
    try {
        m_table->moveTo(row);
    } catch (const AppError& error) {
        emit errorOccurred(error.message());
        showCurrentRow();
    }
}

bool GridBinding::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Show && !m_sized) {
        m_sized = true;
        sizeColumns();
    }
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            if (m_table->active() && m_table->rowCount() > 0 &&
                Dialogs::confirm(m_view, QStringLiteral("Excluir registro?"))) {
                try {
                    m_table->remove();
                } catch (const AppError& error) {
                    emit errorOccurred(error.message());
                }
            }
            return true;
        }
    }
    if (m_pointingHand && watched == m_viewport && event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_viewport->setCursor(mouse->position().x() > 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QObject::eventFilter(watched, event);
}
