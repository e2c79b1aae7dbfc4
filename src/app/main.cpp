#include "app/application.h"
#include "common/folders.h"
#include "common/instancelock.h"

#include <QApplication>
#include <unistd.h>

int main(int argc, char* argv[]) {
    // The browser's sandbox cannot run for the superuser (an installer's shell, a
    // container); Chromium then refuses to start at all.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The report window's browser shares its drawing contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The dates Qt's own dialogs show follow the system's time formats: Brazilian ones.
    qputenv("LC_TIME", "pt_BR.UTF-8");
    QApplication qtApplication(argc, argv);
    Application::speakPortuguese();
    QApplication::setWindowIcon(Application::icon());
    QGuiApplication::setDesktopFileName(Application::kDesktopId);
    InstanceLock lock;
    const auto app = Application::launch(Folders::devolvebarra(QApplication::applicationDirPath()), lock);
    if (!app)
        return 0;
    return QApplication::exec();
}
