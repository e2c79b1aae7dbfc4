#pragma once

#include "data/gridmodel.h"

#include <QObject>

class QTableView;
class SharedTable;

// Puts a grid on the shared table: the view's current row is the table's current record
// both ways, titles report clicks, one column can be painted blue, and Ctrl+Delete
// deletes the current record after a question.
class GridBinding : public QObject {
    Q_OBJECT
  public:
    GridBinding(QTableView* view, SharedTable* table, QList<GridColumn> columns, bool editable);

    QTableView* view() const { return m_view; }
    GridModel* model() const;
    void setHighlightedColumn(int column);
    int highlightedColumn() const;
    // A pointing hand over the cells, where a click opens the record.
    void setPointingHand(bool pointingHand) { m_pointingHand = pointingHand; }

  signals:
    void titleClicked(int column);
    void cellClicked(int row);
    void errorOccurred(const QString& message);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void sizeColumns();
    void showCurrentRow();
    void currentRowChosen(int row);

    QTableView* m_view;
    QWidget* m_viewport; // compared with, never called, while the view is being destroyed
    SharedTable* m_table;
    class HighlightModel* m_model;
    bool m_syncing = false;
    bool m_pointingHand = false;
    bool m_sized = false;
};
