// The shared table over a real SQLite base: states, writes that reach the disk, the
// visible set, and a base made by an earlier build.

#include "app/apperror.h"
#include "data/connection.h"
#include "data/gridmodel.h"
#include "data/sharedtable.h"
#include "testenvironment.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

class TestSharedTable : public QObject {
    Q_OBJECT

    struct Opened {
        std::unique_ptr<Connection> connection = std::make_unique<Connection>();
        std::unique_ptr<SharedTable> table;
    };

    static Opened open(const TestEnvironment& env) {
        Opened opened;
        opened.connection->setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + env.basePath() +
            QStringLiteral(";Persist Security Info=False;"));
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
};

QTEST_GUILESS_MAIN(TestSharedTable)
#include "tst_sharedtable.moc"
