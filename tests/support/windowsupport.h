#pragma once

#include <memory>

class Application;
class RegisterWindow;
class TestEnvironment;

// Creates the windows over the environment's folders and runs the start-up routine.
std::unique_ptr<Application> startProgram(const TestEnvironment& env);

// Opens the register on a page, as the main window's buttons do, and makes it active.
RegisterWindow* openRegister(Application& app, int page);
