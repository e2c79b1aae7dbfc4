#include "app/application.h"
#include "app/folders.h"
#include "app/instancelock.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The report window's browser shares its drawing contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication qtApplication(argc, argv);
    InstanceLock lock;
    const auto app = Application::launch(Folders::devolvebarra(QApplication::applicationDirPath()), lock);
    if (!app)
        return 0;
    return QApplication::exec();
}
