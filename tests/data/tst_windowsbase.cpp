// A base.mdb of the Windows edition met at start-up: converted when the user agrees, every
// record and number kept, the original kept beside it; refused whole when it cannot be read.

#include "app/application.h"
#include "app/mainwindow.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "data/windowsbase.h"
#include "files.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

const QString kFixtures = QStringLiteral(VELMORA_FIXTURES "/migration/");
const QString kQuestion =
    QStringLiteral("Esta base de dados foi criada pela versão para Windows. Convertê-la agora? A "
                   "original será guardada como base-windows.mdb.");

// The records of clientes as mdbtools' own export gives them, an independent reader:
// Código -> the 37 column texts.
QMap<qint64, QStringList> exported(const QString& path) {
    QProcess exporter;
    exporter.start(QStringLiteral("mdb-export"),
                   {QStringLiteral("-T"), QStringLiteral("%d/%m/%Y"), path, QStringLiteral("clientes")});
    exporter.waitForFinished(30000);
    const QString text = QString::fromUtf8(exporter.readAllStandardOutput());
    QList<QStringList> rows(1);
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (ch == u'"')
                quoted = false;
            else
                field += ch;
        } else if (ch == u'"') {
            quoted = true;
        } else if (ch == u',') {
            rows.last() << field;
            field.clear();
        } else if (ch == u'\n') {
            rows.last() << field;
            field.clear();
            rows.append(QStringList());
        } else {
            field += ch;
        }
    }
    QMap<qint64, QStringList> records;
    for (const QStringList& row : rows.mid(1)) {
        if (row.size() == 37)
            records.insert(row[0].toLongLong(), row);
    }
    return records;
}

