#include "sendwindow.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "connection.h"
#include "datamodule.h"
#include "sendtoserver.h"
#include "sharedtable.h"

#include <QFileInfo>

SendWindow::SendWindow(ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Window), m_folders(folders) {
    connect(ui.BtnEscolher, &QPushButton::clicked, this, &SendWindow::BtnEscolherClick);
    connect(ui.BtnEnviar, &QPushButton::clicked, this, &SendWindow::BtnEnviarClick);
    connect(ui.BtnFechar, &QPushButton::clicked, this, &QWidget::hide);
    centreOnScreen();
}

void SendWindow::open() {
    const Connection* connection = m_data->ADOConnection1;
    if (ui.EBase->text().isEmpty() && connection->connected() && !connection->isServer())
        ui.EBase->setText(connection->dataSource());
    show();
    raise();
}

void SendWindow::BtnEscolherClick() {
    const QString chosen =
        Dialogs::openFileName(this, QStringLiteral("Base a enviar"), QStringLiteral("Base de dados (*.mdb)"),
                              ui.EBase->text().isEmpty() ? SettingsFiles::kBase : ui.EBase->text());
    if (!chosen.isEmpty())
        ui.EBase->setText(chosen);
}

bool SendWindow::sendingTheBaseInUse(const QString& path) const {
    const Connection* connection = m_data->ADOConnection1;
    return connection->connected() && !connection->isServer() &&
           QFileInfo(connection->dataSource()).canonicalFilePath() == QFileInfo(path).canonicalFilePath();
}

void SendWindow::BtnEnviarClick() {
    const QString path = ui.EBase->text().trimmed();
    const QString server = ui.EServidor->text().trimmed();
    if (m_data->writingGuard()) {
        Dialogs::message(this,
                         QStringLiteral("Não é possível enviar a base, ela está aberta para gravação."));
        return;
    }
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        Dialogs::message(this, QStringLiteral("Base não localizada em: ") + path);
        return;
    }
    if (!Database::isServerText(server)) {
        Dialogs::message(this,
                         QStringLiteral("O endereço de um servidor começa com postgresql://, por exemplo "
                                        "postgresql://servidor/velmora?user=maria."));
        return;
    }
    if (!Dialogs::confirm(this, QStringLiteral("Enviar todos os registros de %1 ao servidor? Feche antes o "
                                               "programa nas outras estações que usam esta base: depois do "
                                               "envio ela não aceita mais alterações.")
                                    .arg(path)))
        return;

    Connection target;
    target.setPasswordPrompt(m_data->ADOConnection1->passwordPrompt());
    target.setConnectionString(server);
    const bool inUse = sendingTheBaseInUse(path);
    SendToServer::Sent sent;
    try {
        target.open();
        if (inUse) {
            m_data->ADOTable1->close();
            m_data->ADOConnection1->close();
        }
        sent = SendToServer::send(path, target.database());
    } catch (const AppError& error) {
        if (inUse) {
            try {
                m_data->ADOConnection1->open();
                m_data->ADOTable1->open();
            } catch (const AppError& reopen) {
                Dialogs::error(this, reopen.message());
            }
        }
        Dialogs::message(this,
                         QStringLiteral("O envio falhou; a base e o servidor ficaram como estavam.\n\n") +
                             error.message());
        return;
    }
    QString done =
        QStringLiteral("A base foi enviada ao servidor: %L1 registro(s) e %L2 evento(s) de histórico, "
                       "conferidos.")
            .arg(sent.records)
            .arg(sent.events);
    if (!sent.keptAs.isEmpty())
        done += QStringLiteral(" A base antiga foi guardada como %1.").arg(QFileInfo(sent.keptAs).fileName());
    try {
        useServer(target);
        done += QStringLiteral(" Esta estação passa a usar o servidor.");
    } catch (const AppError& error) {
        done += QStringLiteral("\n\nA conexão com o servidor falhou: ") + error.message();
    }
    Dialogs::message(this, done);
    hide();
}

// rede.ini names the server, and the register shows its records; the password given for the
// sending is not asked again.
void SendWindow::useServer(const Connection& server) {
    TextFile::writeText(m_folders.meudir + SettingsFiles::kRede, server.connectionString());
    Connection* connection = m_data->ADOConnection1;
    connection->close();
    m_data->ADOTable1->close();
    connection->setConnectionString(server.connectionString());
    connection->usePasswordOf(server);
    connection->open();
    m_data->ADOTable1->open();
}
