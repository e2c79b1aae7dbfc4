#include "dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPushButton>

namespace {

Dialogs* installed = nullptr;

QString applicationTitle() {
    return QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Velmora")
                                                            : QApplication::applicationDisplayName();
}

QMessageBox::Icon boxIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Error:
        return QMessageBox::Critical;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString buttonText(Dialogs::Button button) {
    switch (button) {
    case Dialogs::Button::Ok:
        return QStringLiteral("OK");
    case Dialogs::Button::Cancel:
        return QStringLiteral("Cancelar");
    case Dialogs::Button::Yes:
        return QStringLiteral("Sim");
    case Dialogs::Button::No:
        return QStringLiteral("Não");
    }
    return {};
}

} // namespace

Dialogs& Dialogs::instance() {
    static Dialogs real;
    return installed ? *installed : real;
}

void Dialogs::install(Dialogs* dialogs) {
    installed = dialogs;
}

void Dialogs::message(QWidget* parent, const QString& text) {
    instance().show(parent, {Icon::None, applicationTitle(), text, {Button::Ok}, Button::Ok});
}

void Dialogs::information(QWidget* parent, const QString& text, const QString& caption) {
    instance().show(parent, {Icon::Information, caption, text, {Button::Ok}, Button::Ok});
}

void Dialogs::error(QWidget* parent, const QString& text) {
    instance().show(parent, {Icon::Error, applicationTitle(), text, {Button::Ok}, Button::Ok});
}

Dialogs::Button Dialogs::ask(QWidget* parent, const QString& text, const QString& caption, Icon icon,
                             QList<Button> buttons, Button defaultButton) {
    return instance().show(parent, {icon, caption, text, std::move(buttons), defaultButton});
}

bool Dialogs::confirm(QWidget* parent, const QString& text) {
    return ask(parent, text, QStringLiteral("Confirmação"), Icon::Question, {Button::Ok, Button::Cancel},
               Button::Ok) == Button::Ok;
}

QString Dialogs::fileToWrite(QWidget* parent, const QString& title, const QString& filter,
                             const QStringList& extensions, const QString& suggested) {
    QString path = saveFileName(parent, title, filter, suggested);
    if (path.isEmpty())
        return {};
    if (std::none_of(extensions.begin(), extensions.end(), [&path](const QString& extension) {
            return path.endsWith(extension, Qt::CaseInsensitive);
        }))
        path += extensions.value(0);
    const bool replace =
        !QFileInfo::exists(path) ||
        ask(parent, QStringLiteral("%1 já existe.\nDeseja substituí-lo?").arg(QFileInfo(path).fileName()),
            title, Icon::Warning, {Button::Yes, Button::No}, Button::No) == Button::Yes;
    return replace ? path : QString();
}

QString Dialogs::openFileName(QWidget* parent, const QString& title, const QString& filter,
                              const QString& suggested) {
    return instance().chooseFile(parent, {FileRequest::Kind::Open, title, filter, suggested});
}

QString Dialogs::saveFileName(QWidget* parent, const QString& title, const QString& filter,
                              const QString& suggested) {
    return instance().chooseFile(parent, {FileRequest::Kind::Save, title, filter, suggested});
}

QString Dialogs::existingFolder(QWidget* parent, const QString& title, const QString& suggested) {
    return instance().chooseFile(parent, {FileRequest::Kind::Folder, title, {}, suggested});
}

std::optional<QColor> Dialogs::color(QWidget* parent, const QColor& initial) {
    return instance().chooseColor(parent, initial);
}

std::optional<QString> Dialogs::password(QWidget* parent, const QString& caption, const QString& label) {
    return instance().askPassword(parent, caption, label);
}

bool Dialogs::printer(QWidget* parent, PrinterDialog kind, QPrinter& printer) {
    return instance().setUpPrinter(parent, kind, printer);
}

void Dialogs::printPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    instance().preview(parent, printer, paint);
}

QString Dialogs::chooseFile(QWidget* parent, const FileRequest& request) {
    switch (request.kind) {
    case FileRequest::Kind::Open:
        return QFileDialog::getOpenFileName(parent, request.title, request.suggested, request.filter);
    case FileRequest::Kind::Save:
        return QFileDialog::getSaveFileName(parent, request.title, request.suggested, request.filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    case FileRequest::Kind::Folder:
        return QFileDialog::getExistingDirectory(parent, request.title, request.suggested);
    }
    return {};
}

std::optional<QColor> Dialogs::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
}

std::optional<QString> Dialogs::askPassword(QWidget* parent, const QString& caption, const QString& label) {
    bool accepted = false;
    const QString typed =
        QInputDialog::getText(parent, caption, label, QLineEdit::Password, QString(), &accepted);
    return accepted ? std::optional<QString>(typed) : std::nullopt;
}

bool Dialogs::setUpPrinter(QWidget* parent, PrinterDialog kind, QPrinter& printer) {
    if (kind == PrinterDialog::PageSetup)
        return QPageSetupDialog(&printer, parent).exec() == QDialog::Accepted;
    return QPrintDialog(&printer, parent).exec() == QDialog::Accepted;
}

void Dialogs::preview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}

Dialogs::Button Dialogs::show(QWidget* parent, const Message& message) {
    QMessageBox box(boxIcon(message.icon), message.caption, message.text, QMessageBox::NoButton, parent);
    QList<QPair<QAbstractButton*, Button>> buttons;
    for (Button button : message.buttons) {
        const auto role =
            button == Button::Ok || button == Button::Yes ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        QPushButton* pushButton = box.addButton(buttonText(button), role);
        buttons.append({pushButton, button});
        if (button == message.defaultButton)
            box.setDefaultButton(pushButton);
        if (button == Button::Cancel || button == Button::No)
            box.setEscapeButton(pushButton);
    }
    box.exec();
    for (const auto& [pushButton, button] : buttons) {
        if (box.clickedButton() == pushButton)
            return button;
    }
    return message.buttons.contains(Button::Cancel)
               ? Button::Cancel
               : (message.buttons.contains(Button::No) ? Button::No : Button::Ok);
}
