#pragma once

#include "app/formwindow.h"
#include "ui_backupwindow.h"

// "Backup da Base de Dados": the backup folder, kept in backup.ini, and dated copies of the
// base into it.
class BackupWindow : public FormWindow<Ui::TFbackup> {
    Q_OBJECT
  public:
    BackupWindow(Application& app, QWidget* parent);

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

  private:
    QString folderText() const { return ui.Memo1->toPlainText(); }
    void loadFolder();
};
