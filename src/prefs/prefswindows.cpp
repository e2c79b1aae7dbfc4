#include "prefswindows.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "register/citylists.h"

#include <QLineEdit>

// ---- accents ----

AccentsDialog::AccentsDialog(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folders(folders) {
    connect(ui.Rpacentos, &QRadioButton::toggled, this, &AccentsDialog::accentsAllowedChanged);
    connect(ui.Bgravar, &QPushButton::clicked, this, &AccentsDialog::BgravarClick);
    connect(ui.Bsair, &QPushButton::clicked, this, &QWidget::hide);
    centreOnScreen();
}

void AccentsDialog::iniciar() {
    const QString path = m_folders.meudir + SettingsFiles::kAcentos;
    try {
        if (!TextFile::exists(path))
            return;
        const QStringList lines = TextFile::readLines(path);
        ui.Macentos->setPlainText(lines.join(u'\n'));
        (lines.value(0) == QStringLiteral("sim") ? ui.Rpacentos : ui.Rnacentos)->setChecked(true);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}

void AccentsDialog::BgravarClick() {
    const QString line = accentsAllowed() ? QStringLiteral("sim") : QStringLiteral("não");
    ui.Macentos->setPlainText(line);
    try {
        TextFile::writeLine(m_folders.meudir + SettingsFiles::kAcentos, line);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}

// ---- the list editor ----

ListEditor::ListEditor(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folders(folders) {
    connect(ui.Bcidades, &QPushButton::clicked, this, &ListEditor::BcidadesClick);
    connect(ui.Bestados, &QPushButton::clicked, this, &ListEditor::BestadosClick);
    connect(ui.Button2, &QPushButton::clicked, this, &QWidget::hide);
}

void ListEditor::showEvent(QShowEvent* event) {
    try {
        for (const auto& [box, file] : {std::pair{ui.Rcidades, SettingsFiles::kCities},
                                        std::pair{ui.Restados, SettingsFiles::kStates}}) {
            if (const auto entries = CityLists::read(m_folders.meudir + file))
                box->setPlainText(entries->join(u'\n'));
        }
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    FormWindow::showEvent(event);
}

void ListEditor::saveList(QPlainTextEdit* box, const QString& file, bool cities) {
    const QString path = m_folders.meudir + file;
    try {
        TextFile::writeLines(path, CityLists::sorted(TextFile::splitLines(box->toPlainText())));
        const QStringList entries = CityLists::read(path).value_or(QStringList());
        box->setPlainText(entries.join(u'\n'));
        emit listSaved(cities, entries);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return;
    }
    Dialogs::message(this, QStringLiteral("Dados Gravados"));
}

void ListEditor::BcidadesClick() {
    saveList(ui.Rcidades, SettingsFiles::kCities, true);
}

void ListEditor::BestadosClick() {
    saveList(ui.Restados, SettingsFiles::kStates, false);
}

// ---- the drive letter ----

DriveDialog::DriveDialog(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent), m_folders(folders) {
    ui.Cletra->setCurrentText(QStringLiteral("D"));
    ui.Cletra->lineEdit()->setMaxLength(1);
    connect(ui.Bletra, &QPushButton::clicked, this, &DriveDialog::BletraClick);
    connect(ui.Bsair, &QPushButton::clicked, this, &QWidget::hide);
    centreOnScreen();
}

void DriveDialog::BletraClick() {
    ui.Memo1->setPlainText(ui.Cletra->currentText());
    try {
        TextFile::writeLine(m_folders.meudir + SettingsFiles::kLetra, ui.Cletra->currentText());
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}
