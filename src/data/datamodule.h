#pragma once

#include <QObject>

class Connection;
class SharedTable;

// Which of the register's five record buttons can be pressed.
struct RecordButtons {
    bool incluir = false;
    bool excluir = false;
    bool alterar = false;
    bool gravar = false;
    bool cancelar = false;
    bool operator==(const RecordButtons&) const = default;
};

// The data module: the one connection, the one shared table and its data source. It tells
// what the table's state allows; the windows listen.
class DataModule : public QObject {
    Q_OBJECT
  public:
    explicit DataModule(QObject* parent = nullptr);

    Connection* ADOConnection1;
    SharedTable* ADOTable1;
    QObject* DataSource1;

    // The shared table is being edited or inserted: closing, backing up and refreshing
    // must not lose or copy the half-edited record.
    bool writingGuard() const;

    RecordButtons recordButtons() const;

  signals:
    // After every change of the table's state or current record.
    void DataSource1StateChange(const RecordButtons& buttons);
};
