#include "application.h"

#include "dialogs.h"
#include "instancelock.h"
#include "mainwindow.h"
#include "smallwindows.h"

#include "backup/backupwindow.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "prefs/prefswindows.h"
#include "register/registerwindow.h"
#include "reports/reportwindows.h"
#include "titles/titleeditor.h"
#include "transfer/transferwindow.h"

#include <QApplication>

template <typename T, typename... Args> T* Application::create(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    T* created = object.get();
    m_creationOrder << created->objectName();
    m_objects.push_back(std::move(object));
    return created;
}

Application::Application(const QString& programFolder) {
    m_principal = create<MainWindow>(*this, programFolder);
    m_principal->showMaximized();
    QWidget* owner = m_principal;
    m_ver = create<SplashWindow>(*this, owner);
    m_form3 = create<NetworkWindow>(*this, owner);
    m_acentos = create<AccentsDialog>(*this, owner);
    m_splash = create<AboutWindow>(*this, owner);
    m_cadastro = create<RegisterWindow>(*this, owner);
    m_campos = create<FieldChooser>(*this, owner);
    m_impressao = create<ReportWindow>(*this, owner);
    m_form4 = create<ListEditor>(*this, owner);
    m_config = create<OptionsWindow>(*this, owner);
    m_drive = create<DriveDialog>(*this, owner);
    m_dataModule = create<DataModule>();
    m_cab = create<StyleSheetHolder>(*this, owner);
    m_trans = create<TransferWindow>(*this, owner);
    m_espere = create<WaitBox>(*this, owner);
    m_mudacampos = create<TitleEditor>(*this, owner);
    m_backup = create<BackupWindow>(*this, owner);

    // Windows made before the data module are bound to it now that it exists.
    m_cadastro->attachData(m_dataModule);
    m_impressao->attachData(m_dataModule);
    m_trans->attachData(m_dataModule);
}

Application::~Application() {
    // Windows go in the reverse order of their creation, the main window (which owns
    // the others) last; the data module outlives every window bound to it.
    std::unique_ptr<QObject> dataModule;
    while (!m_objects.empty()) {
        if (m_objects.back().get() == m_dataModule)
            dataModule = std::move(m_objects.back());
        m_objects.pop_back();
    }
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
