#include "datamodule.h"

#include "connection.h"
#include "sharedtable.h"

DataModule::DataModule(QObject* parent)
    : QObject(parent), ADOConnection1(new Connection(this)), ADOTable1(new SharedTable(ADOConnection1, this)),
      DataSource1(new QObject(this)) {
    setObjectName(QStringLiteral("TDataModule1"));
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    const auto tell = [this] { emit DataSource1StateChange(recordButtons()); };
    connect(ADOTable1, &SharedTable::stateChanged, this, tell);
    connect(ADOTable1, &SharedTable::currentChanged, this, tell);
    connect(ADOConnection1, &Connection::disconnected, ADOTable1, &SharedTable::close);
}

bool DataModule::writingGuard() const {
    return ADOTable1->editing();
}

RecordButtons DataModule::recordButtons() const {
    const bool browse = ADOTable1->state() == SharedTable::State::Browse;
    const bool editing = ADOTable1->editing();
    return {.incluir = browse,
            .excluir = browse && ADOTable1->recordCount() > 0,
            .alterar = browse,
            .gravar = editing,
            .cancelar = editing};
}
