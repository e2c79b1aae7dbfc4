#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class SharedTable;

// A grid column: the record column it shows and its title.
struct GridColumn {
    QString field;
    QString title;
    bool operator==(const GridColumn&) const = default;
};

// A grid over the shared table: rows are the table's visible set, texts are fetched by
// the table in blocks as the view asks for them. The row header marks the current record.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    GridModel(SharedTable* table, QList<GridColumn> columns, QObject* parent = nullptr);

    SharedTable* table() const { return m_table; }
    const QList<GridColumn>& columns() const { return m_columns; }
    void setColumns(QList<GridColumn> columns);
    void setTitle(int column, const QString& title);
    QString field(int column) const;
    void setEditable(bool editable) { m_editable = editable; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  signals:
    // A change typed into the grid that the table refused.
    void errorOccurred(const QString& message);

  private:
    void markRow(int row);

    SharedTable* m_table;
    QList<GridColumn> m_columns;
    QList<int> m_fieldIndexes;
    bool m_editable = false;
    int m_markedRow = -1;
};
