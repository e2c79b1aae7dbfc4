#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include <QPrinter>
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

    // File dialogs; the empty text when cancelled. Filters are in Qt's form,
    // "Arquivos htm (*.htm)".
    struct FileRequest {
        enum class Kind { Open, Save, Folder } kind = Kind::Open;
        QString title;
        QString filter;
        QString suggested; // folder or file the dialog starts at
    };
    static QString openFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& suggested = {});
    // The program asks before overwriting, so the dialog does not.
    static QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& suggested = {});
    static QString existingFolder(QWidget* parent, const QString& title, const QString& suggested = {});
    // A file to write: the name asked for, the first of its kind's extensions added unless it
    // ends with one already (a name with dots of its own, "Carta Dr. Silva", still gets it),
    // and when that file exists, the user's leave to replace it; empty when cancelled.
    static QString fileToWrite(QWidget* parent, const QString& title, const QString& filter,
                               const QStringList& extensions, const QString& suggested = {});

    static std::optional<QColor> color(QWidget* parent, const QColor& initial);

    // A password typed by the user, shown as dots; nothing when cancelled.
    static std::optional<QString> password(QWidget* parent, const QString& caption, const QString& label);

    // The print and page set-up dialogs on `printer`; true when the user accepted.
    enum class PrinterDialog { Print, PageSetup };
    static bool printer(QWidget* parent, PrinterDialog kind, QPrinter& printer);
    // The print preview, whose pages `paint` draws on the printer it is given.
    static void printPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint);

  protected:
    virtual Button show(QWidget* parent, const Message& message);
    virtual QString chooseFile(QWidget* parent, const FileRequest& request);
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial);
    virtual std::optional<QString> askPassword(QWidget* parent, const QString& caption, const QString& label);
    virtual bool setUpPrinter(QWidget* parent, PrinterDialog kind, QPrinter& printer);
    virtual void preview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint);
};
