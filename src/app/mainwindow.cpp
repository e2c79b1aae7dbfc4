#include "mainwindow.h"

#include "application.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/folders.h"
#include "common/progress.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "helpdocument.h"
#include "smallwindows.h"
#include "ui_mainwindow.h"

#include "backup/backupwindow.h"
#include "calendar/calendarwindow.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/schema.h"
#include "data/sendtoserver.h"
#include "data/sendwindow.h"
#include "data/sharedtable.h"
#include "data/windowsbase.h"
#include "prefs/prefswindows.h"
#include "register/registerwindow.h"
#include "reports/reportwindows.h"
#include "titles/profilefile.h"
#include "titles/titlecatalogue.h"
#include "titles/titleeditor.h"
#include "transfer/transferwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QStyle>
#include <QUrl>

MainWindow::MainWindow(Application& app, ProgramFolders& folders, const QString& programFolder)
    : ui(new Ui::TFRM_Principal), m_app(app), m_folders(folders), m_programFolder(programFolder) {
    ui->setupUi(this);
    setWindowIcon(Application::icon());
    const struct {
        QToolButton* button;
        QStyle::StandardPixmap icon;
    } pictures[] = {{ui->SpeedButton1, QStyle::SP_FileDialogDetailedView},
                    {ui->SpeedButton5, QStyle::SP_FileDialogListView},
                    {ui->SpeedButton3, QStyle::SP_FileDialogContentsView},
                    {ui->SpeedButton2, QStyle::SP_FileDialogInfoView},
                    {ui->SpeedButton4, QStyle::SP_DialogCloseButton},
                    {ui->SpeedButton6, QStyle::SP_DialogHelpButton},
                    {ui->SpeedButton7, QStyle::SP_DialogSaveButton}};
    for (const auto& picture : pictures)
        picture.button->setIcon(style()->standardIcon(picture.icon));

    connect(ui->SpeedButton1, &QToolButton::clicked, this, [this] { openRegister(0); });
    connect(ui->SpeedButton5, &QToolButton::clicked, this, [this] { openRegister(5); });
    connect(ui->SpeedButton3, &QToolButton::clicked, this, [this] { openRegister(6); });
    connect(ui->SpeedButton2, &QToolButton::clicked, this, [this] { openRegister(7); });
    connect(ui->SpeedButton4, &QToolButton::clicked, this, &MainWindow::SpeedButton4Click);
    connect(ui->SpeedButton6, &QToolButton::clicked, this, &MainWindow::SpeedButton6Click);
    connect(ui->SpeedButton7, &QToolButton::clicked, this, &MainWindow::SpeedButton7Click);

    connect(ui->Cadastro1, &QAction::triggered, this, [this] { openRegister(0); });
    connect(ui->Ordenar1, &QAction::triggered, this, [this] { openRegister(5); });
    connect(ui->Formulario1, &QAction::triggered, this, [this] { openRegister(6); });
    connect(ui->Consulta1, &QAction::triggered, this, [this] { openRegister(7); });
    connect(ui->Sair1, &QAction::triggered, this, &MainWindow::SpeedButton4Click);
    connect(ui->DriveCDDVD1, &QAction::triggered, this, [this] { m_app.drive()->show(); });
    connect(ui->Acentos1, &QAction::triggered, this, [this] { m_app.acentos()->show(); });
    connect(ui->Formulario2, &QAction::triggered, this, [this] { m_app.config()->show(); });
    connect(ui->Agenda1, &QAction::triggered, this, [this] {
        m_app.agenda()->show();
        m_app.agenda()->raise();
    });
    connect(ui->Transferircadastros1, &QAction::triggered, this, [this] { m_app.trans()->show(); });
    connect(ui->Backupdabasededados1, &QAction::triggered, this, &MainWindow::SpeedButton7Click);
    connect(ui->LocalizarBase1, &QAction::triggered, this, &MainWindow::LocalizarBase1Click);
    connect(ui->EnviarBase1, &QAction::triggered, this, [this] { m_app.enviar()->open(); });
    connect(ui->Ajuda2, &QAction::triggered, this, &MainWindow::SpeedButton6Click);
    connect(ui->Sobre1, &QAction::triggered, this, [this] { m_app.splash()->show(); });
    // The menu's keys (F1 to F5) work from every window of the program.
    for (QAction* action : menuActions())
        action->setShortcutContext(Qt::ApplicationShortcut);

    FormCreate();
}

