#pragma once

#include "app/formwindow.h"
#include "ui_backupwindow.h"

// "Backup da Base de Dados": its folder box says whether a backup folder is known.
class BackupWindow : public FormWindow<Ui::TFbackup> {
    Q_OBJECT
  public:
    BackupWindow(Application& app, QWidget* parent)
        : FormWindow(app, parent, Qt::Window | Qt::WindowStaysOnTopHint) {}

    // The backup folder read at start-up, and the backup itself, come with the backup.
    void loadFolderAtStartUp() {}
    // A backup folder is known: closing the program offers a backup.
    bool hasFolder() const { return !ui.Memo1->toPlainText().trimmed().isEmpty(); }
    void Button4Click() {}
};
