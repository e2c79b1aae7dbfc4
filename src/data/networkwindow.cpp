#include "networkwindow.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/folders.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "connection.h"
#include "datamodule.h"
#include "nativequery.h"
#include "sharedtable.h"

#include <QFile>
#include <QFileInfo>

NetworkWindow::NetworkWindow(ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folders(folders) {
    connect(ui.Button1, &QPushButton::clicked, this, &NetworkWindow::Button1Click);
    connect(ui.Button2, &QPushButton::clicked, this, &NetworkWindow::Button2Click);
    connect(ui.Button3, &QPushButton::clicked, this, &QWidget::hide);
    connect(ui.Button4, &QPushButton::clicked, this, &NetworkWindow::Button4Click);
    connect(ui.BtnServidor, &QPushButton::clicked, this, &NetworkWindow::BtnServidorClick);
    connect(ui.BtnTestarConexao, &QPushButton::clicked, this, &NetworkWindow::BtnTestarConexaoClick);
    centreOnScreen();
}

void NetworkWindow::BtnServidorClick() {
    const QString text = ui.EServidor->text().trimmed();
    if (!Database::isServerText(text)) {
        Dialogs::message(this,
                         QStringLiteral("O endereço de um servidor começa com postgresql://, por exemplo "
                                        "postgresql://servidor/velmora?user=maria."));
        return;
    }
    setFolderText(text);
}

void NetworkWindow::BtnTestarConexaoClick() {
    const QString text = folderText().trimmed();
    if (!Database::isServerText(text)) {
        const QString base = Folders::devolvebarra(text) + SettingsFiles::kBase;
        Dialogs::message(this, QFileInfo(base).isFile()
                                   ? QStringLiteral("A base de dados foi encontrada em %1.").arg(base)
                                   : QStringLiteral("Base não localizada em: ") + base);
        return;
    }
    try {
        Connection probe;
        probe.setPasswordPrompt(m_data->ADOConnection1->passwordPrompt());
        probe.setConnectionString(text);
        probe.usePasswordOf(*m_data->ADOConnection1);
        probe.open();
        const qint64 records =
            NativeQuery::integers(probe.database(), QStringLiteral("SELECT count(*) FROM clientes"), {})
                .value(0);
        Dialogs::message(
            this,
            QStringLiteral("A conexão com o servidor funciona: a base tem %L1 registro(s).").arg(records));
    } catch (const AppError& error) {
        Dialogs::message(this, QStringLiteral("A conexão com o servidor falhou.\n\n") + error.message());
    }
}

void NetworkWindow::Button1Click() {
    const QString chosen =
        Dialogs::openFileName(this, QStringLiteral("Localizar Base"), QStringLiteral("Base de dados (*.mdb)"),
                              QStringLiteral("base.mdb"));
    setFolderText(chosen.isEmpty() ? QString() : QFileInfo(chosen).absolutePath());
}

void NetworkWindow::Button2Click() {
    try {
        connectToFolder();
    } catch (const AppError& error) {
        // A server says why; a folder keeps its old short answer.
        const bool server = Database::isServerText(folderText());
        Dialogs::message(this,
                         server ? QStringLiteral("falha!\n\n") + error.message() : QStringLiteral("falha!"));
        return;
    }
    Dialogs::message(this, QStringLiteral("as configurações foram realizadas"));
}

// Stores the location before trying it, so that a folder that fails now is still tried at
// the next start. Every failure throws.
void NetworkWindow::connectToFolder() {
    ProgramFolders* principal = &m_folders;
    DataModule* data = m_data;
    if (data->ADOConnection1->connected())
        data->ADOConnection1->close();
    data->ADOTable1->close();
    TextFile::writeText(principal->meudir + SettingsFiles::kRede, folderText());
    if (Database::isServerText(folderText())) {
        data->ADOConnection1->setConnectionString(folderText().trimmed());
        data->ADOConnection1->open();
        data->ADOTable1->open();
        return;
    }
    if (!folderText().isEmpty()) {
        principal->minhabase = Folders::devolvebarra(folderText());
    } else {
        const QString programData = principal->meuexe + SettingsFiles::kDataFolder;
        if (!QFileInfo::exists(programData + u'/' + SettingsFiles::kBase)) {
            Dialogs::message(this, QStringLiteral("Base não localizada em: ") + programData);
            throw AppError(QStringLiteral("Base não localizada"));
        }
        principal->minhabase = programData + u'/';
    }
    data->ADOConnection1->setConnectionString(Connection::networkText(principal->minhabase));
    data->ADOConnection1->open();
    data->ADOTable1->open();
}

void NetworkWindow::Button4Click() {
    QFile::remove(m_folders.meudir + SettingsFiles::kRede);
    Dialogs::message(this, QStringLiteral("para que as configurações sejam efetuadas reinicie o programa"));
}
