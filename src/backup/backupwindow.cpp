#include "backupwindow.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/folders.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "databasebackup.h"

#include <QDir>
#include <QFileInfo>

BackupWindow::BackupWindow(const ProgramFolders& folders, DataModule* data, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folders(folders), m_data(data) {
    connect(ui.Button1, &QPushButton::clicked, this, &BackupWindow::Button1Click);
    connect(ui.Button4, &QPushButton::clicked, this, &BackupWindow::Button4Click);
    connect(ui.Button3, &QPushButton::clicked, this, &QWidget::hide);
    // The box keeps the folder's text; the label beside it shows it.
    ui.Memo1->hide();
    connect(ui.Memo1, &QPlainTextEdit::textChanged, this, &BackupWindow::showFolder);
    centreOnScreen();
}

void BackupWindow::showFolder() {
    const QString folder = folderText();
    const int room = std::max(ui.LabelPasta->contentsRect().width() - 8, 40);
    ui.LabelPasta->setText(ui.LabelPasta->fontMetrics().elidedText(folder, Qt::ElideMiddle, room));
    ui.LabelPasta->setToolTip(folder);
}

void BackupWindow::resizeEvent(QResizeEvent* event) {
    FormWindow::resizeEvent(event);
    showFolder();
}

void BackupWindow::loadFolder() {
    const QString path = m_folders.meudir + SettingsFiles::kBackup;
    if (TextFile::exists(path))
        ui.Memo1->setPlainText(TextFile::readLines(path).join(u'\n'));
}

void BackupWindow::loadFolderAtStartUp() {
    loadFolder();
    if (hasFolder())
        return;
    Dialogs::message(parentWidget(),
                     QStringLiteral("Por favor escolha uma pasta para backup da base de dados."));
    show();
    raise();
}

void BackupWindow::showEvent(QShowEvent* event) {
    try {
        loadFolder();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    FormWindow::showEvent(event);
}

void BackupWindow::Button1Click() {
    // The dialog opens at the folder chosen before, or at the user's own.
    const QString start =
        hasFolder() ? Folders::devolvebarra(folderText().trimmed()) : QDir::homePath() + u'/';
    const QString chosen =
        Dialogs::saveFileName(this, QString(), QString(), start + QStringLiteral("base.mdb"));
    if (chosen.isEmpty()) {
        ui.Memo1->clear();
        return;
    }
    ui.Memo1->setPlainText(QFileInfo(chosen).absolutePath());
    try {
        TextFile::writeText(m_folders.meudir + SettingsFiles::kBackup, folderText());
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}

void BackupWindow::Button4Click() {
    if (!hasFolder()) {
        Dialogs::message(this, QStringLiteral("Escolha o caminho para salvar a base de dados."));
        return;
    }
    DataModule* data = m_data;
    if (data->writingGuard()) {
        Dialogs::message(
            this, QStringLiteral("Não é possível realizar o backup, a base está aberta para gravação."));
        return;
    }
    if (!data->ADOConnection1->connected()) {
        const QString sought = data->ADOConnection1->dataSource();
        Dialogs::message(this,
                         QStringLiteral("A base de dados não pôde ser alcançada%1; o backup não foi feito.")
                             .arg(sought.isEmpty() ? QString() : QStringLiteral(" em ") + sought));
        return;
    }
    runBackup();
}

void BackupWindow::runBackup() {
    const QDateTime now = QDateTime::currentDateTime();
    const QString databaseFolder = m_folders.minhabase;
    const QString source = databaseFolder + SettingsFiles::kBase;
    // A base on a server is copied into a base file of the folder chosen.
    const bool server = m_data->ADOConnection1->isServer();
    if (!server && !QFileInfo::exists(source)) {
        Dialogs::message(this, QStringLiteral("A base de dados não foi localizada em: ") + source);
        return;
    }
    const QString folder = Folders::devolvebarra(folderText().trimmed());
    const QString target = DatabaseBackup::targetName(folder, now);
    if ((!server && DatabaseBackup::sameFolder(databaseFolder, folder)) || source.trimmed().isEmpty() ||
        target.trimmed().isEmpty()) {
        Dialogs::message(this,
                         QStringLiteral("Não é possível gravar o arquivo na pasta da do arquivo original, "
                                        "escolha outra pasta e tente outra vez"));
        return;
    }

    // The copy is read through the table's own connection, as a snapshot: the table stays
    // open meanwhile, so the register keeps showing its records whatever the copy meets.
    SharedTable* table = m_data->ADOTable1;
    const QString name = table->fieldText(QStringLiteral("AGE_NOME"));
    try {
        DatabaseBackup::copy(m_data->ADOConnection1->database(), target);
    } catch (const AppError&) {
        // Whether the copy is there says it all, as below.
    }
    try {
        table->reread();
        table->locate(QStringLiteral("AGE_NOME"), name);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    Dialogs::message(this, QFileInfo::exists(target) ? QStringLiteral("o backup foi realizado.")
                                                     : QStringLiteral("O backup falhou."));
}
