#include "application.h"

#include "common/dialogs.h"
#include "common/instancelock.h"
#include "common/progress.h"
#include "mainwindow.h"
#include "smallwindows.h"

#include "backup/backupwindow.h"
#include "calendar/calendarwindow.h"
#include "data/changewatcher.h"
#include "data/columns.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/sendwindow.h"
#include "data/sharedtable.h"
#include "history/historywindow.h"
#include "prefs/prefswindows.h"
#include "register/registerwindow.h"
#include "reports/reportwindows.h"
#include "titles/titleeditor.h"
#include "transfer/transferwindow.h"

#include <QApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

template <typename T, typename... Args> T* Application::create(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    T* created = object.get();
    m_creationOrder << created->objectName();
    m_objects.push_back(std::move(object));
    return created;
}

Application::Application(const QString& programFolder) {
    m_principal = create<MainWindow>(*this, m_folders, programFolder);
    m_principal->showMaximized();
    QWidget* owner = m_principal;
    const auto titles = [this](const QString& labelId) { return titleOf(labelId); };
    m_ver = create<SplashWindow>(owner);
    m_form3 = create<NetworkWindow>(m_folders, owner);
    m_acentos = create<AccentsDialog>(m_folders, owner);
    m_splash = create<AboutWindow>(owner);
    m_cadastro = create<RegisterWindow>(m_folders, owner);
    m_campos = create<FieldChooser>(titles, owner);
    m_impressao = create<ReportWindow>(m_folders, titles, owner);
    m_form4 = create<ListEditor>(m_folders, owner);
    m_config = create<OptionsWindow>(m_folders, owner);
    m_drive = create<DriveDialog>(m_folders, owner);
    m_dataModule = create<DataModule>();
    m_cab = create<StyleSheetHolder>(owner);
    m_trans = create<TransferWindow>(m_folders, owner);
    m_espere = create<WaitBox>(owner);
    m_mudacampos = create<TitleEditor>(m_folders, owner);
    m_backup = create<BackupWindow>(m_folders, m_dataModule, owner);
    m_historico = create<HistoryWindow>(titles, owner);
    m_enviar = create<SendWindow>(m_folders, owner);
    m_agenda = create<CalendarWindow>(m_folders, titles, owner);

    // Windows made before the data module are bound to it now that it exists.
    m_form3->attachData(m_dataModule);
    m_cadastro->attachData(m_dataModule);
    m_impressao->attachData(m_dataModule);
    m_trans->attachData(m_dataModule);
    m_historico->attachData(m_dataModule);
    m_enviar->attachData(m_dataModule);
    m_agenda->attachData(m_dataModule);
    Progress::install(m_espere);
    m_changes = std::make_unique<ChangeWatcher>(m_dataModule->ADOConnection1);
    connectWindows();
}

void Application::connectWindows() {
    QObject::connect(m_ver, &SplashWindow::gone, m_principal,
                     [this] { m_principal->enableToolbarAndMenu(true); });
    // "Histórico", and a record it brought back shown in the register.
    QObject::connect(m_cadastro, &RegisterWindow::historyRequested, m_historico, &HistoryWindow::showFor);
    QObject::connect(m_historico, &HistoryWindow::restored, m_dataModule->ADOTable1, [this](qint64 code) {
        SharedTable* table = m_dataModule->ADOTable1;
        try {
            table->reread();
            table->locate(Columns::kCodigo, QString::number(code));
        } catch (const AppError& error) {
            Dialogs::error(m_historico, error.message());
        }
    });
    // The lawyers' calendar: the hearings of the visible set to a file, and each record saved or
    // deleted here sent to the published calendar.
    QObject::connect(m_cadastro, &RegisterWindow::agendaExportRequested, m_agenda,
                     &CalendarWindow::exportAgenda);
    QObject::connect(m_dataModule->ADOTable1, &SharedTable::recordStored, m_agenda->publisher(),
                     &CalendarPublisher::recordStored);
    QObject::connect(m_dataModule->ADOTable1, &SharedTable::recordRemoved, m_agenda->publisher(),
                     &CalendarPublisher::recordRemoved);
    // Other stations' changes show without "Atualizar".
    QObject::connect(m_changes.get(), &ChangeWatcher::changedElsewhere, m_dataModule->ADOTable1,
                     &SharedTable::refreshFromBase);

    // What the register is told: the accents setting and the agenda's order, as they change.
    m_cadastro->setAccentsAllowed(m_acentos->accentsAllowed());
    QObject::connect(m_acentos, &AccentsDialog::accentsAllowedChanged, m_cadastro,
                     &RegisterWindow::setAccentsAllowed);
    m_cadastro->setAgendaByName(m_config->agendaByName());
    QObject::connect(m_config, &OptionsWindow::agendaOrderChanged, m_cadastro,
                     &RegisterWindow::setAgendaByName);

    // What windows ask of one another.
    const auto showWindow = [](QWidget* window) {
        window->show();
        window->raise();
    };
    QObject::connect(m_cadastro, &RegisterWindow::titleEditRequested, m_mudacampos, &TitleEditor::editTitle);
    QObject::connect(m_cadastro, &RegisterWindow::listEditorRequested, m_form4,
                     [=, this] { showWindow(m_form4); });
    QObject::connect(m_cadastro, &RegisterWindow::optionsRequested, m_config,
                     [=, this] { showWindow(m_config); });
    QObject::connect(m_cadastro, &RegisterWindow::fieldChooserRequested, m_campos,
                     [this] { m_campos->open(false); });
    QObject::connect(m_impressao, &ReportWindow::fieldChooserRequested, m_campos,
                     [this] { m_campos->open(true); });
    QObject::connect(m_cadastro, &RegisterWindow::listingRequested, m_impressao,
                     [this](const ListingRequest& request) { makeListing(request); });
    QObject::connect(m_campos, &FieldChooser::listingRequested, m_impressao,
                     [this](const ListingRequest& request) { makeListing(request); });
    QObject::connect(m_impressao, &ReportWindow::listingRepeatRequested, m_impressao,
                     [this] { repeatListing(); });
    QObject::connect(m_impressao, &ReportWindow::registerRequested, m_principal, &MainWindow::openRegister);
    QObject::connect(m_mudacampos, &TitleEditor::titleSaved, m_cadastro,
                     [this](const QString& id, const QString& title) {
                         m_cadastro->applyTitle(id, title);
                         m_cadastro->preenchecombo_frm_cadastro();
                     });
    QObject::connect(m_form4, &ListEditor::listSaved, m_cadastro, &RegisterWindow::setClientList);
    QObject::connect(m_trans, &TransferWindow::registerRefreshRequested, m_cadastro,
                     &RegisterWindow::Button8Click);
}