QMap<qint64, QStringList> stored(const QString& path) {
    QMap<qint64, QStringList> records;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("stored"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT * FROM clientes"));
        while (query.next()) {
            QStringList row;
            for (int column = 0; column < 37; ++column)
                row << query.value(column).toString();
            records.insert(row[0].toLongLong(), row);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("stored"));
    return records;
}

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;

    explicit Program(const QByteArray& windowsBase) {
        env.install();
        QFile::remove(env.basePath());
        writeFile(env.basePath(), windowsBase);
    }
    bool start(Dialogs::Button answer) {
        dialogs.setNextAnswer(answer);
        app = std::make_unique<Application>(env.programFolder());
        return app->principal()->vai();
    }
    QStringList dataFiles() const { return QDir(env.databaseFolder()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

class TestWindowsBase : public QObject {
    Q_OBJECT

  private slots:
    void everyRecordArrivesExactly() {
        const QByteArray original = bytesOf(kFixtures + QStringLiteral("win70-base.mdb"));
        Program program(original);
        QVERIFY(program.start(Dialogs::Button::Yes));
        QCOMPARE(program.dialogs.shown.first().text, kQuestion);
        QCOMPARE(program.dialogs.shown.first().buttons, (QList{Dialogs::Button::Yes, Dialogs::Button::No}));
        QCOMPARE(
            program.dialogs.texts()[1],
            QStringLiteral("A base de dados foi convertida: 20 registro(s). A original foi guardada como "
                           "base-windows.mdb."));
        QCOMPARE(program.dataFiles(), (QStringList{"base-windows.mdb", "base.mdb"}));
        QCOMPARE(bytesOf(program.env.databaseFolder() + QStringLiteral("base-windows.mdb")), original);
        QCOMPARE(program.app->dataModule()->ADOTable1->recordCount(), 20);

        const auto expected = exported(kFixtures + QStringLiteral("win70-base.mdb"));
        QCOMPARE(expected.size(), 20);
        const auto converted = stored(program.env.basePath());
        QCOMPARE(converted.keys(), expected.keys());
        for (auto record = expected.begin(); record != expected.end(); ++record)
            QCOMPARE(converted[record.key()], record.value());
        QVERIFY(converted.first()[23].contains(QStringLiteral("\r\n"))); // the notes' line breaks
    }

    // Numbers with gaps keep their gaps; dates kept as dates come as dd/mm/yyyy.
    void typedBaseKeepsGapsAndDates() {
        Program program(bytesOf(kFixtures + QStringLiteral("win70-typed.mdb")));
        QVERIFY(program.start(Dialogs::Button::Yes));
        const auto converted = stored(program.env.basePath());
        QCOMPARE(converted.keys(), (QList<qint64>{1, 3, 4, 5, 6, 8, 9, 10, 11, 12}));
        const auto expected = exported(kFixtures + QStringLiteral("win70-typed.mdb"));
        for (auto record = expected.begin(); record != expected.end(); ++record)
            QCOMPARE(converted[record.key()], record.value());
        QCOMPARE(converted[1][16], QStringLiteral("08/01/2023"));
        QCOMPARE(converted[1][18], QStringLiteral("14/03/2023"));
        // The next record gets the number after the highest.
        SharedTable* table = program.app->dataModule()->ADOTable1;
        table->append();
        table->setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Nova"));
        table->post();
        QCOMPARE(table->fieldText(QStringLiteral("Código")), QStringLiteral("13"));
    }

    // A copy cut short is refused whole: the original stays, no new base is left.
    void truncatedBaseChangesNothing() {
        const QByteArray whole = bytesOf(kFixtures + QStringLiteral("win70-base.mdb"));
        for (const qsizetype size : {qsizetype(139264), qsizetype(140000), whole.size() / 3}) {
            Program program(whole.left(size));
            QVERIFY(!program.start(Dialogs::Button::Yes));
            QCOMPARE(program.dialogs.shown.size(), 3);
            QCOMPARE(program.dialogs.shown[1].icon, Dialogs::Icon::Error);
            QVERIFY2(program.dialogs.texts()[1].contains(QStringLiteral("não pôde ser lida inteira")),
                     qPrintable(program.dialogs.texts()[1]));
            QVERIFY(program.dialogs.texts()[2].startsWith(
                QStringLiteral("Banco de Dados não pode ser conectado!")));
            QCOMPARE(program.dataFiles(), QStringList{"base.mdb"});
            QCOMPARE(bytesOf(program.env.basePath()), whole.left(size));
        }
    }

    // The file is read by a program of its own: its death, or anything it sends that does
    // not fit, refuses the file, which stays as it was.
    void readerFailuresRefuseTheFile_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("killed") << QByteArray("printf 'VELMORA-MDB 1\\n'; kill -SEGV $$");
        QTest::newRow("gone quiet at the start") << QByteArray("exit 0");
        QTest::newRow("not its answer") << QByteArray("printf 'Segmentation fault'");
        QTest::newRow("a frame larger than any")
            << QByteArray("printf 'VELMORA-MDB 1\\nR\\377\\377\\377\\377'");
        QTest::newRow("records before the columns")
            << QByteArray("printf 'VELMORA-MDB 1\\nR\\000\\000\\000\\000'; exit 0");
    }
    void readerFailuresRefuseTheFile() {
        QFETCH(QByteArray, script);
        const QByteArray original = bytesOf(kFixtures + QStringLiteral("win70-base.mdb"));
        Program program(original);
        const QString reader = program.env.root() + QStringLiteral("leitor.sh");
        writeFile(reader, "#!/bin/sh\n" + script + "\n");
        QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("VELMORA_LEITOR_MDB", QFile::encodeName(reader));
        const bool started = program.start(Dialogs::Button::Yes);
        qunsetenv("VELMORA_LEITOR_MDB");
        QVERIFY(!started);
        QVERIFY2(program.dialogs.texts().value(1).contains(QStringLiteral("não pôde ser lida inteira")),
                 qPrintable(program.dialogs.texts().join(u'|')));
        QCOMPARE(program.dataFiles(), QStringList{"base.mdb"});
        QCOMPARE(bytesOf(program.env.basePath()), original);
    }

    // Damaged copies, bytes changed at random after the first page: each is read whole or
    // refused, and the reader's troubles never reach the program.
    void damagedCopiesNeverTakeTheProgramDown() {
        const QByteArray original = bytesOf(kFixtures + QStringLiteral("win70-base.mdb"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("base.mdb"));
        QRandomGenerator random(19);
        int refused = 0;
        for (int copy = 0; copy < 40; ++copy) {
            QByteArray damaged = original;
            for (int change = 0; change < 24; ++change)
                damaged[4096 + random.bounded(damaged.size() - 4096)] =
                    static_cast<char>(random.bounded(256));
            writeFile(path, damaged);
            try {
                WindowsBase::readClientes(path, [](const Schema::Record&) {});
            } catch (const AppError& error) {
                QVERIFY2(error.message().contains(QStringLiteral("não pôde ser lida inteira")),
                         qPrintable(error.message()));
                ++refused;
            }
        }
        qInfo("%d of 40 damaged copies refused", refused);
    }

    void answeringNoChangesNothing() {
        const QByteArray original = bytesOf(kFixtures + QStringLiteral("win70-base.mdb"));
        Program program(original);
        QVERIFY(!program.start(Dialogs::Button::No));
        QCOMPARE(program.dialogs.texts().size(), 2);
        QVERIFY(program.app->terminated());
        QCOMPARE(program.dataFiles(), QStringList{"base.mdb"});
        QCOMPARE(bytesOf(program.env.basePath()), original);
    }

    // On a shared base the question asks to close the program on the other machines first.
    void sharedBaseAsksToCloseTheOthers() {
        Program program(bytesOf(kFixtures + QStringLiteral("win70-base.mdb")));
        const QString shared = program.env.root() + QStringLiteral("servidor");
        QDir().mkpath(shared);
        QVERIFY(QFile::rename(program.env.basePath(), shared + QStringLiteral("/base.mdb")));
        writeFile(program.env.settingsFolder() + QStringLiteral("rede.ini"), QFile::encodeName(shared));
        QVERIFY(program.start(Dialogs::Button::Yes));
        QVERIFY(program.dialogs.shown.first().text.startsWith(kQuestion));
        QVERIFY(program.dialogs.shown.first().text.contains(QStringLiteral("outras estações")));
        QCOMPARE(program.app->dataModule()->ADOTable1->recordCount(), 20);
        QVERIFY(QFile::exists(shared + QStringLiteral("/base-windows.mdb")));
    }
};

VELMORA_WINDOW_TEST_MAIN(TestWindowsBase)
#include "tst_windowsbase.moc"
