// The network location window: choosing the folder of a shared base, or naming a server,
// storing it in rede.ini and connecting, and removing it again; a server's failures told in
// Portuguese, at the test and at start-up.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/smallwindows.h"
#include "common/textfile.h"
#include "controls.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/schema.h"
#include "data/sendwindow.h"
#include "data/server.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "testserver.h"
#include "windowsupport.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    QString shared;

    Program() {
        env.install();
        env.addRecords({{{"AGE_NOME", "Local"}}});
        // A base of the office in a shared folder, its path holding blanks.
        shared = env.root() + QStringLiteral("servidor/escritório dados");
        QDir().mkpath(shared);
        QFile::copy(env.basePath(), shared + QStringLiteral("/base.mdb"));
        app = startProgram(env);
    }
    NetworkWindow* window() const { return app->form3(); }
    SharedTable* table() const { return app->dataModule()->ADOTable1; }
    QString box() const { return control<QPlainTextEdit>(window(), "Memo1")->toPlainText(); }
    void press(const char* button) {
        QTest::mouseClick(control<QPushButton>(window(), button), Qt::LeftButton);
    }
    QString rede() const { return env.settingsFolder() + QStringLiteral("rede.ini"); }
    void nameServer(const QString& text) {
        control<QLineEdit>(window(), "EServidor")->setText(text);
        press("BtnServidor");
    }
    // What "Testar conexão" says of a server.
    QString testServer(const QString& text) {
        nameServer(text);
        dialogs.clear();
        press("BtnTestarConexao");
        return dialogs.texts().join(u'|');
    }
};

// A database of the office on the test's server, with two records, its staff role granted
// to `login`.
QString officeOnServer(const QString& name, const QString& login) {
    TestServer& server = TestEnvironment::server();
    const Database db = Database::openServer(server.createDatabase(name));
    Schema::prepareServer(db);
    TestEnvironment::addRecords(db, {{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "Bia"}}});
    server.sql(name, QStringLiteral("GRANT velmora_equipe TO %1").arg(login));
    return server.uri(name, login);
}

// Whether any file under a folder holds a text.
bool anyFileHolds(const QString& folder, const QByteArray& text) {
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        if (bytesOf(files.next()).contains(text))
            return true;
    return false;
}

} // namespace

class TestNetwork : public QObject {
    Q_OBJECT

  private slots:
    void chooseAndStoreASharedFolder() {
        Program program;
        program.dialogs.setNextFile(program.shared + QStringLiteral("/base.mdb"));
        program.press("Button1");
        QCOMPARE(program.box(), program.shared);
        // A record added on the shared base by another machine shows once connected.
        TestEnvironment::addRecords(program.shared + QStringLiteral("/base.mdb"), {{{"AGE_NOME", "Remoto"}}});
        program.press("Button2");
        QCOMPARE(program.dialogs.texts(), QStringList{"as configurações foram realizadas"});
        QCOMPARE(bytesOf(program.rede()), TextFile::encode(program.shared)); // one line, no break after it
        QCOMPARE(program.app->folders().minhabase, program.shared + u'/');
        QCOMPARE(program.table()->state(), SharedTable::State::Browse);
        QCOMPARE(program.table()->recordCount(), 2);

        // The next start uses the stored folder.
        program.app.reset();
        program.app = startProgram(program.env);
        QCOMPARE(program.app->folders().minhabase, program.shared + u'/');
        QCOMPARE(program.table()->recordCount(), 2);
    }

    // A folder without a base fails; the table stays closed until a working one is stored.
    void folderWithoutABase() {
        Program program;
        const QString empty = program.env.root() + QStringLiteral("vazia");
        QDir().mkpath(empty);
        program.dialogs.setNextFile(empty + QStringLiteral("/outra.mdb"));
        program.press("Button1");
        program.press("Button2");
        QCOMPARE(program.dialogs.texts(), QStringList{"falha!"});
        QCOMPARE(program.table()->state(), SharedTable::State::Inactive);
        QCOMPARE(control<QLineEdit>(program.app->cadastro(), "DBAutorPrin")->text(), QString());
        QCOMPARE(bytesOf(program.rede()), QFile::encodeName(empty));
    }

