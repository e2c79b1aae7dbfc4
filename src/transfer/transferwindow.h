#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
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
    TransferWindow(const ProgramFolders& folders, QWidget* parent);
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

  signals:
    // After each step: the register shows the base again ("Atualizar").
    void registerRefreshRequested();

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

    const ProgramFolders& m_folders;
    TransferSource m_source;
    SourceModel* m_sourceModel = nullptr;
    GridModel* m_destination = nullptr;
    SharedTable* m_table = nullptr;
    DataModule* m_data = nullptr;
};
