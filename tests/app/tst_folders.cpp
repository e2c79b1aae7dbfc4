// The folder helpers, the database folder named by rede.ini, and the installer.

#include "app/application.h"
#include "app/folders.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/sharedtable.h"
#include "files.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>

namespace {

QStringList treeOf(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next().mid(folder.size());
    entries.sort();
    return entries;
}

} // namespace

class TestFolders : public QObject {
    Q_OBJECT

  private slots:
    void devolvebarra_data() {
        QTest::addColumn<QString>("caminho");
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "/srv/x"
                               << "/srv/x/";
        QTest::newRow("ends with separator") << "/srv/x/"
                                             << "/srv/x/";
        QTest::newRow("blanks around") << "  /srv/x/ \t"
                                       << "/srv/x/";
        QTest::newRow("line breaks of a file") << "/srv/x\r\n\r\n"
                                               << "/srv/x/";
        QTest::newRow("empty") << ""
                               << "/";
        QTest::newRow("all blank") << " \r\n\t"
                                   << "/";
        QTest::newRow("inner line break stays") << "/a\r\n/b"
                                                << "/a\r\n/b/";
    }
    void devolvebarra() {
        QFETCH(QString, caminho);
        QFETCH(QString, folder);
        QCOMPARE(Folders::devolvebarra(caminho), folder);
    }

    void checkinteiro_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("holdsDigit");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("letters and slashes") << "ab/cd/efgh" << false;
        QTest::newRow("other digits") << "٣ ５" << false;
        QTest::newRow("one digit at the end") << "abc9" << true;
        QTest::newRow("date") << "15/08/2020" << true;
    }
    void checkinteiro() {
        QFETCH(QString, text);
        QFETCH(bool, holdsDigit);
        QCOMPARE(Folders::checkinteiro(text), holdsDigit);
    }

    void settingsFolderFollowsXdgDataHome() {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/srv/perfis/ana");
        QCOMPARE(Folders::getdesktopdirectory(), QStringLiteral("/srv/perfis/ana"));
        QCOMPARE(Folders::settingsFolder(), QStringLiteral("/srv/perfis/ana/Belvoran/velmora7/"));
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(Folders::getdesktopdirectory(), QDir::homePath() + QStringLiteral("/.local/share"));
        qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(Folders::GetVersion(), QStringLiteral("7.0.0.2"));
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
        auto app = env.start();
        if (found) {
            QVERIFY(dialogs.shown.isEmpty());
            QCOMPARE(app->principal()->minhabase, shared + u'/');
            QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Browse);
        } else {
            messageFolder.replace(u'@', shared);
            QCOMPARE(dialogs.texts(),
                     QStringList{QStringLiteral("A Base de Dados não foi localizada  no caminho: ") +
                                 messageFolder + QStringLiteral("base.mdb")});
            QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Inactive);
            QVERIFY(app->form3()->isVisible());
            // The database folder keeps the program's own Dados folder.
            QCOMPARE(app->principal()->minhabase, env.programFolder() + QStringLiteral("Dados/"));
        }
    }

    // The installer makes Dados/base.mdb beside itself and the settings folder with its
    // lists folder; a second run changes nothing.
    void installerCreatesTheFoldersOnce() {
        TestEnvironment env;
        const QString installer = env.programFolder() + QStringLiteral("velmora-install");
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_INSTALLER), installer));
        const auto run = [&installer] {
            QProcess process;
            process.start(installer, {});
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitCode(), 0);
        };
        run();
        const QStringList program = treeOf(env.programFolder());
        QCOMPARE(program, (QStringList{"Dados", "Dados/base.mdb", "velmora-install"}));
        const QString dataHome = env.root() + QStringLiteral("data/");
        QCOMPARE(treeOf(dataHome), (QStringList{"Belvoran", "Belvoran/velmora7", "Belvoran/velmora7/Dados",
                                                "Belvoran/velmora7/Dados/comarcas"}));

        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("Ana")}}});
        const QDateTime modified = QFileInfo(env.basePath()).lastModified();
        run();
        QCOMPARE(treeOf(env.programFolder()), program);
        QCOMPARE(env.recordCount(), 1);
        QCOMPARE(QFileInfo(env.basePath()).lastModified(), modified);
    }
};

QTEST_MAIN(TestFolders)
#include "tst_folders.moc"