    // Cancelling the file dialog empties the box; "Gravar" then stores an empty rede.ini and
    // connects to the program's own base; the next start reports the base missing.
    void cancelThenStore() {
        Program program;
        program.press("Button1");
        QCOMPARE(program.box(), QString());
        program.press("Button2");
        QCOMPARE(program.dialogs.texts(), QStringList{"as configurações foram realizadas"});
        QCOMPARE(bytesOf(program.rede()), QByteArray());
        QVERIFY(QFile::exists(program.rede()));
        QCOMPARE(program.table()->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Local"));

        program.dialogs.clear();
        program.app.reset();
        program.app = startProgram(program.env);
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"A Base de Dados não foi localizada  no caminho: /base.mdb"});
        QVERIFY(program.window()->isVisible());

        // Removed, the default folder is back at the next start.
        program.dialogs.clear();
        program.press("Button4");
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"para que as configurações sejam efetuadas reinicie o programa"});
        QVERIFY(!QFile::exists(program.rede()));
        program.app.reset();
        program.app = startProgram(program.env);
        QCOMPARE(program.table()->state(), SharedTable::State::Browse);
    }

    void emptyBoxWithoutTheProgramsBase() {
        Program program;
        QFile::remove(program.env.basePath());
        program.press("Button1");
        program.press("Button2");
        QCOMPARE(program.dialogs.texts(),
                 (QStringList{"Base não localizada em: " + program.env.programFolder() + "Dados", "falha!"}));
        QCOMPARE(program.table()->state(), SharedTable::State::Inactive);
    }

    // A server named instead of a folder: "Testar conexão" says what fails, in Portuguese;
    // "Gravar" stores the text in rede.ini and connects; a password is asked for, never
    // written anywhere.
    void serverNamedTestedAndStored() {
        Program program;
        TestServer& server = TestEnvironment::server();
        const QString office = officeOnServer(QStringLiteral("rede_escritorio"), TestServer::passwordUser());
        program.window()->show();
        program.nameServer(QStringLiteral("//servidor/velmora"));
        QVERIFY(program.dialogs.texts().first().startsWith(
            QStringLiteral("O endereço de um servidor começa com postgresql://")));
        QCOMPARE(program.box(), program.env.programFolder() + QStringLiteral("Dados")); // as it was

        server.sql(QStringLiteral("postgres"), QStringLiteral("CREATE ROLE sem_direitos LOGIN"));
        const QString host = QString::fromLatin1(QUrl::toPercentEncoding(server.socketFolder()));
        const QString failed = QStringLiteral("A conexão com o servidor falhou.\n\n");
        program.dialogs.setNextPassword(QStringLiteral("errada"));
        program.dialogs.setNextPassword(std::nullopt);
        QVERIFY(program.testServer(office).startsWith(failed + QStringLiteral("A senha não confere")));
        QCOMPARE(program.dialogs.passwordsAsked, 2);
        QVERIFY(program.testServer(server.uri(QStringLiteral("nao_ha")))
                    .startsWith(failed + QStringLiteral("A base de dados indicada não existe no servidor")));
        QVERIFY(
            program.testServer(QStringLiteral("postgresql:///velmora?host=%2Fnao%2Fexiste"))
                .startsWith(failed + QStringLiteral("O servidor da base de dados não pôde ser alcançado")));
        QVERIFY(
            program.testServer(server.uri(QStringLiteral("rede_escritorio"), QStringLiteral("sem_direitos")))
                .startsWith(failed + QStringLiteral("Este usuário não tem permissão")));
        QCOMPARE(program.table()->fieldText(QStringLiteral("AGE_NOME")),
                 QStringLiteral("Local")); // still on its base

        program.dialogs.setNextPassword(TestServer::password());
        QCOMPARE(program.testServer(office),
                 QStringLiteral("A conexão com o servidor funciona: a base tem 2 registro(s)."));
        program.dialogs.clear();
        program.dialogs.setNextPassword(TestServer::password());
        program.press("Button2");
        QCOMPARE(program.dialogs.texts(), QStringList{"as configurações foram realizadas"});
        QCOMPARE(bytesOf(program.rede()), TextFile::encode(office));
        QCOMPARE(program.table()->recordCount(), 2);
        QCOMPARE(program.table()->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Ana"));

        // The next start asks for the password once and opens the server's base.
        program.app.reset();
        program.dialogs.clear();
        program.dialogs.passwordsAsked = 0;
        program.dialogs.setNextPassword(TestServer::password());
        program.app = startProgram(program.env);
        QCOMPARE(program.dialogs.texts(), QStringList());
        QCOMPARE(program.dialogs.passwordsAsked, 1);
        QCOMPARE(program.table()->recordCount(), 2);
        // The splash went for the password to be typed, and the program is usable at once.
        QVERIFY(!program.app->ver()->isVisible());
        QVERIFY(control<QToolButton>(program.app->principal(), "SpeedButton6")->isEnabled());
        program.app.reset();
        QVERIFY(!anyFileHolds(program.env.root(), TestServer::password().toUtf8()));
    }

    // A server that cannot be reached at start-up is told as a missing base is, with the
    // reason; the window to name another place opens, and the program goes on.
    void unreachableServerAtStartUp() {
        TestEnvironment env;
        env.install();
        const QString text = QStringLiteral("postgresql:///velmora?host=%2Fnao%2Fexiste");
        writeFile(env.settingsFolder() + QStringLiteral("rede.ini"), text.toUtf8());
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY2(dialogs.texts().first().startsWith(
                     QStringLiteral("A Base de Dados não foi localizada  no caminho: ") + text +
                     QStringLiteral("\n\nO servidor da base de dados não pôde ser alcançado")),
                 qPrintable(dialogs.texts().first()));
        QVERIFY(app->form3()->isVisible());
        QVERIFY(!app->terminated());
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Inactive);
    }

    void removalWithoutAFile() {
        Program program;
        program.press("Button4");
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"para que as configurações sejam efetuadas reinicie o programa"});
        QCOMPARE(program.table()->state(), SharedTable::State::Browse);
    }

    // "Enviar base ao servidor" sends the base in use to the office's empty server base, as a
    // member of staff: this station uses the server at once, and a station still naming the
    // old folder is told at its next start where the base went.
    void baseInUseSentToTheServer() {
        Program program;
        TestServer& server = TestEnvironment::server();
        const QString name = QStringLiteral("enviada_pela_janela");
        Schema::prepareServer(Database::openServer(server.createDatabase(name)));
        server.sql(name, QStringLiteral("GRANT velmora_equipe TO %1").arg(TestEnvironment::staffLogin()));
        const QString uri = server.uri(name, TestEnvironment::staffLogin());

        program.app->principal()->findChild<QAction*>(QStringLiteral("EnviarBase1"))->trigger();
        SendWindow* window = program.app->enviar();
        QVERIFY(window->isVisible());
        QCOMPARE(control<QLineEdit>(window, "EBase")->text(), program.env.basePath());
        control<QLineEdit>(window, "EServidor")->setText(uri);
        program.dialogs.clear();
        program.dialogs.setNextAnswer(Dialogs::Button::Ok);
        QTest::mouseClick(control<QPushButton>(window, "BtnEnviar"), Qt::LeftButton);
        const QString done = program.dialogs.texts().value(1);
        QVERIFY2(done.startsWith(QStringLiteral("A base foi enviada ao servidor: 1 registro(s)")) &&
                     done.endsWith(QStringLiteral("A base antiga foi guardada como base-enviada.mdb. Esta "
                                                  "estação passa a usar o servidor.")),
                 qPrintable(done));
        QCOMPARE(bytesOf(program.rede()), uri.toUtf8());
        QVERIFY(program.app->dataModule()->ADOConnection1->isServer());
        QCOMPARE(program.table()->recordCount(), 1);
        QCOMPARE(program.table()->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Local"));

        program.app.reset();
        writeFile(program.rede(), QFile::encodeName(program.env.databaseFolder()));
        program.dialogs.clear();
        program.dialogs.setNextAnswer(Dialogs::Button::Yes);
        program.app = startProgram(program.env);
        QVERIFY2(program.dialogs.texts().value(0).startsWith(
                     QStringLiteral("A base de dados de %1 foi enviada ao servidor do escritório (%2).")
                         .arg(program.env.databaseFolder(), Server::displayName(uri))),
                 qPrintable(program.dialogs.texts().join(u'|')));
        QCOMPARE(program.dialogs.texts().size(), 1);
        QCOMPARE(program.table()->recordCount(), 1);
        QCOMPARE(bytesOf(program.rede()), uri.toUtf8());
    }
};

VELMORA_WINDOW_TEST_MAIN(TestNetwork)
#include "tst_network.moc"
