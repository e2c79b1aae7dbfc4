// The backup window and the backups start-up and closing offer.

#include "app/application.h"
#include "app/mainwindow.h"
#include "backup/backupwindow.h"
#include "backup/databasebackup.h"
#include "controls.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "scriptedprogress.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

namespace {

const QString kDone = QStringLiteral("o backup foi realizado.");

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    SharedTable* table = nullptr;

    explicit Program(bool withBackupFolder = true) {
        env.install();
        env.addRecords({{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "Bia"}}, {{"AGE_NOME", "Caio"}}});
        if (!withBackupFolder)
            QFile::remove(env.settingsFolder() + QStringLiteral("backup.ini"));
        app = startProgram(env);
        table = app->dataModule()->ADOTable1;
    }
    BackupWindow* window() const { return app->backup(); }
    QString folderBox() const { return control<QPlainTextEdit>(window(), "Memo1")->toPlainText(); }
    void chooseFolder(const QString& file) {
        dialogs.setNextFile(file);
        QTest::mouseClick(control<QPushButton>(window(), "Button1"), Qt::LeftButton);
    }
    void backUp() { QTest::mouseClick(control<QPushButton>(window(), "Button4"), Qt::LeftButton); }
    QStringList copies(const QString& folder) const {
        return QDir(folder).entryList({QStringLiteral("base*.mdb")}, QDir::Files, QDir::Name);
    }
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

  private slots:
    void startUpAsksForAFolder() {
        Program program(false);
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"Por favor escolha uma pasta para backup da base de dados."});
        QVERIFY(program.window()->isVisible());
        // Closing with no folder asks no question.
        program.dialogs.clear();
        QVERIFY(program.app->principal()->close());
        QVERIFY(program.dialogs.shown.isEmpty());
    }

    // The copy keeps every record, the table comes back on the record shown before, and a
    // second backup in the same second gets a name of its own.
    void backUpTwiceInOneSecond() {
        Program program;
        program.window()->show();
        QCOMPARE(program.folderBox(), program.env.backupFolder());
        program.table->moveTo(1);
        QSignalSpy closed(program.table, &SharedTable::aboutToReset);
        program.backUp();
        program.backUp();
        QCOMPARE(program.dialogs.texts(), (QStringList{kDone, kDone}));
        QCOMPARE(closed.size(), 2); // read again after each copy, never closed meanwhile
        QCOMPARE(program.table->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Bia"));
        const QStringList copies = program.copies(program.env.backupFolder());
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0].startsWith(QStringLiteral("base") +
                                     QDateTime::currentDateTime().toString("dd-MM-yyyy")));
        const QStringList columns{QStringLiteral("Código"), QStringLiteral("AGE_NOME")};
        for (const QString& copy : copies)
            QCOMPARE(TestEnvironment::storedRows(Database::openFile(program.env.backupFolder() + u'/' + copy),
                                                 columns),
                     program.env.storedRows(columns));
    }

    void refusals() {
        Program program;
        QSignalSpy closed(program.table, &SharedTable::aboutToReset);
        // The database folder, however it is reached, is refused before anything closes.
        if (!TestEnvironment::onServer()) {
            const QString dados = program.env.databaseFolder();
            QVERIFY(QFile::link(dados, program.env.root() + QStringLiteral("atalho")));
            for (const QString& sameFolder :
                 {dados + QStringLiteral("base.mdb"), dados + QStringLiteral("../Dados/base.mdb"),
                  program.env.root() + QStringLiteral("atalho/base.mdb")}) {
                program.chooseFolder(sameFolder);
                program.backUp();
            }
            QCOMPARE(program.dialogs.texts(),
                     QStringList(3,
                                 "Não é possível gravar o arquivo na pasta da do arquivo original, escolha "
                                 "outra pasta e tente outra vez"));
            QCOMPARE(closed.size(), 0);
        }

        // A folder whose name differs only in letter case is another folder.
        program.dialogs.clear();
        const QString other = program.env.programFolder() + QStringLiteral("dados");
        QVERIFY(QDir().mkpath(other));
        program.chooseFolder(other + QStringLiteral("/qualquer.mdb"));
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("backup.ini")),
                 QFile::encodeName(other));
        program.backUp();
        QCOMPARE(program.dialogs.texts(), QStringList{kDone});
        QCOMPARE(program.copies(other).size(), 1);

        // A record being edited is never copied half-written.
        program.dialogs.clear();
        program.table->edit();
        program.backUp();
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"Não é possível realizar o backup, a base está aberta para gravação."});
        program.table->cancel();

        // A folder that cannot be written: the copy fails and nothing is left in it.
        program.dialogs.clear();
        program.chooseFolder(program.env.root() + QStringLiteral("sumiu/base.mdb"));
        program.backUp();
        QCOMPARE(program.dialogs.texts(), QStringList{"O backup falhou."});
        QCOMPARE(program.table->state(), SharedTable::State::Browse);
    }

    // Cancelling the folder dialog empties the box but keeps backup.ini.
    void cancellingTheFolderDialog() {
        Program program;
        const QByteArray stored = bytesOf(program.env.settingsFolder() + QStringLiteral("backup.ini"));
        program.window()->show();
        program.chooseFolder(QString());
        QCOMPARE(program.folderBox(), QString());
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("backup.ini")), stored);
        program.backUp();
        QCOMPARE(program.dialogs.texts(), QStringList{"Escolha o caminho para salvar a base de dados."});
        program.dialogs.clear();
        QVERIFY(program.app->principal()->close()); // an empty box: no question
        QVERIFY(program.dialogs.shown.isEmpty());
        program.window()->hide();
        program.window()->show();
        QCOMPARE(program.folderBox(), program.env.backupFolder());
    }

    // A backup killed between its copy and its rename leaves a partial copy: the next backup
    // removes it, and it is never one of the backups. Another station's copy in progress
    // is left alone. The backup is shown under way.
    void partialCopiesOfKilledBackupsGo() {
        Program program;
        const QString folder = program.env.backupFolder() + u'/';
        QProcess ended;
        ended.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        ended.waitForFinished();
        const QString killed =
            QString(DatabaseBackup::partialName(folder + QStringLiteral("base01-02-2026-10-00-00.mdb")))
                .replace(QString::number(QCoreApplication::applicationPid()), QString::number(endedPid));
        const QString otherStation =
            folder + QStringLiteral("base01-02-2026-10-00-01.mdb.outra-estacao-77.parcial");
        writeFile(killed, QByteArray(4096, 'x'));
        writeFile(otherStation, QByteArray(4096, 'y'));
        QCOMPARE(program.copies(program.env.backupFolder()), QStringList());
        ScriptedProgress progress;
        program.backUp();
        QCOMPARE(program.dialogs.texts(), QStringList{kDone});
        QVERIFY(!QFileInfo::exists(killed));
        QVERIFY(QFileInfo::exists(otherStation));
        QCOMPARE(program.copies(program.env.backupFolder()).size(), 1);
        QVERIFY(!progress.counts.isEmpty());
        QVERIFY(!progress.shown);
    }

    // Another station holding the base: the copy fails, and the register still shows its
    // records, on the record it showed.
    void heldBaseLeavesTheRegisterShowing() {
        Program program;
        Connection* connection = program.app->dataModule()->ADOConnection1;
        connection->setBusyTimeout(200);
        program.table->close();
        connection->open();
        program.table->open();
        program.table->moveTo(2);
        {
            const Database holder = program.env.holdBase(TestEnvironment::Hold::Everything);
            program.backUp();
        }
        QCOMPARE(program.dialogs.texts().last(), QStringLiteral("O backup falhou."));
        QCOMPARE(program.table->state(), SharedTable::State::Browse);
        QCOMPARE(program.table->recordCount(), 3);
        QCOMPARE(program.table->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Caio"));
    }

    // rede.ini names a folder that is gone: the backup says where the base was looked for.
    void unreachableBaseIsSaidSo() {
        TestEnvironment env;
        env.install();
        const QString gone = env.root() + QStringLiteral("servidor-sumido");
        writeFile(env.settingsFolder() + QStringLiteral("rede.ini"), QFile::encodeName(gone));
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        app->backup()->show();
        dialogs.clear();
        QTest::mouseClick(control<QPushButton>(app->backup(), "Button4"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("A base de dados não pôde ser alcançada em %1/base.mdb; "
                                            "o backup não foi feito.")
                                 .arg(gone)});
    }

    // A long folder shows whole, elided in the middle, its full path as its tip.
    void longFolderShownWhole() {
        Program program;
        const QString folder = program.env.root() + QStringLiteral("escritorio/") + QString(120, u'p') +
                               QStringLiteral("/backups-da-base");
        QDir().mkpath(folder);
        program.window()->show();
        program.chooseFolder(folder + QStringLiteral("/base.mdb"));
        auto* shown = control<QLabel>(program.window(), "LabelPasta");
        QCOMPARE(shown->toolTip(), folder);
        QVERIFY(shown->text().contains(QStringLiteral("…")));
        QVERIFY(shown->text().endsWith(QStringLiteral("backups-da-base")));
        QVERIFY(shown->fontMetrics().horizontalAdvance(shown->text()) <= shown->contentsRect().width());
    }

    void closingOffersABackup_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK backs up, then closes") << true;
        QTest::newRow("Cancel closes without") << false;
    }
    void closingOffersABackup() {
        QFETCH(bool, accept);
        Program program;
        program.dialogs.setNextAnswer(accept ? Dialogs::Button::Ok : Dialogs::Button::Cancel);
        QVERIFY(program.app->principal()->close());
        QStringList expected{"Deseja realizar backup da base de dados?"};
        if (accept)
            expected << kDone;
        QCOMPARE(program.dialogs.texts(), expected);
        QCOMPARE(program.copies(program.env.backupFolder()).size(), accept ? 1 : 0);
    }
};

VELMORA_WINDOW_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
