#pragma once

#include "app/formwindow.h"
#include "transfersource.h"
#include "ui_transferwindow.h"

class DataModule;
class GridModel;
class SharedTable;
class SourceModel;

// "Transferência de cadastros": records of the earlier editions moved, one at a time or
// all at once, from the loaded old file (right) into the base (left).
class TransferWindow : public FormWindow<Ui::TFtrans> {
    Q_OBJECT
  public:
    TransferWindow(Application& app, QWidget* parent);
    ~TransferWindow() override;
    void attachData(DataModule* dataModule);

    const TransferSource& source() const { return m_source; }

    // "Carregar base".
    void Button2Click();
    // "Ordem Numérica".
    void Button4Click();
    // "<" and "<<".
    void Button3Click();
    void Button6Click();

  private:
    void closeSources();
    void sourceChanged();
    void showSourcePosition();
    // One record into a record appended to the shared table and stored; on a failure the
    // record stays open for writing there.
    bool copyCurrent();
    void appendMapped(const RecordMapping::Mapped& values);
    void transferNumbered();
    void refreshRegister();
    void showError(const QString& message);

    TransferSource m_source;
    SourceModel* m_sourceModel = nullptr;
    GridModel* m_destination = nullptr;
    SharedTable* m_table = nullptr;
    DataModule* m_data = nullptr;
};
