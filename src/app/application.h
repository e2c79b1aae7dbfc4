#pragma once

#include "common/programfolders.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class AboutWindow;
class AccentsDialog;
class BackupWindow;
class CalendarWindow;
class ChangeWatcher;
class DataModule;
class HistoryWindow;
class DriveDialog;
class FieldChooser;
class InstanceLock;
class ListEditor;
struct ListingRequest;
class MainWindow;
class NetworkWindow;
class OptionsWindow;
class RegisterWindow;
class ReportWindow;
class SendWindow;
class SplashWindow;
class StyleSheetHolder;
class TitleEditor;
class TransferWindow;
class WaitBox;

// Owns every window and the data module, created once, in the program's fixed order,
// and destroyed in the reverse order. It gives each window what it needs when it makes
// it (the folders, the data module, the values of other windows it reads) and connects
// the signals by which windows ask each other for something; no window looks another up.
class Application {
  public:
    // Creates every window; the main window is shown maximised as soon as it exists.
    explicit Application(const QString& programFolder);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The program entry up to the main loop: the single-instance lock, the windows and
    // the start-up routine. Null when the program must end (another instance runs, or the
    // database could not be connected).
    static std::unique_ptr<Application> launch(const QString& programFolder, InstanceLock& lock);

    // Qt's own windows (the file, print, page set-up and colour dialogs, the edits' menu)
    // in Brazilian Portuguese, and the Brazilian formats, dates in them included.
    static void speakPortuguese();

    // The program's icon, shared with the desktop entry.
    static QIcon icon();
    // The desktop entry's name, which the desktop matches the running program with.
    static inline const QString kDesktopId = QStringLiteral("br.com.belvoran.Velmora");

    // The three folders, set by start-up.
    const ProgramFolders& folders() const { return m_folders; }

    MainWindow* principal() const { return m_principal; }
    SplashWindow* ver() const { return m_ver; }
    NetworkWindow* form3() const { return m_form3; }
    AccentsDialog* acentos() const { return m_acentos; }
    AboutWindow* splash() const { return m_splash; }
    RegisterWindow* cadastro() const { return m_cadastro; }
    FieldChooser* campos() const { return m_campos; }
    ReportWindow* impressao() const { return m_impressao; }
    ListEditor* form4() const { return m_form4; }
    OptionsWindow* config() const { return m_config; }
    DriveDialog* drive() const { return m_drive; }
    DataModule* dataModule() const { return m_dataModule; }
    HistoryWindow* historico() const { return m_historico; }
    SendWindow* enviar() const { return m_enviar; }
    CalendarWindow* agenda() const { return m_agenda; }
    StyleSheetHolder* cab() const { return m_cab; }
    TransferWindow* trans() const { return m_trans; }
    WaitBox* espere() const { return m_espere; }
    TitleEditor* mudacampos() const { return m_mudacampos; }
    BackupWindow* backup() const { return m_backup; }

    // Object names in the order the objects were created.
    QStringList creationOrder() const { return m_creationOrder; }

    // Asks the program to end once the current event is handled.
    void terminate() { m_terminated = true; }
    bool terminated() const { return m_terminated; }
    // The main window has closed: every window goes with it.
    void closeAll();

  private:
    template <typename T, typename... Args> T* create(Args&&... args);
    void connectWindows();
    // A listing asked for by the register or the chooser, with what every listing takes
    // from the chooser and the listing options.
    void makeListing(const ListingRequest& request);
    void repeatListing();
    QString titleOf(const QString& labelId) const;

    ProgramFolders m_folders;
    QStringList m_creationOrder;
    std::vector<std::unique_ptr<QObject>> m_objects;
    bool m_terminated = false;

    MainWindow* m_principal = nullptr;
    SplashWindow* m_ver = nullptr;
    NetworkWindow* m_form3 = nullptr;
    AccentsDialog* m_acentos = nullptr;
    AboutWindow* m_splash = nullptr;
    RegisterWindow* m_cadastro = nullptr;
    FieldChooser* m_campos = nullptr;
    ReportWindow* m_impressao = nullptr;
    ListEditor* m_form4 = nullptr;
    OptionsWindow* m_config = nullptr;
    DriveDialog* m_drive = nullptr;
    DataModule* m_dataModule = nullptr;
    StyleSheetHolder* m_cab = nullptr;
    TransferWindow* m_trans = nullptr;
    WaitBox* m_espere = nullptr;
    TitleEditor* m_mudacampos = nullptr;
    BackupWindow* m_backup = nullptr;
    HistoryWindow* m_historico = nullptr;
    SendWindow* m_enviar = nullptr;
    CalendarWindow* m_agenda = nullptr;
    std::unique_ptr<ChangeWatcher> m_changes;
};