QString Application::titleOf(const QString& labelId) const {
    return m_cadastro->caption(labelId);
}

void Application::makeListing(const ListingRequest& request) {
    m_cadastro->refx = request.source;
    if (request.orderColumn)
        m_cadastro->IndexaColuna(*request.orderColumn);
    if (request.columns)
        m_impressao->setColumnSet(*request.columns);
    ListingInputs heading;
    heading.header = m_campos->headerText();
    m_campos->addAnnotationChoices(heading);
    heading.headerFont = m_config->headerFont();
    heading.headerFontSize = m_config->headerFontSize();
    heading.markInvalidNumbers = m_config->markInvalidNumbers();
    m_impressao->showListing(heading);
}

// A font chosen in the report window makes the last listing again in that font.
void Application::repeatListing() {
    if (m_cadastro->refx == QStringLiteral("1"))
        m_cadastro->Button3Click();
    else if (m_cadastro->refx == QStringLiteral("2"))
        m_campos->SpeedButton1Click();
}

Application::~Application() {
    // Windows go in the reverse order of their creation, the main window (which owns
    // the others) last; the data module outlives every window bound to it.
    Progress::install(nullptr);
    m_changes.reset();
    std::unique_ptr<QObject> dataModule;
    while (!m_objects.empty()) {
        if (m_objects.back().get() == m_dataModule)
            dataModule = std::move(m_objects.back());
        m_objects.pop_back();
    }
}

namespace {

// Texts of Qt 6's own windows that its Portuguese translation has not reached yet: the
// kinds of entry the file dialog lists.
class QtTextsMissing : public QTranslator {
  public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const QHash<QByteArray, QString> texts = {{"Folder", QStringLiteral("Pasta")},
                                                         {"File", QStringLiteral("Arquivo")},
                                                         {"Drive", QStringLiteral("Unidade")},
                                                         {"Shortcut", QStringLiteral("Atalho")},
                                                         {"Alias", QStringLiteral("Atalho")}};
        return texts.value(source);
    }
};

} // namespace

void Application::speakPortuguese() {
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    QLocale::setDefault(brazil);
    // The system's formats are read once, at first use: now, before the browser's engine
    // starts and changes the environment they are read from.
    QLocale::system();
    static QTranslator qtbase;
    if (qtbase.isEmpty() && qtbase.load(brazil, QStringLiteral("qtbase"), QStringLiteral("_"),
                                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtbase);
    static QtTextsMissing missing;
    QCoreApplication::installTranslator(&missing);
}

QIcon Application::icon() {
    return QIcon(QStringLiteral(":/velmora/br.com.belvoran.Velmora.svg"));
}

std::unique_ptr<Application> Application::launch(const QString& programFolder, InstanceLock& lock) {
    if (!lock.tryAcquire()) {
        Dialogs::information(nullptr, QStringLiteral("Atenção o programa já está aberto!."),
                             QStringLiteral("Atenção"));
        return nullptr;
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
    auto app = std::make_unique<Application>(programFolder);
    if (!app->principal()->vai() || app->terminated())
        return nullptr;
    return app;
}

void Application::closeAll() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != m_principal)
            window->hide();
    }
    QApplication::quit();
}
