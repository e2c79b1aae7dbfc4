// Two program instances, each with its own settings, on one base reached through rede.ini
// (a shared folder, or a server),
// adding and changing records at the same time: no record or field is lost, every change
// made on a copy that another machine had changed meanwhile is reported to its user, and
// the base stays whole.
//
// Each instance is this program started with --machine; it works through the register's
// controls and writes what happened, a line per save, for the test to check.

#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/columns.h"
#include "data/datamodule.h"
#include "data/nativequery.h"
#include "data/schema.h"
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
#include <QRandomGenerator>
#include <QTabWidget>
#include <cstdio>

namespace {

constexpr int kSharedRecords = 4; // few, so that both machines meet on them
const QString kConflict = QStringLiteral("O registro foi alterado em outra estação");

// One machine at work: adds records, changes its own field (telephone for A, mobile for B)
// and a field both change (district), and now and then refreshes.
class Machine {
  public:
    Machine(const QString& name, Application& app, ScriptedDialogs& dialogs)
        : m_name(name), m_app(app), m_dialogs(dialogs), m_random(name == QStringLiteral("A") ? 11 : 29),
          m_ownField(name == QStringLiteral("A") ? "DBtelefone" : "DBcelular") {
        openRegister(app, 1);
        m_table = app.dataModule()->ADOTable1;
    }

    void work(int seconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000) {
            const int choice = static_cast<int>(m_random.bounded(10));
            if (choice < 2)
                add();
            else if (choice < 5)
                change(m_ownField, false);
            else if (choice < 9)
                change("DBbairro", true);
            else
                click("Button8");
        }
    }

  private:
    template <typename T = QWidget> T* get(const char* name) { return control<T>(m_app.cadastro(), name); }
    void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
    void type(const char* edit, const QString& text) {
        auto* line = get<QLineEdit>(edit);
        line->selectAll();
        QTest::keyClicks(line, text);
    }
    QString nextValue() { return m_name + QString::number(++m_counter); }
    void say(const QString& line) {
        std::fputs(qPrintable(line + u'\n'), stdout);
        std::fflush(stdout);
    }
    // Saves; the message shown, if any.
    QString save() {
        m_dialogs.clear();
        click("BtnGravar");
        const QString message = m_dialogs.shown.isEmpty() ? QString() : m_dialogs.shown.first().text;
        if (m_table->editing())
            click("BtnCancelar");
        return message;
    }

    void add() {
        click("BtnIncluir");
        const QString value = nextValue();
        type("DBnome", QStringLiteral("Cliente ") + value);
        type(m_ownField, value);
        if (save().isEmpty())
            say(QStringLiteral("ADD %1 %2").arg(get<QLineEdit>("DBcodigo")->text(), value));
    }

    // Changes one field of a record, holding it open for a moment as a user does.
    void change(const char* edit, bool sharedRecordsOnly) {
        const int rows = m_table->recordCount();
        if (rows == 0)
            return;
        const int row =
            static_cast<int>(m_random.bounded(sharedRecordsOnly ? std::min(rows, kSharedRecords) : rows));
        try {
            m_table->moveTo(row);
        } catch (const AppError&) {
            return;
        }
        m_dialogs.clear();
        click("BtnAlterar");
        if (!m_table->editing())
            return; // deleted or unreadable: its message was shown
        const QString code = get<QLineEdit>("DBcodigo")->text();
        const QString before = get<QLineEdit>(edit)->text();
        const QString value = nextValue();
        type(edit, value);
        QTest::qWait(static_cast<int>(m_random.bounded(5, 60)));
        const QString message = save();
        if (message.isEmpty())
            say(QStringLiteral("SET %1 %2 %3 %4")
                    .arg(code, QString::fromUtf8(edit), before.isEmpty() ? "-" : before, value));
        else if (message.startsWith(kConflict))
            say(QStringLiteral("CONFLICT %1 %2").arg(code, QString::fromUtf8(edit)));
        else
            say(QStringLiteral("REFUSED %1").arg(message));
    }

    QString m_name;
    Application& m_app;
    ScriptedDialogs& m_dialogs;
    QRandomGenerator m_random;
    const char* m_ownField;
    SharedTable* m_table = nullptr;
    int m_counter = 0;
};

int runMachine(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    ScriptedDialogs dialogs;
    Application app(QString::fromLocal8Bit(argv[3]));
    if (!app.principal()->vai() || !dialogs.shown.isEmpty()) {
        std::fputs(qPrintable(QStringLiteral("START %1\n").arg(dialogs.texts().join(u'|'))), stdout);
        return 1;
    }
    Machine(QString::fromLocal8Bit(argv[2]), app, dialogs).work(QByteArray(argv[4]).toInt());
    std::fputs("DONE\n", stdout);
    std::fflush(stdout);
    return 0;
}

const char* const kColumnOf[][2] = {
    {"DBtelefone", "AGE_TEL"}, {"DBcelular", "AGE_CEL"}, {"DBbairro", "AGE_BAIRRO"}};

} // namespace

class TestTwoMachines : public QObject {
    Q_OBJECT

