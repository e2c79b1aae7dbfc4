#include "windowsupport.h"

#include "app/application.h"
#include "app/mainwindow.h"
#include "register/registerwindow.h"
#include "testenvironment.h"

#include <QApplication>

std::unique_ptr<Application> startProgram(const TestEnvironment& env) {
    auto app = std::make_unique<Application>(env.programFolder());
    app->principal()->vai();
    return app;
}

RegisterWindow* openRegister(Application& app, int page) {
    app.principal()->openRegister(page);
    QApplication::setActiveWindow(app.cadastro());
    return app.cadastro();
}
