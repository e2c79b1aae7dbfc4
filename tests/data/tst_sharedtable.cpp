// The shared table over a real SQLite base: states, writes that reach the disk, the
// visible set, reads that fail, two machines on one base, bases of earlier and later
// builds, and the record reader and writer.

#include "common/apperror.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/gridmodel.h"
#include "data/nativequery.h"
#include "data/recordreader.h"
#include "data/recordwriter.h"
#include "data/sharedtable.h"
#include "files.h"
#include "testenvironment.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <sqlite3.h>

namespace {

// Another machine's connection holding a lock on the base until it goes.
QList<QMap<QString, QString>> numberedNames(int count) {
    QList<QMap<QString, QString>> records;
    for (int i = 0; i < count; ++i)
        records.append({{QStringLiteral("AGE_NOME"), QStringLiteral("Nome %1").arg(i, 3, 10, QChar(u'0'))}});
    return records;
}

} // namespace

class TestSharedTable : public QObject {
    Q_OBJECT

    struct Opened {
        std::unique_ptr<Connection> connection = std::make_unique<Connection>();
        std::unique_ptr<SharedTable> table;
    };

    static Opened open(const TestEnvironment& env, int busyTimeout = 10000) {
        Opened opened;
        opened.connection->setConnectionString(env.connectionText());
        opened.connection->setBusyTimeout(busyTimeout);
        opened.connection->open();
        opened.table = std::make_unique<SharedTable>(opened.connection.get());
        opened.table->open();
        return opened;
    }

    static QStringList names(const SharedTable& table) {
        QStringList result;
        for (int row = 0; row < table.recordCount(); ++row)
            result << table.cellText(row, 1);
        return result;
    }

  private slots:
    void appendPostAndEditReachTheBase() {
        TestEnvironment env;
        env.createBase();
        auto opened = open(env);
        SharedTable& table = *opened.table;
        QCOMPARE(table.state(), SharedTable::State::Browse);
        QCOMPARE(table.currentRow(), -1);

        table.append();
        QCOMPARE(table.state(), SharedTable::State::Insert);
        QCOMPARE(table.rowCount(), 1);
        QCOMPARE(table.recordCount(), 0);
        table.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Ana Souza"));
        table.post();
        QCOMPARE(table.state(), SharedTable::State::Browse);
        const qint64 code = table.fieldText(QStringLiteral("Código")).toLongLong();
        QVERIFY(code > 0);
        QCOMPARE(env.storedText(code, QStringLiteral("AGE_NOME")), QStringLiteral("Ana Souza"));

        table.edit();
        table.setFieldText(QStringLiteral("AGE_CIDADE"), QStringLiteral("Campinas"));
        table.setFieldText(QStringLiteral("AGE_NOME"), QString());
        table.post();
        QCOMPARE(env.storedText(code, QStringLiteral("AGE_CIDADE")), QStringLiteral("Campinas"));
        QVERIFY(env.storedText(code, QStringLiteral("AGE_NOME")).isNull()); // empty text is stored as NULL
    }

