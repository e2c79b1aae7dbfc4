#include "datamodule.h"

#include "app/application.h"
#include "connection.h"
#include "register/registerwindow.h"
#include "sharedtable.h"

DataModule::DataModule(Application& app)
    : ADOConnection1(new Connection(this)), ADOTable1(new SharedTable(ADOConnection1, this)),
      DataSource1(new QObject(this)), m_app(app) {
    setObjectName(QStringLiteral("TDataModule1"));
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    connect(ADOTable1, &SharedTable::stateChanged, this, &DataModule::DataSource1StateChange);
    connect(ADOTable1, &SharedTable::currentChanged, this, &DataModule::DataSource1StateChange);
    connect(ADOConnection1, &Connection::disconnected, ADOTable1, &SharedTable::close);
}

bool DataModule::writingGuard() const {
    return ADOTable1->editing();
}

void DataModule::DataSource1StateChange() {
    RegisterWindow* cadastro = m_app.cadastro();
    if (!cadastro)
        return;
    const auto state = ADOTable1->state();
    const bool browse = state == SharedTable::State::Browse;
    const bool editing = ADOTable1->editing();
    cadastro->setRecordButtons({.incluir = browse,
                                .excluir = browse && ADOTable1->recordCount() > 0,
                                .alterar = browse,
                                .gravar = editing,
                                .cancelar = editing});
}
