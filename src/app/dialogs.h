#pragma once

#include <QList>
#include <QString>

class QWidget;

// Every message box and question of the program goes through here. The program shows
// real Qt dialogs; a test installs a stand-in that records each message and answers.
class Dialogs {
  public:
    enum class Icon { None, Information, Question, Warning, Error };
    enum class Button { Ok, Cancel, Yes, No };

    struct Message {
        Icon icon = Icon::None;
        QString caption;
        QString text;
        QList<Button> buttons;
        Button defaultButton = Button::Ok;
    };

    virtual ~Dialogs() = default;

    // The service in use; `dialogs` replaces it (nullptr restores the real dialogs).
    static Dialogs& instance();
    static void install(Dialogs* dialogs);

    // A plain message with an OK button, under the application's title.
    static void message(QWidget* parent, const QString& text);
    static void information(QWidget* parent, const QString& text, const QString& caption);
    // The application's standard error box.
    static void error(QWidget* parent, const QString& text);
    static Button ask(QWidget* parent, const QString& text, const QString& caption, Icon icon,
                      QList<Button> buttons, Button defaultButton);
    // A confirmation with OK and Cancel; true for OK.
    static bool confirm(QWidget* parent, const QString& text);

  protected:
    virtual Button show(QWidget* parent, const Message& message);
};