    void cancelAndDelete() {
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("A")}},
                        {{QStringLiteral("AGE_NOME"), QStringLiteral("B")}}});
        auto opened = open(env);
        SharedTable& table = *opened.table;
        table.moveTo(1);
        table.append();
        table.cancel();
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(table.currentRow(), 1);

        table.edit();
        table.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("changed"));
        table.cancel();
        QCOMPARE(table.fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("B"));

        table.remove();
        QCOMPARE(names(table), QStringList{QStringLiteral("A")});
        QCOMPARE(table.currentRow(), 0);
        QCOMPARE(env.recordCount(), 1);
        table.remove();
        QCOMPARE(table.currentRow(), -1);
        QCOMPARE(env.recordCount(), 0);

        // Editing an empty table starts a new record.
        table.edit();
        QCOMPARE(table.state(), SharedTable::State::Insert);
    }

    void movingWhileEditingPostsFirst() {
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("A")}},
                        {{QStringLiteral("AGE_NOME"), QStringLiteral("B")}}});
        auto opened = open(env);
        SharedTable& table = *opened.table;
        table.edit();
        table.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("A2"));
        table.next();
        QCOMPARE(table.state(), SharedTable::State::Browse);
        QCOMPARE(names(table), (QStringList{QStringLiteral("A2"), QStringLiteral("B")}));
    }

    void navigationAndLocate() {
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("Ana")}},
                        {{QStringLiteral("AGE_NOME"), QStringLiteral("ana")}},
                        {{QStringLiteral("AGE_NOME"), QStringLiteral("Ana")}}});
        auto opened = open(env);
        SharedTable& table = *opened.table;
        QVERIFY(table.bof());
        QVERIFY(!table.eof());
        table.next();
        table.next();
        QVERIFY(!table.eof());
        table.next();
        QVERIFY(table.eof());
        QCOMPARE(table.currentRow(), 2);

        // Exact and case-sensitive: the first of the equal names.
        QVERIFY(table.locate(QStringLiteral("AGE_NOME"), QStringLiteral("ana")));
        QCOMPARE(table.currentRow(), 1);
        QVERIFY(table.locate(QStringLiteral("AGE_NOME"), QStringLiteral("Ana")));
        QCOMPARE(table.currentRow(), 0);
        QVERIFY(!table.locate(QStringLiteral("AGE_NOME"), QStringLiteral("An")));
        QVERIFY(!table.locate(QStringLiteral("AGE_NOME"), QString()));
        QCOMPARE(table.currentRow(), 0);
    }

    void closedTableRefusesWork() {
        TestEnvironment env;
        env.createBase();
        auto opened = open(env);
        SharedTable& table = *opened.table;
        table.close();
        QCOMPARE(table.state(), SharedTable::State::Inactive);
        QVERIFY_THROWS_EXCEPTION(AppError, table.append());
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 table.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("x")));
        QCOMPARE(table.fieldText(QStringLiteral("AGE_NOME")), QString());
    }

    void gridModelFollowsTheTable() {
        TestEnvironment env;
        env.createBase();
        QList<QMap<QString, QString>> records;
        for (int i = 0; i < 300; ++i)
            records.append(
                {{QStringLiteral("AGE_NOME"), QStringLiteral("Nome %1").arg(i, 3, 10, QChar(u'0'))}});
        env.addRecords(records);
        auto opened = open(env);
        SharedTable& table = *opened.table;
        GridModel model(&table, {{QStringLiteral("Código"), QStringLiteral("Código")},
                                 {QStringLiteral("AGE_NOME"), QStringLiteral("Nome")}});
        model.setEditable(true);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

        QCOMPARE(model.rowCount(), 300);
        QCOMPARE(model.data(model.index(257, 1)).toString(), QStringLiteral("Nome 257"));
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
        table.append();
        QCOMPARE(model.rowCount(), 301);
        QCOMPARE(model.headerData(300, Qt::Vertical).toString(), QStringLiteral("*"));
        table.cancel();
        QCOMPARE(model.rowCount(), 300);

        QVERIFY(model.setData(model.index(5, 1), QStringLiteral("Editado")));
        QCOMPARE(table.state(), SharedTable::State::Edit);
        QCOMPARE(table.currentRow(), 5);
        QVERIFY(!(model.flags(model.index(5, 0)) & Qt::ItemIsEditable)); // the number is the database's
        table.moveTo(6);
        QCOMPARE(model.data(model.index(5, 1)).toString(), QStringLiteral("Editado"));
        table.remove();
        QCOMPARE(model.rowCount(), 299);
        table.setFilterText(QStringLiteral("AGE_NOME LIKE 'Nome 1%'"));
        table.setFiltered(true);
        QCOMPARE(model.rowCount(), 100);
    }

    void missingOrDamagedBaseIsRefused() {
        if (TestEnvironment::onServer())
            QSKIP("a base file's own");
        TestEnvironment env;
        env.createDataFolder();
        Connection connection;
        connection.setConnectionString(QStringLiteral("Data Source=") + env.basePath() + u';');
        QVERIFY_THROWS_EXCEPTION(AppError, connection.open());
        QVERIFY(!QFile::exists(env.basePath())); // never created by opening

        QFile damaged(env.basePath());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, 'x'));
        damaged.close();
        QVERIFY_THROWS_EXCEPTION(AppError, connection.open());
        QVERIFY(!connection.connected());
    }

    void baseOfAnEarlierBuildIsUpgraded() {
        if (TestEnvironment::onServer())
            QSKIP("a base file's own");
        TestEnvironment env;
        env.createDataFolder();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            db.setDatabaseName(env.basePath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(
                QStringLiteral("CREATE TABLE clientes (\"Código\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                               "AGE_NOME TEXT, AGE_DTAAUDIENCIA TEXT)")));
            QVERIFY(query.exec(QStringLiteral("INSERT INTO clientes (AGE_NOME, AGE_DTAAUDIENCIA) VALUES "
                                              "('José', '15/08/2020'), ('Ana', '01/01/2019')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));

        auto opened = open(env);
        SharedTable& table = *opened.table;
        QCOMPARE(table.recordCount(), 2);
        table.setFilterText(QStringLiteral("AGE_NOME LIKE 'jose%'"));
        table.setFiltered(true);
        QCOMPARE(names(table), QStringList{QStringLiteral("José")});
        table.setFiltered(false);
        table.setSort(QStringLiteral("AGE_DTAAUDIENCIA ASC"));
        QCOMPARE(names(table), (QStringList{QStringLiteral("Ana"), QStringLiteral("José")}));
    }

    // A case number or a CPF is found by its digits, punctuated or not, here and in the record;
    // a text of another form is found as any text is.
    void numbersFoundByTheirDigits_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("digits") << "AGE_PROC LIKE '00012345620%'" << QStringList{"Ana"};
        QTest::newRow("punctuated") << "AGE_PROC LIKE '0001234-56.20%'" << QStringList{"Ana"};
        QTest::newRow("its start") << "AGE_PROC LIKE '0001234%'" << QStringList{"Ana", "Bia"};
        QTest::newRow("an older form, by its digits") << "AGE_PROC LIKE '583%'" << QStringList{"Caio"};
        QTest::newRow("words") << "AGE_PROC LIKE 'proc%'" << QStringList{"Caio"};
        QTest::newRow("CPF digits") << "AGE_CIC LIKE '5299822%'" << QStringList{"Ana"};
        QTest::newRow("CPF punctuated") << "AGE_CIC LIKE '529.982.247-25%'" << QStringList{"Ana"};
    }
    void numbersFoundByTheirDigits() {
        QFETCH(QString, expression);
        QFETCH(QStringList, found);
        TestEnvironment env;
        env.createBase();
        env.addRecords(
            {{{"AGE_NOME", "Ana"}, {"AGE_PROC", "0001234-56.2020.8.26.0100"}, {"AGE_CIC", "529.982.247-25"}},
             {{"AGE_NOME", "Bia"}, {"AGE_PROC", "00012349920218260100"}, {"AGE_CIC", "111.444.777-35"}},
             {{"AGE_NOME", "Caio"}, {"AGE_PROC", "Proc. 583/99"}}});
        if (!TestEnvironment::onServer() && QTest::currentDataTag() == QByteArrayLiteral("digits")) {
            // A base of the third format gets its digits keys when it is opened.
            const Database db = env.openBase();
            for (const char* column : {"n_AGE_PROC", "n_AGE_CIC"}) {
                NativeQuery::exec(db,
                                  QStringLiteral("DROP INDEX \"ix_%1\"").arg(QString::fromLatin1(column)));
                NativeQuery::exec(
                    db,
                    QStringLiteral("ALTER TABLE clientes DROP COLUMN %1").arg(QString::fromLatin1(column)));
            }
            NativeQuery::exec(db, QStringLiteral("PRAGMA user_version = 3"));
        }
        auto opened = open(env);
        opened.table->filterBy(expression);
        QCOMPARE(names(*opened.table), found);
    }

    // A record saved into a base whose last block of rows was already read shows at once,
    // in the grid and when the user comes back to it, and a later change keeps its fields.
    void savedRecordShowsAtOnce() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(numberedNames(3));
        auto opened = open(env);
        SharedTable& table = *opened.table;
        GridModel grid(&table, {{QStringLiteral("Código"), QStringLiteral("Código")},
                                {QStringLiteral("AGE_NOME"), QStringLiteral("Nome")}});
        QCOMPARE(grid.data(grid.index(2, 1)).toString(), QStringLiteral("Nome 002"));
        table.append();
        table.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Nova"));
        table.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("1234"));
        table.post();
        QCOMPARE(grid.data(grid.index(3, 0)).toString(), QStringLiteral("4"));
        QCOMPARE(grid.data(grid.index(3, 1)).toString(), QStringLiteral("Nova"));
        table.first();
        table.last();
        QCOMPARE(table.fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Nova"));
        table.edit();
        table.setFieldText(QStringLiteral("AGE_CIDADE"), QStringLiteral("Campinas"));
        table.post();
        QCOMPARE(env.storedText(4, QStringLiteral("AGE_NOME")), QStringLiteral("Nova"));
        QCOMPARE(env.storedText(4, QStringLiteral("AGE_TEL")), QStringLiteral("1234"));
        QCOMPARE(env.storedText(4, QStringLiteral("AGE_CIDADE")), QStringLiteral("Campinas"));
    }

    // A block that cannot be read (another machine holds the base) caches nothing: the
    // grid asks again later, moving there reports why, and editing it is refused.
    void failedReadCachesNothing() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(numberedNames(100));
        auto opened = open(env, 100);
        SharedTable& table = *opened.table;
        QSignalSpy failures(&table, &SharedTable::readFailed);
        {
            const Database holder = env.holdBase(TestEnvironment::Hold::Everything);
            QCOMPARE(table.cellText(90, 1), QString());
            QCOMPARE(table.cellText(91, 1), QString());
            QCOMPARE(failures.size(), 1);
            QVERIFY(failures.first().first().toString().contains(QStringLiteral("em uso por outra estação")));
            QVERIFY_THROWS_EXCEPTION(AppError, table.moveTo(90));
            QCOMPARE(table.fieldText(QStringLiteral("AGE_NOME")), QString());
            QVERIFY_THROWS_EXCEPTION(AppError, table.edit());
            QCOMPARE(table.state(), SharedTable::State::Browse);
        }
        QCOMPARE(table.cellText(90, 1), QStringLiteral("Nome 090"));
        table.edit();
        QCOMPARE(table.fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Nome 090"));
        table.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("555"));
        table.post();
        QCOMPARE(env.storedText(91, QStringLiteral("AGE_NOME")), QStringLiteral("Nome 090"));
        QCOMPARE(env.storedText(91, QStringLiteral("AGE_TEL")), QStringLiteral("555"));
    }

    // Two machines on one base: each keeps its change of a different field of one record,
    // even when its copy was read long before; a change of the same field, or a record
    // deleted meanwhile, is reported and the record stays open for writing.
    void twoMachinesOnOneRecord() {
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("Ana")},
                         {QStringLiteral("AGE_TEL"), QStringLiteral("1111")}},
                        {{QStringLiteral("AGE_NOME"), QStringLiteral("Bia")}}});
        auto first = open(env);
        auto second = open(env);
        SharedTable& here = *first.table;
        SharedTable& there = *second.table;
        QCOMPARE(here.fieldText(QStringLiteral("AGE_TEL")), QStringLiteral("1111")); // read, then left open

        there.edit();
        there.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("2222"));
        there.post();
        here.edit();
        QCOMPARE(here.fieldText(QStringLiteral("AGE_TEL")), QStringLiteral("2222")); // read afresh
        here.setFieldText(QStringLiteral("AGE_CIDADE"), QStringLiteral("Santos"));
        there.edit();
        there.setFieldText(QStringLiteral("AGE_BAIRRO"), QStringLiteral("Centro"));
        there.post();
        here.post();
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_TEL")), QStringLiteral("2222"));
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_CIDADE")), QStringLiteral("Santos"));
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_BAIRRO")), QStringLiteral("Centro"));
        QCOMPARE(here.fieldText(QStringLiteral("AGE_BAIRRO")), QStringLiteral("Centro"));

        here.edit();
        here.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Ana Maria"));
        there.edit();
        there.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Ana Paula"));
        there.post();
        try {
            here.post();
            QFAIL("no conflict reported");
        } catch (const AppError& error) {
            QVERIFY(error.message().startsWith(QStringLiteral("O registro foi alterado em outra estação")));
        }
        QCOMPARE(here.state(), SharedTable::State::Edit);
        QCOMPARE(here.fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Ana Maria"));
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_NOME")), QStringLiteral("Ana Paula"));
        here.cancel();

        here.next();
        here.edit();
        here.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("3333"));
        there.next();
        there.remove();
        QVERIFY_THROWS_EXCEPTION(AppError, here.post());
        QCOMPARE(here.state(), SharedTable::State::Edit);
        QCOMPARE(env.recordCount(), 1);
    }

    // A save that meets another machine's write lock waits, then fails with a clear
    // message, the record still open for writing and the base unchanged.
    void saveWaitsThenFailsOnALockedBase() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(numberedNames(1));
        auto opened = open(env, 200);
        SharedTable& table = *opened.table;
        table.edit();
        table.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("999"));
        {
            const Database holder = env.holdBase(TestEnvironment::Hold::Writes);
            try {
                table.post();
                QFAIL("the save did not wait for the lock");
            } catch (const AppError& error) {
                QVERIFY(error.message().startsWith(
                    QStringLiteral("A base de dados está em uso por outra estação")));
            }
            QCOMPARE(table.state(), SharedTable::State::Edit);
        }
        QVERIFY(env.storedText(1, QStringLiteral("AGE_TEL")).isNull());
        table.post();
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_TEL")), QStringLiteral("999"));
    }

    // A base written by a newer build is neither opened nor changed.
    void newerBaseIsRefusedUntouched() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(numberedNames(2));
        const auto snapshot = [&env] {
            return env.onServer()
                       ? env.serverSql(QStringLiteral("SELECT * FROM velmora_versao")) +
                             env.storedRows({QStringLiteral("Código"), QStringLiteral("AGE_NOME")}).join(u'|')
                       : QString::fromLatin1(bytesOf(env.basePath()).toHex());
        };
        if (env.onServer())
            env.serverSql(QStringLiteral("UPDATE velmora_versao SET versao = 99"));
        else
            NativeQuery::exec(env.openBase(), QStringLiteral("PRAGMA user_version = 99"));
        const QString before = snapshot();
        Connection connection;
        connection.setConnectionString(env.connectionText());
        try {
            connection.open();
            QFAIL("a newer base was opened");
        } catch (const Schema::NewerBaseError& error) {
            QVERIFY(error.message().contains(QStringLiteral("versão mais nova")));
        }
        QVERIFY(!connection.connected());
        QCOMPARE(snapshot(), before);
    }

    // A folder name may hold ";": the connection text quotes it.
    void folderWithASemicolon() {
        if (TestEnvironment::onServer())
            QSKIP("a base file's own");
        TestEnvironment env;
        const QString folder = env.root() + QStringLiteral("Escritório; Sala 2/");
        QDir().mkpath(folder);
        env.createBase();
        QVERIFY(QFile::rename(env.basePath(), folder + QStringLiteral("base.mdb")));
        Connection connection;
        connection.setConnectionString(Connection::startupText(folder));
        QCOMPARE(connection.dataSource(), folder + QStringLiteral("base.mdb"));
        connection.open();
        QVERIFY(connection.connected());
        QCOMPARE(Connection::valueOf(
                     QStringLiteral("Provider=x;Data Source=\"a;\"\"b\"\"\";Persist Security Info=False;"),
                     QStringLiteral("data source")),
                 QStringLiteral("a;\"b\""));
        QCOMPARE(Columns::quoted(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    }

    // The reader walks the visible set in its order, a block at a time, past records
    // deleted since; the writer keeps old numbers and keeps nothing it was not told to.
    void readerAndWriter() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(numberedNames(600));
        auto opened = open(env);
        SharedTable& table = *opened.table;
        table.setSort(QStringLiteral("AGE_NOME DESC"));
        {
            RecordWriter writer(opened.connection->database());
            QVERIFY(writer.remove(598));
            writer.commit();
        }
        RecordReader reader = table.reader({Columns::indexOf(QStringLiteral("AGE_NOME")), 0});
        QCOMPARE(reader.count(), 600);
        QStringList values;
        QStringList read;
        while (reader.next(values))
            read << values.join(u'#');
        QCOMPARE(read.size(), 599);
        QCOMPARE(read.first(), QStringLiteral("Nome 599#600"));
        QCOMPARE(read[1], QStringLiteral("Nome 598#599"));
        QCOMPARE(read[2], QStringLiteral("Nome 596#597"));
        QCOMPARE(read.last(), QStringLiteral("Nome 000#1"));

        Schema::Record numbered = Schema::emptyRecord();
        numbered[0] = QStringLiteral("5000");
        numbered[1] = QStringLiteral("Antigo");
        {
            RecordWriter writer(opened.connection->database());
            QCOMPARE(writer.insert(numbered), 5000);
        } // not committed
        QCOMPARE(env.recordCount(), 599);
        RecordWriter writer(opened.connection->database());
        QCOMPARE(writer.insert(numbered), 5000);
        numbered[0].clear();
        QCOMPARE(writer.insert(numbered), 5001);
        writer.commit();
        QCOMPARE(env.storedText(5000, QStringLiteral("AGE_NOME")), QStringLiteral("Antigo"));
    }
};

QTEST_GUILESS_MAIN(TestSharedTable)
#include "tst_sharedtable.moc"
