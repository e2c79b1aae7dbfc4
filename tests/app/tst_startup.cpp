// Start-up as the program runs it: the windows and their order, the folder checks, the
// database outcomes, the toolbar and menu states, the splash, and leaving.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/smallwindows.h"
#include "backup/backupwindow.h"
#include "common/folders.h"
#include "common/instancelock.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QToolButton>
#include <unistd.h>

namespace {

// Enabled state of SpeedButton1..7 and of the menu, as "1111101 menu".
QString toolbarState(MainWindow* principal) {
    QString state;
    for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4", "SpeedButton5",
                             "SpeedButton6", "SpeedButton7"})
        state += control<QToolButton>(principal, name)->isEnabled() ? u'1' : u'0';
    return state + (principal->menuEnabled() ? QStringLiteral(" menu") : QStringLiteral(" -"));
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

  private slots:
    void windowsAreCreatedOnceInOrder() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        Application app(env.programFolder());
        QCOMPARE(
            app.creationOrder(),
            (QStringList{"TFRM_Principal", "TFver",        "TForm3",         "TFRM_Acentos", "TFRM_Splash",
                         "TFRM_Cadastro",  "TFRM_Campos",  "TFRM_Impressao", "TForm4",       "TFRM_Config",
                         "TFRM_Drive",     "TDataModule1", "TFcab",          "TFtrans",      "TFespere",
                         "TFmudacampos",   "TFbackup",     "TFRM_Historico", "TFRM_Enviar",  "TFRM_Agenda"}));
        QVERIFY(app.principal()->isVisible());
        QVERIFY(!app.cadastro()->isVisible());
        // Shown before start-up: only the backup button can be used.
        QCOMPARE(toolbarState(app.principal()), QStringLiteral("0000001 -"));
    }

    void normalStart() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QVERIFY(dialogs.shown.isEmpty());
        MainWindow* principal = app->principal();
        QCOMPARE(app->folders().meuexe, env.programFolder());
        QCOMPARE(app->folders().meudir, env.settingsFolder());
        QCOMPARE(app->folders().minhabase, env.programFolder() + QStringLiteral("Dados/"));
        QCOMPARE(principal->windowTitle(), QStringLiteral("Velmora 7.0.0.2"));
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Browse);
        QCOMPARE(toolbarState(principal), QStringLiteral("1111101 menu"));

        // The splash goes at its timer's tick and makes "Ajuda" usable too.
        SplashWindow* splash = app->ver();
        QVERIFY(splash->isVisible());
        QCOMPARE(control<QLabel>(splash, "Version")->text(), QStringLiteral("Versão: 7.0.0.2"));
        QCOMPARE(splash->timer()->interval(), 7000);
        splash->Timer1Timer();
        QVERIFY(!splash->isVisible());
        QCOMPARE(toolbarState(principal), QStringLiteral("1111111 menu"));
        splash->Timer1Timer(); // a tick with the splash gone does nothing
        QVERIFY(!splash->isVisible());
    }

    // The about window shows the version and where the help is, or should be.
    void aboutWindowShowsTheVersionAndTheHelp() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QVERIFY(!app->principal()->windowIcon().isNull());
        QVERIFY(!app->principal()->windowIcon().pixmap(48).isNull()); // the SVG renders
        const QString help = env.settingsFolder() + QStringLiteral("ajuda.pdf");
        QWidget* about = app->splash();
        for (const bool installed : {false, true}) {
            if (installed)
                writeFile(help, "%PDF-1.4");
            control<QAction>(app->principal(), "Sobre1")->trigger();
            QVERIFY(about->isVisible());
            QCOMPARE(about->windowTitle(), QStringLiteral("Velmora"));
            QCOMPARE(control<QLabel>(about, "Version")->text(), QStringLiteral("Versão: 7.0.0.2"));
            QCOMPARE(control<QLabel>(about, "HelpPath")->text(),
                     installed ? QStringLiteral("Ajuda: ") + help
                               : QStringLiteral("Ajuda não instalada (%1)").arg(help));
            QTest::mouseClick(control<QPushButton>(about, "OKButton"), Qt::LeftButton);
            QVERIFY(!about->isVisible());
        }
    }

    void mouseOverTheSplashClosesIt() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QWidget* panel = control(app->ver(), "Panel1");
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), panel->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
        QVERIFY(!app->ver()->isVisible());
        QCOMPARE(toolbarState(app->principal()), QStringLiteral("1111111 menu"));
    }

    void withoutDataFolderStartUpStops() {
        TestEnvironment env;
        env.createSettingsFolder();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Diretório não encontrado: ") +
                                              env.programFolder() + QStringLiteral("Dados")});
        QCOMPARE(toolbarState(app->principal()), QStringLiteral("0000001 -"));
        QVERIFY(!app->ver()->isVisible());
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Inactive);
        QCOMPARE(app->folders().meudir, env.settingsFolder());
    }

    void withoutSettingsFolderStartUpStops() {
        TestEnvironment env;
        env.createBase();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("Nenhum diretório foi encontrado.") + env.programFolder() +
                             QStringLiteral(" - ") + env.settingsFolder()});
        QCOMPARE(toolbarState(app->principal()), QStringLiteral("0000001 -"));
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Inactive);
    }

    void bothFolderMessagesInOrder() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.shown.size(), 2);
        QVERIFY(dialogs.texts()[0].startsWith(QStringLiteral("Diretório não encontrado: ")));
        QVERIFY(dialogs.texts()[1].startsWith(QStringLiteral("Nenhum diretório foi encontrado.")));
    }

    void markerOrDiversosStandInForTheSettingsFolder_data() {
        QTest::addColumn<QString>("marker");
        QTest::newRow("win98.ini") << "win98.ini";
        QTest::newRow("Diversos") << "Diversos/";
    }
    void markerOrDiversosStandInForTheSettingsFolder() {
        QFETCH(QString, marker);
        TestEnvironment env;
        env.createBase();
        if (marker.endsWith(u'/'))
            QDir().mkpath(env.programFolder() + marker);
        else
            writeFile(env.programFolder() + marker, "");
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        // Without settings there is no backup folder either: the user is asked for one.
        QCOMPARE(dialogs.texts(), QStringList{"Por favor escolha uma pasta para backup da base de dados."});
        QVERIFY(app->backup()->isVisible());
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Browse);
        // The settings folder is still the per-user one, even though it does not exist.
        QCOMPARE(app->folders().meudir, env.settingsFolder());
        QVERIFY(!QFileInfo::exists(env.settingsFolder()));
    }

    void missingBaseOpensTheLocationWindow() {
        TestEnvironment env;
        env.createDataFolder();
        env.createSettingsFolder();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("A Base de Dados não foi localizada  no caminho: ") +
                             env.programFolder() + QStringLiteral("Dados/base.mdb")});
        QVERIFY(app->form3()->isVisible());
        QCOMPARE(control<QPlainTextEdit>(app->form3(), "Memo1")->toPlainText(),
                 env.programFolder() + QStringLiteral("Dados"));
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Inactive);
        QVERIFY(!app->terminated());
        QCOMPARE(toolbarState(app->principal()), QStringLiteral("1111101 menu"));
        QVERIFY(!QFileInfo::exists(env.basePath()));
    }

    void damagedBaseEndsTheProgram() {
        TestEnvironment env;
        env.createDataFolder();
        env.createSettingsFolder();
        writeFile(env.basePath(), QByteArray("Standard Jet DB") + QByteArray(2000, '\0'));
        ScriptedDialogs dialogs;
        InstanceLock lock;
        QVERIFY(!Application::launch(env.programFolder(), lock));
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Banco de Dados não pode ser conectado!\r"
                                                             "Informe ao Suporte Técnico.")});
    }

    void baseWithoutTheTableEndsTheProgram() {
        TestEnvironment env;
        env.install();
        QFile::remove(env.basePath());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(env.basePath());
            QVERIFY(db.open());
            QSqlQuery(QStringLiteral("CREATE TABLE outra (x TEXT)"), db);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QVERIFY(app->terminated());
        QCOMPARE(dialogs.shown.size(), 1);
    }

    void leavingWithARecordBeingEdited() {
        TestEnvironment env;
        env.install();
        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("Ana")}}});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        MainWindow* principal = app->principal();
        app->dataModule()->ADOTable1->edit();
        control<QPlainTextEdit>(app->backup(), "Memo1")->setPlainText(QStringLiteral("/backups"));

        QTest::mouseClick(control<QToolButton>(principal, "SpeedButton4"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("Não é possível fechar, a base está aberta para gravação.")});
        QVERIFY(principal->isVisible());

        dialogs.clear();
        dialogs.setNextAnswer(Dialogs::Button::Cancel);
        QVERIFY(!principal->close());
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("A base está aberta para gravação, um cadastro pode ser "
                                            "perdido, deseja fechar o programa?")});
        QCOMPARE(dialogs.shown.first().buttons, (QList{Dialogs::Button::Ok, Dialogs::Button::Cancel}));

        // OK closes without the backup question.
        dialogs.clear();
        dialogs.setNextAnswer(Dialogs::Button::Ok);
        QVERIFY(principal->close());
        QCOMPARE(dialogs.shown.size(), 1);
    }

    void leavingAsksForABackupOnlyWithAFolder() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        control<QPlainTextEdit>(app->backup(), "Memo1")->setPlainText(QStringLiteral("  "));
        QVERIFY(app->principal()->close());
        QVERIFY(dialogs.shown.isEmpty());

        auto again = startProgram(env);
        control<QPlainTextEdit>(again->backup(), "Memo1")->setPlainText(QStringLiteral("/backups"));
        dialogs.setNextAnswer(Dialogs::Button::Cancel);
        QVERIFY(again->principal()->close());
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Deseja realizar backup da base de dados?")});
    }

    void helpWithoutTheDocumentDoesNothing() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        app->ver()->Timer1Timer();
        QTest::keyClick(app->principal(), Qt::Key_F1);
        QTest::mouseClick(control<QToolButton>(app->principal(), "SpeedButton6"), Qt::LeftButton);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void menuKeysOpenTheRegisterPages_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("page");
        QTest::newRow("F2") << int(Qt::Key_F2) << 0;
        QTest::newRow("F3") << int(Qt::Key_F3) << 5;
        QTest::newRow("F4") << int(Qt::Key_F4) << 6;
        QTest::newRow("F5") << int(Qt::Key_F5) << 7;
    }
    void menuKeysOpenTheRegisterPages() {
        QFETCH(int, key);
        QFETCH(int, page);
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QApplication::setActiveWindow(app->principal());
        QTest::keyClick(app->principal(), static_cast<Qt::Key>(key));
        QVERIFY(app->cadastro()->isVisible());
        QCOMPARE(control<QTabWidget>(app->cadastro(), "Cliente")->currentIndex(), page);

        // The keys work from the register window too.
        control<QTabWidget>(app->cadastro(), "Cliente")->setCurrentIndex(1);
        QApplication::setActiveWindow(app->cadastro());
        QTest::keyClick(control<QWidget>(app->cadastro(), "DBnome"), static_cast<Qt::Key>(key));
        QCOMPARE(control<QTabWidget>(app->cadastro(), "Cliente")->currentIndex(), page);
    }

    // A base written by a newer build is refused with its reason, and left as it was.
    void newerBaseEndsTheProgramUntouched() {
        TestEnvironment env;
        env.install();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
            db.setDatabaseName(env.basePath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 7")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        const QByteArray before = bytesOf(env.basePath());
        ScriptedDialogs dialogs;
        InstanceLock lock;
        QVERIFY(!Application::launch(env.programFolder(), lock));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(
            dialogs.texts().first().startsWith(QStringLiteral("Esta base de dados foi gravada por uma versão "
                                                              "mais nova")));
        QCOMPARE(bytesOf(env.basePath()), before);
    }

    // Only a lock held by a live instance keeps the program out.
    void secondInstanceIsRefusedUntilTheFirstDies() {
        TestEnvironment env;
        env.install();
        QProcess first;
        first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock")});
        QVERIFY(first.waitForReadyRead(10000));
        ScriptedDialogs dialogs;
        {
            InstanceLock lock;
            QVERIFY(!Application::launch(env.programFolder(), lock));
            QCOMPARE(dialogs.shown.size(), 1);
            QCOMPARE(dialogs.shown.first().text, QStringLiteral("Atenção o programa já está aberto!."));
            QCOMPARE(dialogs.shown.first().caption, QStringLiteral("Atenção"));
            QCOMPARE(dialogs.shown.first().icon, Dialogs::Icon::Information);
        }
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        dialogs.clear();
        InstanceLock lock;
        auto app = Application::launch(env.programFolder(), lock);
        QVERIFY(app);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void databaseFolderFromRedeIni_data() {
        QTest::addColumn<QByteArray>("rede");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("messageFolder"); // relative to the shared folder when found
        QTest::newRow("one line, no break") << QByteArray("@") << true << "";
        QTest::newRow("trailing blanks and empty lines") << QByteArray("@   \r\n\r\n\r\n") << true << "";
        QTest::newRow("two non-empty lines") << QByteArray("@\r\n/other") << false << "@\n/other/";
        QTest::newRow("empty file") << QByteArray() << false << "/";
    }
    void databaseFolderFromRedeIni() {
        QFETCH(QByteArray, rede);
        QFETCH(bool, found);
        QFETCH(QString, messageFolder);
        TestEnvironment env;
        env.install();
        const QString shared = env.root() + QStringLiteral("servidor/dados");
        QDir().mkpath(shared);
        QVERIFY(QFile::rename(env.basePath(), shared + QStringLiteral("/base.mdb")));
        writeFile(env.settingsFolder() + QStringLiteral("rede.ini"),
                  rede.replace('@', QFile::encodeName(shared)));

        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        if (found) {
            QVERIFY(dialogs.shown.isEmpty());
            QCOMPARE(app->folders().minhabase, shared + u'/');
            QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Browse);
        } else {
            messageFolder.replace(u'@', shared);
            QCOMPARE(dialogs.texts(),
                     QStringList{QStringLiteral("A Base de Dados não foi localizada  no caminho: ") +
                                 messageFolder + QStringLiteral("base.mdb")});
            QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Inactive);
            QVERIFY(app->form3()->isVisible());
            // The database folder keeps the program's own Dados folder.
            QCOMPARE(app->folders().minhabase, env.programFolder() + QStringLiteral("Dados/"));
        }
    }
};

int main(int argc, char* argv[]) {
    if (argc == 2 && qstrcmp(argv[1], "--hold-lock") == 0) {
        InstanceLock lock;
        if (!lock.tryAcquire())
            return 2;
        ::write(STDOUT_FILENO, "locked\n", 7);
        for (;;)
            ::pause();
    }
    return runWindowTest<TestStartup>(argc, argv);
}

#include "tst_startup.moc"
