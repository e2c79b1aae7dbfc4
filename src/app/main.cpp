#include "app/application.h"
#include "common/folders.h"
#include "common/instancelock.h"

#include <QApplication>
#include <unistd.h>

namespace {

// Qt's own dialogs show dates in the system's time format, which Qt reads once, while its
// libraries are loaded, before the program runs: when the environment names another, the
// program starts again with the Brazilian one. A format the user forces for everything
// (LC_ALL) is kept.
void useBrazilianDates(char* argv[]) {
    if (qEnvironmentVariableIsSet("LC_ALL") || qgetenv("LC_TIME") == "pt_BR.UTF-8")
        return;
    qputenv("LC_TIME", "pt_BR.UTF-8");
    ::execv("/proc/self/exe", argv); // on failure the program goes on with the dates as they are
}

} // namespace

int main(int argc, char* argv[]) {
    useBrazilianDates(argv);
    // The browser's sandbox cannot run for the superuser (an installer's shell, a
    // container); Chromium then refuses to start at all.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The report window's browser shares its drawing contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
