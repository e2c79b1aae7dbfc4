#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "ui_backupwindow.h"

class DataModule;

// "Backup da Base de Dados": the backup folder, kept in backup.ini, and dated copies of the
// base into it.
class BackupWindow : public FormWindow<Ui::TFbackup> {
    Q_OBJECT
  public:
    BackupWindow(const ProgramFolders& folders, DataModule* data, QWidget* parent);

    // At start-up: the folder from backup.ini; without one, the user is asked to choose it.
    // Throws AppError when backup.ini cannot be read.
    void loadFolderAtStartUp();
    // A backup folder is known: closing the program offers a backup.
    bool hasFolder() const { return !folderText().trimmed().isEmpty(); }

    // "Escolher caminho ...": the folder of a file chosen in the save dialog.
    void Button1Click();
    // "Realizar o Backup".
    void Button4Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QString folderText() const { return ui.Memo1->toPlainText(); }
    void loadFolder();
    // The folder shown whole: elided in the middle when it is long, its full path as the tip.
    void showFolder();
    void runBackup();

    const ProgramFolders& m_folders;
    DataModule* m_data;
};
