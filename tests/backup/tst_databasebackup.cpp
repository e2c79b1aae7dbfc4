// Dated copies of the base: their names, the same-folder test, and a copy taken while
// another machine writes.

#include "backup/databasebackup.h"
#include "common/apperror.h"
#include "data/connection.h"
#include "data/history.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "files.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>
#include <atomic>

namespace {

qint64 countIn(const QString& path) {
    return NativeQuery::integers(Database::openFile(path), QStringLiteral("SELECT count(*) FROM clientes"),
                                 {})
        .value(0, -1);
}

} // namespace

class TestDatabaseBackup : public QObject {
    Q_OBJECT

  private slots:
    void namesNeverRepeat() {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        const QDateTime when(QDate(2019, 3, 5), QTime(14, 7, 9));
        QCOMPARE(DatabaseBackup::targetName(folder, when),
                 folder + QStringLiteral("base05-03-2019-14-07-09.mdb"));
        writeFile(folder + QStringLiteral("base05-03-2019-14-07-09.mdb"), "first");
        QCOMPARE(DatabaseBackup::targetName(folder, when),
                 folder + QStringLiteral("base05-03-2019-14-07-09-2.mdb"));
        writeFile(folder + QStringLiteral("base05-03-2019-14-07-09-2.mdb"), "second");
        QCOMPARE(DatabaseBackup::targetName(folder, when),
                 folder + QStringLiteral("base05-03-2019-14-07-09-3.mdb"));
    }

    void sameFolderLooksThroughLinks() {
        QTemporaryDir dir;
        const QString dados = dir.path() + QStringLiteral("/Dados");
        QVERIFY(QDir().mkpath(dados));
        QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/outra")));
        QVERIFY(QFile::link(dados, dir.path() + QStringLiteral("/atalho")));
        QVERIFY(DatabaseBackup::sameFolder(dados + u'/', dados));
        QVERIFY(DatabaseBackup::sameFolder(dados, dir.path() + QStringLiteral("/outra/../Dados/")));
        QVERIFY(DatabaseBackup::sameFolder(dados, dir.path() + QStringLiteral("/atalho")));
        QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/dados")));
        QVERIFY(!DatabaseBackup::sameFolder(dados, dir.path() + QStringLiteral("/dados")));
        QVERIFY(!DatabaseBackup::sameFolder(dados, dir.path() + QStringLiteral("/outra")));
    }

    // Another machine keeps writing while the copy is taken: the copy passes the check and
    // holds every record committed before it began.
    void copyWhileAnotherMachineWrites() {
        TestEnvironment env;
        env.createBase();
        QList<QMap<QString, QString>> records;
        for (int i = 0; i < 3000; ++i)
            records.append({{"AGE_NOME", QStringLiteral("Cliente %1").arg(i)},
                            {"AGE_ANOTACOES", QString(400, QChar(u'a' + i % 26))}});
        env.addRecords(records);
        Connection connection;
        connection.setConnectionString(env.connectionText());
        connection.open();

        std::atomic<bool> stop = false;
        std::atomic<int> written = 0;
        QThread* writer = QThread::create([&] {
            const Database db = env.openBase();
            while (!stop) {
                try {
                    NativeQuery::exec(
                        db, QStringLiteral("INSERT INTO clientes (\"AGE_NOME\") VALUES ('Outra estação')"));
                    ++written;
                } catch (const AppError&) {
                    // held by the copy a moment: tried again
                }
            }
        });
        writer->start();
        QTest::qWait(50);
        const qint64 before = env.recordCount();
        const QString target = env.root() + QStringLiteral("copia.mdb");
        DatabaseBackup::copy(connection.database(), target);
        stop = true;
        writer->wait();
        delete writer;
        QVERIFY(written > 0);
        QVERIFY(countIn(target) >= before);
        QVERIFY(countIn(target) <= env.recordCount());
        QVERIFY(!QFile::exists(target + QStringLiteral(".parcial")));
    }

    // The copy keeps the base's history as it stands, and adds nothing of its own, and the
    // base's identity.
    void historyComesAlong() {
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "Bia"}}});
        {
            RecordWriter writer(env.openBase());
            writer.remove(1);
            writer.commit();
        }
        const auto events = [](const Database& db) {
            QStringList found;
            NativeQuery::Statement query(
                db, QStringLiteral("SELECT \"Código\", acao, antes, depois FROM %1 ORDER BY id")
                        .arg(History::kTable));
            while (query.step())
                found << QStringList{query.text(0), query.text(1), query.text(2), query.text(3)}.join(u'|');
            return found;
        };
        Connection connection;
        connection.setConnectionString(env.connectionText());
        connection.open();
        const QString target = env.root() + QStringLiteral("copia.mdb");
        DatabaseBackup::copy(connection.database(), target);
        const QStringList original = events(env.openBase());
        QCOMPARE(original.size(), 3);
        QCOMPARE(events(Database::openFile(target)), original);
        QVERIFY(!Schema::identity(env.openBase()).isEmpty());
        QCOMPARE(Schema::identity(Database::openFile(target)), Schema::identity(env.openBase()));
    }

    // A copy that cannot be made leaves nothing behind.
    void failedCopyLeavesNothing() {
        TestEnvironment env;
        env.createBase();
        Connection connection;
        connection.setConnectionString(env.connectionText());
        connection.open();
        const QString target = env.root() + QStringLiteral("falta/copia.mdb");
        QVERIFY_THROWS_EXCEPTION(AppError, DatabaseBackup::copy(connection.database(), target));
        QVERIFY(!QFile::exists(target));
        QVERIFY(!QFile::exists(target + QStringLiteral(".parcial")));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseBackup)
#include "tst_databasebackup.moc"
