#include "reportwindows.h"

#include "app/application.h"
#include "data/datamodule.h"
#include "listingcolumns.h"
#include "register/registerwindow.h"

ReportWindow::ReportWindow(Application& app, QWidget* parent) : FormWindow(app, parent) {}

void ReportWindow::attachData(DataModule* dataModule) {
    m_columns = new GridModel(dataModule->ADOTable1, ListingColumns::initial(), this);
    ui.DBGrid3->setModel(m_columns);
}

QList<GridColumn> ReportWindow::columnSet() const {
    return m_columns->columns();
}

void ReportWindow::setColumnSet(QList<GridColumn> columns) {
    m_columns->setColumns(std::move(columns));
}

void ReportWindow::setFontFamilies(const QStringList& families) {
    ui.Cnomefont->addItems(families);
}

void ReportWindow::trocatitulo() {
    QList<GridColumn> columns = columnSet();
    const RegisterWindow* cadastro = app().cadastro();
    ListingColumns::trocatitulo(columns, [cadastro](const QString& id) { return cadastro->caption(id); });
    setColumnSet(columns);
}

void OptionsWindow::setFontFamilies(const QStringList& families) {
    ui.Cnomefonte->addItems(families);
    ui.Cnomefonte->setCurrentText(QStringLiteral("Arial"));
}

bool OptionsWindow::agendaByName() const {
    return ui.Rnome->isChecked();
}

FieldChooser::FieldChooser(Application& app, QWidget* parent)
    : FormWindow(app, parent, Qt::Window | Qt::WindowStaysOnTopHint) {}

void FieldChooser::fillChecklist(const QStringList& titles) {
    ui.CheckListBox1->clear();
    for (const QString& title : titles) {
        auto* item = new QListWidgetItem(title, ui.CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}
