#pragma once

#include "common/programfolders.h"

#include <QMainWindow>

namespace Ui {
class TFRM_Principal;
}
class Application;

// The main window: toolbar, menu and the start-up routine `vai`, which sets the folders
// every window is given.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(Application& app, ProgramFolders& folders, const QString& programFolder);
    ~MainWindow() override;

    // The start-up routine. False when the program must end without entering its loop.
    bool vai();

    // Toolbar buttons 1 to 5, the help button, and every menu entry and shortcut.
    void enableToolbarAndMenu(bool withHelp);
    bool menuEnabled() const;

    void openRegister(int page);
    void mudatitulo();

    // The handlers of the toolbar; the menu entries run the same ones.
    void SpeedButton4Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void LocalizarBase1Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void setMenuEnabled(bool enabled);
    void setRegionalFormats();
    bool openDatabase();
    bool openServerBase(const QString& server);
    bool followSentBase(const QString& folder, const QString& server);
    void tellIfReadOnly();
    bool convertWindowsBase(const QString& folder, bool shared);

    QList<QAction*> menuActions() const;

    Ui::TFRM_Principal* ui;
    Application& m_app;
    ProgramFolders& m_folders;
    QString m_programFolder;
    bool m_shownOnce = false;
};