MainWindow::~MainWindow() {
    delete ui;
}

void MainWindow::setRegionalFormats() {
    // Brazilian formats: dates dd/mm/yyyy with "/", decimal ",", thousands ".".
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
}

void MainWindow::FormCreate() {
    setRegionalFormats();
}

void MainWindow::showEvent(QShowEvent* event) {
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
    QMainWindow::showEvent(event);
}

void MainWindow::FormShow() {
    for (QToolButton* button : {ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton3, ui->SpeedButton4,
                                ui->SpeedButton5, ui->SpeedButton6})
        button->setEnabled(false);
    setMenuEnabled(false);
}

// Every entry of the menu, the menus' own titles included.
QList<QAction*> MainWindow::menuActions() const {
    QList<QAction*> actions;
    for (QMenu* menu : ui->MainMenu1->findChildren<QMenu*>()) {
        actions << menu->menuAction();
        actions << menu->actions();
    }
    actions.removeIf([](QAction* action) { return action->isSeparator(); });
    return actions;
}

void MainWindow::setMenuEnabled(bool enabled) {
    for (QAction* action : menuActions())
        action->setEnabled(enabled);
}

bool MainWindow::menuEnabled() const {
    const auto actions = menuActions();
    // A hidden entry (the drive letter) is never enabled.
    return std::all_of(actions.begin(), actions.end(),
                       [](QAction* action) { return action->isEnabled() || !action->isVisible(); });
}

void MainWindow::enableToolbarAndMenu(bool withHelp) {
    for (QToolButton* button :
         {ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton3, ui->SpeedButton4, ui->SpeedButton5})
        button->setEnabled(true);
    if (withHelp)
        ui->SpeedButton6->setEnabled(true);
    setMenuEnabled(true);
}

