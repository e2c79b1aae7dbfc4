#pragma once

#include <QObject>

class Application;
class Connection;
class SharedTable;

// The data module: the one connection, the one shared table and its data source.
class DataModule : public QObject {
    Q_OBJECT
  public:
    explicit DataModule(Application& app);

    Connection* ADOConnection1;
    SharedTable* ADOTable1;
    QObject* DataSource1;

    // The shared table is being edited or inserted: closing, backing up and refreshing
    // must not lose or copy the half-edited record.
    bool writingGuard() const;

    // Keeps the register's five record buttons in step with the table's state.
    void DataSource1StateChange();

  private:
    Application& m_app;
};
