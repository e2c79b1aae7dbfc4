#pragma once

#include "common/dialogs.h"

#include <QQueue>
#include <QStringList>

// Plays the user at every message box and dialog: records what was shown and gives the
// next scripted answer (or the box's default button, a cancelled dialog, when none is
// scripted).
class ScriptedDialogs : public Dialogs {
  public:
    ScriptedDialogs() { Dialogs::install(this); }
    ~ScriptedDialogs() override { Dialogs::install(nullptr); }

    void setNextAnswer(Button answer) { m_answers.enqueue(answer); }
    // The next file dialog gives this path; an empty one cancels.
    void setNextFile(const QString& path) { m_files.enqueue(path); }
    void setNextColor(std::optional<QColor> color) { m_colors.enqueue(color); }
    // The next password asked for; none cancels.
    void setNextPassword(std::optional<QString> password) { m_passwords.enqueue(password); }
    int passwordsAsked = 0;
    // The next print or page set-up dialog: `accept` prepares the printer and says whether
    // the user pressed OK.
    void setNextPrinterAnswer(std::function<bool(QPrinter&)> accept) {
        m_printers.enqueue(std::move(accept));
    }

    QList<Message> shown;
    QList<FileRequest> fileRequests;
    QList<PrinterDialog> printerDialogs;
    int previews = 0;
    // Prepares the printer before a preview paints its pages on it, as the real dialog
    // does once when it opens.
    std::function<void(QPrinter&)> onPreview;

    QStringList texts() const {
        QStringList result;
        for (const auto& message : shown)
            result << message.text;
        return result;
    }
    void clear() { shown.clear(); }

  protected:
    Button show(QWidget*, const Message& message) override {
        shown.append(message);
        return m_answers.isEmpty() ? message.defaultButton : m_answers.dequeue();
    }
    QString chooseFile(QWidget*, const FileRequest& request) override {
        fileRequests.append(request);
        return m_files.isEmpty() ? QString() : m_files.dequeue();
    }
    std::optional<QColor> chooseColor(QWidget*, const QColor&) override {
        return m_colors.isEmpty() ? std::nullopt : m_colors.dequeue();
    }
    std::optional<QString> askPassword(QWidget*, const QString&, const QString&) override {
        ++passwordsAsked;
        return m_passwords.isEmpty() ? std::nullopt : m_passwords.dequeue();
    }
    bool setUpPrinter(QWidget*, PrinterDialog kind, QPrinter& printer) override {
        printerDialogs.append(kind);
        return !m_printers.isEmpty() && m_printers.dequeue()(printer);
    }
    void preview(QWidget*, QPrinter& printer, const std::function<void(QPrinter*)>& paint) override {
        ++previews;
        if (onPreview)
            onPreview(printer);
        paint(&printer);
    }

  private:
    QQueue<Button> m_answers;
    QQueue<QString> m_files;
    QQueue<std::optional<QColor>> m_colors;
    QQueue<std::optional<QString>> m_passwords;
    QQueue<std::function<bool(QPrinter&)>> m_printers;
};
