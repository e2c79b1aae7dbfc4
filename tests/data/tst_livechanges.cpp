// Two program processes on one base (a shared folder, or a server): each sees the other's
// new record within two seconds without "Atualizar", and a record being edited is not
// replaced under the user's hands.
//
// The second station is this program started with --estacao: it opens the base, waits to
// see the first station's record, adds its own, then on "ALTERE" changes a telephone, and
// says each step on a line.

#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/columns.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <cstdio>

namespace {

constexpr int kSeen = 2000; // ms: how soon a change made elsewhere shows

bool shows(const SharedTable& table, const QString& name) {
    const int nameColumn = Columns::indexOf(QStringLiteral("AGE_NOME"));
    for (int row = 0; row < table.recordCount(); ++row)
        if (table.cellText(row, nameColumn) == name)
            return true;
    return false;
}

void say(const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void addThroughTheRegister(Application& app, const QString& name) {
    RegisterWindow* cadastro = openRegister(app, 1);
    QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
    QTest::keyClicks(control<QLineEdit>(cadastro, "DBnome"), name);
    QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
}

int runSecondStation(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    ScriptedDialogs dialogs;
    Application app(QString::fromLocal8Bit(argv[2]));
    if (!app.principal()->vai() || !dialogs.shown.isEmpty()) {
        std::fputs(qPrintable(QStringLiteral("START %1\n").arg(dialogs.texts().join(u'|'))), stdout);
        return 1;
    }
    SharedTable& table = *app.dataModule()->ADOTable1;
    say("PRONTA");
    if (!QTest::qWaitFor([&] { return shows(table, QStringLiteral("Vinda de A")); }, 10000))
        return 1;
    say("VIU");
    addThroughTheRegister(app, QStringLiteral("Vinda de B"));
    say("GRAVOU");
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly) || input.readLine().trimmed() != "ALTERE")
        return 1;
    table.moveTo(0);
    table.edit();
    table.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("5555"));
    table.post();
    say("ALTEROU");
    return 0;
}

} // namespace

class TestLiveChanges : public QObject {
    Q_OBJECT

    // The next line the second station says, waiting at most `ms`.
    static QByteArray nextLine(QProcess& station, int ms = 15000) {
        (void)QTest::qWaitFor(
            [&] { return station.canReadLine() || station.state() == QProcess::NotRunning; }, ms);
        return station.readLine().trimmed();
    }

  private slots:
    void eachStationSeesTheOther() {
        TestEnvironment env;
        env.install();
        env.addRecords({{{"AGE_NOME", "Ana"}, {"AGE_TEL", "1111"}}});
        QString where = env.connectionText();
        if (!TestEnvironment::onServer()) {
            where = env.root() + QStringLiteral("servidor");
            QDir().mkpath(where);
            QVERIFY(QFile::rename(env.basePath(), where + QStringLiteral("/base.mdb")));
        }
        writeFile(env.settingsFolder() + QStringLiteral("rede.ini"), where.toUtf8());
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        SharedTable& table = *app->dataModule()->ADOTable1;
        QCOMPARE(table.recordCount(), 1);

        const QString home = env.root() + QStringLiteral("estacaoB");
        const QString settings = home + QStringLiteral("/data/Belvoran/velmora7/");
        QDir().mkpath(settings + QStringLiteral("Dados/comarcas"));
        QDir().mkpath(home + QStringLiteral("/run"));
        writeFile(settings + QStringLiteral("rede.ini"), where.toUtf8());
        writeFile(settings + QStringLiteral("backup.ini"), QFile::encodeName(env.backupFolder()));
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        second.setProcessEnvironment(environment);
        second.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--estacao"), env.programFolder()});
        QCOMPARE(nextLine(second), QByteArray("PRONTA"));

        QElapsedTimer seen;
        addThroughTheRegister(*app, QStringLiteral("Vinda de A"));
        seen.start();
        QCOMPARE(nextLine(second), QByteArray("VIU"));
        qInfo("the second station saw the first one's record after %lld ms", seen.elapsed());
        QVERIFY(seen.elapsed() <= kSeen);

        QCOMPARE(nextLine(second), QByteArray("GRAVOU"));
        seen.start();
        QVERIFY(QTest::qWaitFor([&] { return shows(table, QStringLiteral("Vinda de B")); }, 10000));
        qInfo("the first station saw the second one's record after %lld ms", seen.elapsed());
        QVERIFY(seen.elapsed() <= kSeen);
        QCOMPARE(table.recordCount(), 3);

        // Being edited here, Ana's record stays as read while the other station changes it;
        // the field changed here is saved, the other station's change kept.
        table.moveTo(0);
        table.edit();
        table.setFieldText(QStringLiteral("AGE_CIDADE"), QStringLiteral("Santos"));
        second.write("ALTERE\n");
        QCOMPARE(nextLine(second), QByteArray("ALTEROU"));
        QTest::qWait(2 * kSeen);
        QCOMPARE(table.state(), SharedTable::State::Edit);
        QCOMPARE(table.fieldText(QStringLiteral("AGE_TEL")), QStringLiteral("1111"));
        QCOMPARE(table.fieldText(QStringLiteral("AGE_CIDADE")), QStringLiteral("Santos"));
        table.post();
        const Database base = TestEnvironment::onServer()
                                  ? env.openBase()
                                  : Database::openFile(where + QStringLiteral("/base.mdb"));
        QCOMPARE(TestEnvironment::storedRows(base, {QStringLiteral("AGE_NOME"), QStringLiteral("AGE_TEL"),
                                                    QStringLiteral("AGE_CIDADE")})
                     .first(),
                 QStringLiteral("Ana 5555 Santos"));
        QCOMPARE(table.fieldText(QStringLiteral("AGE_TEL")), QStringLiteral("5555"));
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(dialogs.shown.isEmpty());
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--estacao") == 0)
        return runSecondStation(argc, argv);
    return runWindowTest<TestLiveChanges>(argc, argv);
}

#include "tst_livechanges.moc"
