// Plays the installer: creates what the program expects to find and never creates
// itself. Nothing the office made is overwritten.
//   <program folder>/Dados/base.mdb   an empty case database (table clientes)
//   <settings folder>/Dados/comarcas/ the per-user settings folder with its lists folder,
//                                     the list of states holding the 27 federative units
//   <settings folder>/ajuda.pdf       the help document, replaced when this version's differs
//
//   velmora-install             both parts
//   velmora-install --dados     only the program folder's base (an administrator, once)
//   velmora-install --usuario   only the settings folder of the user who runs it
//   velmora-install --servidor URI   the office's database on a PostgreSQL server, made
//                                    ready by its owner
//   velmora-install --enviar PASTA URI   the base.mdb of a folder sent to that server's empty
//                                        database

#include "common/apperror.h"
#include "common/folders.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "data/schema.h"
#include "data/sendtoserver.h"
#include "data/server.h"
#include "register/citylists.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>
#include <termios.h>
#include <unistd.h>

namespace {

QTextStream out(stdout);

void makeFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("Não foi possível criar a pasta %1").arg(folder));
}

void createDatabase(const QString& path) {
    Schema::create(Database::openFile(path, true));
}

void installDatabase(const QString& programFolder) {
    const QString dataFolder = programFolder + SettingsFiles::kDataFolder;
    makeFolder(dataFolder);
    const QString base = dataFolder + u'/' + SettingsFiles::kBase;
    if (!QFileInfo::exists(base)) {
        createDatabase(base);
        out << "Base criada: " << base << Qt::endl;
    }
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Não foi possível ler %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// The help built beside the programs, or the one installed with the documentation.
QString helpSource(const QString& programFolder) {
    for (const QString& candidate :
         {programFolder + SettingsFiles::kHelp,
          programFolder + QStringLiteral(VELMORA_DOC_FROM_PROGRAM "/") + SettingsFiles::kHelp}) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

void installHelp(const QString& programFolder, const QString& settingsFolder) {
    const QString source = helpSource(programFolder);
    if (source.isEmpty())
        return;
    const QByteArray help = fileBytes(source);
    const QString target = settingsFolder + SettingsFiles::kHelp;
    if (QFileInfo::exists(target) && fileBytes(target) == help)
        return;
    TextFile::writeBytes(target, help);
    out << "Ajuda instalada: " << target << Qt::endl;
}

void installUserSettings(const QString& programFolder) {
    const QString settingsFolder = Folders::settingsFolder();
    makeFolder(settingsFolder + SettingsFiles::kListsFolder);
    const QString states = settingsFolder + SettingsFiles::kStates;
    if (!QFileInfo::exists(states)) {
        TextFile::writeLines(states, CityLists::brazilianStates());
        out << "Lista de estados criada: " << states << Qt::endl;
    }
    installHelp(programFolder, settingsFolder);
    out << "Pasta de configurações: " << settingsFolder << Qt::endl;
}

// The password of a server, read from the terminal without showing it, when libpq finds
// none (~/.pgpass, the service file, PGPASSWORD).
QString passwordFromTerminal(const QString& server) {
    QTextStream prompt(stderr);
    prompt << "Senha para " << server << ": " << Qt::flush;
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &hidden);
    }
    QTextStream input(stdin);
    const QString typed = input.readLine();
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    prompt << Qt::endl;
    return typed;
}

Database openServer(const QString& connectionText) {
    try {
        return Database::openServer(connectionText);
    } catch (const PasswordNeeded&) {
        return Database::openServer(connectionText,
                                    passwordFromTerminal(Server::displayName(connectionText)));
    }
}

// --servidor: the office's database on its server made ready, by its owner.
void prepareServer(const QString& connectionText) {
    const Database db = openServer(connectionText);
    Schema::prepareServer(db);
    out << "Base preparada no servidor: " << db.name() << Qt::endl
        << "Para cada membro da equipe, com o login de cada um já criado no servidor:" << Qt::endl
        << "    GRANT " << Schema::kStaffRole << " TO <login>;" << Qt::endl;
}

// --enviar: the base of a folder sent to the office's server; its stations are told at
// their next start.
void sendBase(const QString& folder, const QString& connectionText) {
    const Database db = openServer(connectionText);
    Schema::upgrade(db);
    const SendToServer::Sent sent =
        SendToServer::send(Folders::devolvebarra(folder) + SettingsFiles::kBase, db);
    out << "Base enviada ao servidor " << db.name() << ": " << sent.records << " registro(s) e "
        << sent.events << " evento(s) de histórico, conferidos." << Qt::endl
        << "A base antiga foi guardada como " << sent.keptAs << "; as estações que a usavam passam "
        << "ao servidor no próximo início do programa." << Qt::endl;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Instala a base de dados e a pasta de configurações do Velmora."));
    parser.addHelpOption();
    const QCommandLineOption databaseOnly(QStringLiteral("dados"),
                                          QStringLiteral("Só a base de dados na pasta Dados do programa."));
    const QCommandLineOption userOnly(QStringLiteral("usuario"),
                                      QStringLiteral("Só a pasta de configurações de quem executa."));
    const QCommandLineOption server(
        QStringLiteral("servidor"),
        QStringLiteral("Prepara a base do escritório num servidor PostgreSQL, como seu "
                       "dono (uma base vazia, ou uma já preparada)."),
        QStringLiteral("URI"));
    const QCommandLineOption send(
        QStringLiteral("enviar"),
        QStringLiteral("Envia a base.mdb da PASTA à base vazia do servidor URI (o segundo argumento)."),
        QStringLiteral("PASTA"));
    parser.addOptions({databaseOnly, userOnly, server, send});
    parser.addPositionalArgument(QStringLiteral("URI"), QStringLiteral("O servidor, com --enviar."));
    parser.process(application);
    const bool both = !parser.isSet(databaseOnly) && !parser.isSet(userOnly);
    try {
        if (parser.isSet(server)) {
            prepareServer(parser.value(server));
            return 0;
        }
        if (parser.isSet(send)) {
            if (parser.positionalArguments().size() != 1)
                parser.showHelp(2);
            sendBase(parser.value(send), parser.positionalArguments().constFirst());
            return 0;
        }
        const QString programFolder = Folders::devolvebarra(QCoreApplication::applicationDirPath());
        if (both || parser.isSet(databaseOnly))
            installDatabase(programFolder);
        if (both || parser.isSet(userOnly))
            installUserSettings(programFolder);
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << Qt::endl;
        return 1;
    }
    return 0;
}