  private slots:
    void aMinuteOnOneBase() {
        const int seconds = qEnvironmentVariableIntValue("VELMORA_SHARED_SECONDS") > 0
                                ? qEnvironmentVariableIntValue("VELMORA_SHARED_SECONDS")
                                : 60;
        TestEnvironment env;
        env.install();
        QList<QMap<QString, QString>> records;
        for (int i = 1; i <= 12; ++i)
            records.append({{"AGE_NOME", QStringLiteral("Inicial %1").arg(i)}});
        env.addRecords(records);
        // What rede.ini names: the server, or the folder the base is moved to.
        QString shared = env.connectionText();
        if (!TestEnvironment::onServer()) {
            shared = env.root() + QStringLiteral("servidor");
            QDir().mkpath(shared);
            QVERIFY(QFile::rename(env.basePath(), shared + QStringLiteral("/base.mdb")));
        }

        QList<QProcess*> machines;
        for (const QString& name : {QStringLiteral("A"), QStringLiteral("B")}) {
            const QString home = env.root() + QStringLiteral("maquina") + name;
            const QString settings = home + QStringLiteral("/data/Belvoran/velmora7/");
            QDir().mkpath(settings + QStringLiteral("Dados/comarcas"));
            QDir().mkpath(home + QStringLiteral("/run"));
            writeFile(settings + QStringLiteral("rede.ini"), QFile::encodeName(shared));
            writeFile(settings + QStringLiteral("backup.ini"), QFile::encodeName(env.backupFolder()));
            auto* process = new QProcess(this);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
            process->setProcessEnvironment(environment);
            process->start(
                QCoreApplication::applicationFilePath(),
                {QStringLiteral("--machine"), name, env.programFolder(), QString::number(seconds)});
            machines << process;
        }
        QStringList log;
        for (QProcess* machine : machines) {
            QVERIFY(machine->waitForFinished((seconds + 120) * 1000));
            const QString output = QString::fromUtf8(machine->readAllStandardOutput());
            QVERIFY2(output.endsWith(QStringLiteral("DONE\n")), qPrintable(output.right(500)));
            log << output.split(u'\n', Qt::SkipEmptyParts);
        }

        const Database db = TestEnvironment::onServer()
                                ? env.openBase()
                                : Database::openFile(shared + QStringLiteral("/base.mdb"));
        if (!db.isServer()) {
            NativeQuery::Statement check(db, QStringLiteral("PRAGMA integrity_check"));
            QVERIFY(check.step());
            QCOMPARE(check.text(0), QStringLiteral("ok"));
        }
        const auto stored = [&db](const QString& code, const char* column) -> std::optional<QString> {
            NativeQuery::Statement read(
                db, QStringLiteral("SELECT coalesce(%1, '') FROM clientes WHERE \"Código\" = ?")
                        .arg(Columns::quoted(QString::fromLatin1(column))));
            read.bindInteger(1, code.toLongLong());
            if (!read.step())
                return std::nullopt;
            return read.text(0);
        };

        int adds = 0, sets = 0, conflicts = 0;
        // Every change saved must be followed by the next one saved of the same field: from
        // the first value, the chain of saves runs through all of them to what is stored.
        QMap<QPair<QString, QString>, QMap<QString, QString>> chains; // (code, column) -> before -> after
        for (const QString& line : std::as_const(log)) {
            const QStringList words = line.split(u' ');
            if (words[0] == QStringLiteral("ADD")) {
                ++adds;
                QVERIFY2(stored(words[1], "AGE_NOME") == QStringLiteral("Cliente ") + words[2],
                         qPrintable(line));
                chains[{words[1], words[2].startsWith(u'A') ? "AGE_TEL" : "AGE_CEL"}].insert("@", words[2]);
            } else if (words[0] == QStringLiteral("SET")) {
                ++sets;
                QString column;
                for (const auto& pair : kColumnOf)
                    if (words[2] == QLatin1String(pair[0]))
                        column = QLatin1String(pair[1]);
                auto& chain = chains[{words[1], column}];
                QVERIFY2(!chain.contains(words[3]), qPrintable("two saves changed the same value: " + line));
                chain.insert(words[3], words[4]);
            } else if (words[0] == QStringLiteral("CONFLICT")) {
                ++conflicts;
            }
        }
        for (auto chain = chains.begin(); chain != chains.end(); ++chain) {
            QString value = chain->contains("@") ? chain->value("@") : QStringLiteral("-");
            int steps = chain->contains("@") ? 1 : 0;
            while (chain->contains(value)) {
                value = chain->value(value);
                ++steps;
            }
            QCOMPARE(steps, chain->size());
            QCOMPARE(stored(chain.key().first, qPrintable(chain.key().second)), value);
        }
        qInfo("%d records added, %d changes saved, %d conflicts reported", adds, sets, conflicts);
        QVERIFY(adds > 0 && sets > 0);
        QVERIFY(conflicts > 0);
        // No number given twice, none to be given again.
        NativeQuery::Statement counts(
            db, QStringLiteral("SELECT count(*), count(DISTINCT \"Código\"), max(\"Código\") FROM clientes"));
        QVERIFY(counts.step());
        QCOMPARE(counts.integer(0), 12 + adds);
        QCOMPARE(counts.integer(1), counts.integer(0));
        QVERIFY(Schema::nextRecordNumber(db) > counts.integer(2));
    }
};

int main(int argc, char* argv[]) {
    if (argc == 5 && qstrcmp(argv[1], "--machine") == 0)
        return runMachine(argc, argv);
    return runWindowTest<TestTwoMachines>(argc, argv);
}

#include "tst_twomachines.moc"
