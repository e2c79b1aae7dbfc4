#pragma once

#include <QObject>
#include <QPrinter>
#include <QQueue>
#include <QString>
#include <QVariant>

class QWebEngineView;

// The report window's browser over a QWebEngineView. Pages run no script of their own;
// the program's commands run in the application's script world. It offers what the report
// window needs and nothing more: navigating, refreshing, edit mode, document commands,
// the editing commands by their old ids, printing through the print dialogs, and saving
// the edited document.
class Browser : public QObject {
    Q_OBJECT
  public:
    explicit Browser(QWebEngineView* view);

    QWebEngineView* view() const { return m_view; }

    // A file path, or "about:blank".
    void navigate(const QString& target);
    void refresh();
    bool loading() const { return m_loading; }
    // The current document's file: the page's address, as a local path when it is a file,
    // or the file it was last saved as.
    QString currentPath() const;
    // Whether the page was changed since it loaded (typed into, or formatted).
    bool edited();

    // Lets the user type into the current page (once it has loaded).
    void setEditMode();
    // A document command by name with one value: "Bold", "Italic", "Underline", or
    // "ForeColor" with a colour.
    void documentCommand(const QString& name, const QVariant& value = {});
    // The editing commands of the old browser editor by id: 15 copy, 16 cut, 26 paste,
    // 57 centre, 59 left, 60 right, 2168 insert picture, 2184 numbered list, 2185 bulleted
    // list, 2186 indent, 2187 outdent. 2168 asks for the picture file. Unknown ids do nothing.
    void editingCommand(int id);

    // The printer the page set-up prepares and printing uses, at the printer's own
    // resolution.
    QPrinter& printer() { return m_printer; }
    void pageSetup();
    // Prints the page as it stands on `printer`; to a PDF file, as text. Throws AppError.
    void printPage(QPrinter& printer);
    // The page as a PDF file at `path`, its text kept as text, laid out as the printer's
    // page set-up says. Throws AppError.
    void savePdf(const QString& path);

    // Saves the document as it stands now, every edit included, as UTF-8 with its
    // encoding declared; the file becomes the document's current file. Throws AppError.
    void saveDocument(const QString& path);

    // Runs a script in the application world once the page has loaded and gives its
    // result; waits for it.
    QVariant evaluate(const QString& script);

  signals:
    void loadFinished(bool ok);

  private:
    void run(const QString& script);
    void waitForLoad();
    void savePdf(const QString& path, const QPageLayout& layout);

    QWebEngineView* m_view;
    QPrinter m_printer{QPrinter::HighResolution};
    QString m_savedAs; // the file the document was saved as since it loaded
    bool m_loading = false;
    QQueue<QString> m_pending; // scripts waiting for the page to load
};
