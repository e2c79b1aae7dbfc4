// The folder helpers and the installer.

#include "common/folders.h"
#include "files.h"
#include "testenvironment.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>

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
                                                "Belvoran/velmora7/Dados/comarcas",
                                                "Belvoran/velmora7/Dados/comarcas/estados.txt"}));
        // The states of Brazil, in the list editor's order and the settings files' form.
        const QString states = dataHome + QStringLiteral("Belvoran/velmora7/Dados/comarcas/estados.txt");
        QVERIFY(bytesOf(states).startsWith("AC\r\nAL\r\nAM\r\nAP\r\nBA\r\n"));
        QCOMPARE(bytesOf(states).count("\r\n"), 27);
        writeFile(states, "SP\r\n");

        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("Ana")}}});
        const QDateTime modified = QFileInfo(env.basePath()).lastModified();
        run();
        QCOMPARE(bytesOf(states), QByteArray("SP\r\n")); // never overwritten
        QCOMPARE(treeOf(env.programFolder()), program);
        QCOMPARE(env.recordCount(), 1);
        QCOMPARE(QFileInfo(env.basePath()).lastModified(), modified);
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_folders.moc"
