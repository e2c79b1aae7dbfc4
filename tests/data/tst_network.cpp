// The network location window: choosing the folder of a shared base, storing it in
// rede.ini and connecting, and removing it again.

#include "app/application.h"
#include "app/mainwindow.h"
#include "common/textfile.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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
};

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

    void removalWithoutAFile() {
        Program program;
        program.press("Button4");
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"para que as configurações sejam efetuadas reinicie o programa"});
        QCOMPARE(program.table()->state(), SharedTable::State::Browse);
    }
};

VELMORA_WINDOW_TEST_MAIN(TestNetwork)
#include "tst_network.moc"
