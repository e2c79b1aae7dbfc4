#pragma once

#include <QApplication>
#include <QTest>
#include <memory>

class Application;
class RegisterWindow;
class TestEnvironment;

// Creates the windows over the environment's folders and runs the start-up routine.
std::unique_ptr<Application> startProgram(const TestEnvironment& env);

// Opens the register on a page, as the main window's buttons do, and makes it active.
RegisterWindow* openRegister(Application& app, int page);

// Runs a window test with the application object made as the program makes it: the
// report window's browser shares its drawing contexts with the windows.
template <typename Test> int runWindowTest(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

#define VELMORA_WINDOW_TEST_MAIN(Test)                                                                       \
    int main(int argc, char* argv[]) {                                                                       \
        return runWindowTest<Test>(argc, argv);                                                              \
    }