bool MainWindow::vai() {
    setRegionalFormats();

    const Folders::FolderCheck folders = Folders::checkFolders(m_programFolder);
    for (const QString& message : folders.messages)
        Dialogs::message(this, message);
    if (!folders.databaseFolder.isEmpty())
        m_folders.minhabase = folders.databaseFolder;
    m_folders.meuexe = m_programFolder;
    m_folders.meudir = Folders::settingsFolder();
    if (folders.failed)
        return true;

    m_app.impressao()->setFontFamilies(QFontDatabase::families());

    m_app.ver()->show();
    setWindowTitle(QStringLiteral("Velmora") + u' ' + Folders::GetVersion());
    m_app.splash()->showProduct(QStringLiteral("Velmora"), Folders::GetVersion());

    mudatitulo();

    if (!openDatabase())
        return false;

    try {
        m_app.cadastro()->loadCityLists();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    m_app.cadastro()->preenchecombo_frm_cadastro();
    m_app.acentos()->iniciar();
    m_app.config()->loadOptions(QFontDatabase::families());
    m_app.agenda()->startUp();

    enableToolbarAndMenu(false);
    return true;
}

bool MainWindow::openDatabase() {
    NetworkWindow* network = m_app.form3();
    network->setFolderText(QString());
    const QString rede = m_folders.meudir + SettingsFiles::kRede;
    const bool shared = TextFile::exists(rede);
    try {
        if (shared)
            network->setFolderText(TextFile::readLines(rede).join(u'\n'));
        else
            network->setFolderText(m_folders.meuexe + SettingsFiles::kDataFolder);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    Connection* connection = m_app.dataModule()->ADOConnection1;
    connection->setPasswordPrompt([this](const QString& server, bool refused) {
        // Over the window in use ("Localizar Base" stays on top), never under the splash,
        // which goes as when its time is up.
        m_app.ver()->Timer1Timer();
        QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
        return Dialogs::password(over, QStringLiteral("Senha do servidor"),
                                 (refused ? QStringLiteral("A senha não confere. ") : QString()) +
                                     QStringLiteral("Senha para a base de dados em %1:").arg(server));
    });
    if (Database::isServerText(network->folderText()))
        return openServerBase(network->folderText().trimmed());
    const QString folder = Folders::devolvebarra(network->folderText());
    if (const QString server = SendToServer::serverOf(folder);
        !server.isEmpty() && followSentBase(folder, server))
        return openServerBase(server);
    if (!QFileInfo(folder + SettingsFiles::kBase).isFile()) {
        Dialogs::message(this, QStringLiteral("A Base de Dados não foi localizada  no caminho: ") + folder +
                                   SettingsFiles::kBase);
        // Where the base was looked for, for what asks for it later (the backup).
        m_app.dataModule()->ADOConnection1->setConnectionString(Connection::startupText(folder));
        LocalizarBase1Click();
        return true;
    }
    if (WindowsBase::isJetFile(folder + SettingsFiles::kBase) && !convertWindowsBase(folder, shared)) {
        Dialogs::message(this, QStringLiteral("Banco de Dados não pode ser conectado!") + u'\r' +
                                   QStringLiteral("Informe ao Suporte Técnico."));
        m_app.terminate();
        return false;
    }
    try {
        m_folders.minhabase = folder;
        connection->setLoginPrompt(false);
        connection->setConnectionString(Connection::startupText(m_folders.minhabase));
        connection->open();
        if (!connection->connected())
            throw AppError(QStringLiteral("not connected"));
        m_app.dataModule()->ADOTable1->open();
        tellIfReadOnly();
        m_app.backup()->loadFolderAtStartUp();
    } catch (const Schema::NewerBaseError& error) {
        Dialogs::message(this, error.message());
        m_app.terminate();
        return false;
    } catch (const AppError&) {
        Dialogs::message(this, QStringLiteral("Banco de Dados não pode ser conectado!") + u'\r' +
                                   QStringLiteral("Informe ao Suporte Técnico."));
        m_app.terminate();
        return false;
    }
    return true;
}

// Told before anyone types a record that could not be saved.
void MainWindow::tellIfReadOnly() {
    const QString readOnly = m_app.dataModule()->ADOConnection1->readOnlyReason();
    if (!readOnly.isEmpty())
        Dialogs::message(this,
                         QStringLiteral("A base de dados só pode ser lida nesta estação: %1. Os registros "
                                        "podem ser consultados, mas nenhum poderá ser incluído, "
                                        "alterado ou excluído.")
                             .arg(readOnly));
}

// The base of this folder was sent to the office's server from another station: this one
// uses the server too, when the user agrees.
bool MainWindow::followSentBase(const QString& folder, const QString& server) {
    if (Dialogs::ask(
            this,
            QStringLiteral("A base de dados de %1 foi enviada ao servidor do escritório (%2). Usar o "
                           "servidor nesta estação a partir de agora?")
                .arg(folder, server),
            QStringLiteral("Base enviada ao servidor"), Dialogs::Icon::Question,
            {Dialogs::Button::Yes, Dialogs::Button::No}, Dialogs::Button::Yes) != Dialogs::Button::Yes)
        return false;
    try {
        TextFile::writeText(m_folders.meudir + SettingsFiles::kRede, server);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    m_app.form3()->setFolderText(server);
    return true;
}

// A base on a server that cannot be reached is told as a missing base is, with the reason,
// and the user can name another place; start-up goes on.
bool MainWindow::openServerBase(const QString& server) {
    Connection* connection = m_app.dataModule()->ADOConnection1;
    connection->setLoginPrompt(false);
    connection->setConnectionString(server);
    try {
        connection->open();
        m_app.dataModule()->ADOTable1->open();
        tellIfReadOnly();
    } catch (const Schema::NewerBaseError& error) {
        Dialogs::message(this, error.message());
        m_app.terminate();
        return false;
    } catch (const AppError& error) {
        Dialogs::message(this, QStringLiteral("A Base de Dados não foi localizada  no caminho: ") +
                                   connection->dataSource() + QStringLiteral("\n\n") + error.message());
        LocalizarBase1Click();
        return true;
    }
    try {
        m_app.backup()->loadFolderAtStartUp();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    return true;
}

// A base copied over from the Windows edition becomes a base of this program, when the
// user agrees; false when it stays as it was.
bool MainWindow::convertWindowsBase(const QString& folder, bool shared) {
    QString question =
        QStringLiteral("Esta base de dados foi criada pela versão para Windows. Convertê-la agora? A "
                       "original será guardada como base-windows.mdb.");
    if (shared)
        question +=
            QStringLiteral(" A base está numa pasta compartilhada: feche antes o programa em todas as outras "
                           "estações.");
    if (Dialogs::ask(this, question, QStringLiteral("Base de dados da versão para Windows"),
                     Dialogs::Icon::Question, {Dialogs::Button::Yes, Dialogs::Button::No},
                     Dialogs::Button::Yes) != Dialogs::Button::Yes)
        return false;
    WindowsBase::Converted converted;
    try {
        const Progress::Scope progress(0);
        int counted = 0;
        converted = WindowsBase::convert(folder, [&counted](int done, int total) {
            if (total != counted)
                Progress::begin(counted = total);
            Progress::step(done);
        });
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return false;
    }
    Dialogs::information(
        this,
        QStringLiteral("A base de dados foi convertida: %1 registro(s). A original foi guardada "
                       "como %2.")
            .arg(converted.records)
            .arg(QFileInfo(converted.originalKeptAs).fileName()),
        QStringLiteral("Base de dados convertida"));
    return true;
}

void MainWindow::mudatitulo() {
    const QString path = m_folders.meudir + SettingsFiles::kCampos;
    if (!TextFile::exists(path))
        return;
    try {
        const ProfileFile titles(path);
        for (const QString& id : TitleCatalogue::startupReadOrder()) {
            const QString title = titles.readString(id, id);
            if (!title.isEmpty())
                m_app.cadastro()->applyTitle(id, title);
        }
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}

void MainWindow::openRegister(int page) {
    RegisterWindow* cadastro = m_app.cadastro();
    cadastro->show();
    cadastro->raise();
    cadastro->activateWindow();
    cadastro->showPage(page);
}

void MainWindow::SpeedButton4Click() {
    if (m_app.dataModule()->writingGuard()) {
        Dialogs::message(this, QStringLiteral("Não é possível fechar, a base está aberta para gravação."));
        return;
    }
    close();
}

void MainWindow::SpeedButton6Click() {
    const QString help = m_folders.meudir + SettingsFiles::kHelp;
    if (m_folders.meudir.isEmpty() || !QFileInfo(help).isFile())
        return;
    if (!HelpDocument::pdfProgramAssociated()) {
        Dialogs::message(this, QStringLiteral("O programa de leitura de arquivos PDF não está instalado."));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(help)))
        Dialogs::message(this, QStringLiteral("Não foi possível abrir o arquivo de leitura"));
}

void MainWindow::SpeedButton7Click() {
    m_app.backup()->show();
    m_app.backup()->raise();
}

void MainWindow::LocalizarBase1Click() {
    m_app.form3()->show();
    m_app.form3()->raise();
}

bool MainWindow::FormCloseQuery() {
    if (m_app.dataModule()->writingGuard()) {
        return Dialogs::confirm(this, QStringLiteral("A base está aberta para gravação, um cadastro pode ser "
                                                     "perdido, deseja fechar o programa?"));
    }
    if (m_app.backup()->hasFolder() &&
        Dialogs::confirm(this, QStringLiteral("Deseja realizar backup da base de dados?")))
        m_app.backup()->Button4Click();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    m_app.closeAll();
}
