// An office's base file sent to its server: every record with its number and every
// character, the history with it, the numbering going on past the old numbers; the old
// base renamed, refusing changes, and a note telling where it went. A server that holds
// records, a send given up half-way, or a server that keeps something else than was sent
// leave both sides as they were.

#include "common/apperror.h"
#include "data/columns.h"
#include "data/history.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "data/sendtoserver.h"
#include "data/server.h"
#include "files.h"
#include "scriptedprogress.h"
#include "testenvironment.h"
#include "testserver.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

QStringList everyColumn() {
    QStringList names;
    for (const auto& column : Columns::all())
        names << column.name;
    return names;
}

QByteArray hashOf(const QString& path) {
    return QCryptographicHash::hash(bytesOf(path), QCryptographicHash::Sha256);
}

qint64 countOn(const Database& db, const QString& table) {
    return NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM %1").arg(table), {}).value(0);
}

// A base of an office: accents, notes with line breaks, records deleted (gaps in the
// numbering, the last number among them).
void fillOffice(const QString& basePath) {
    QList<QMap<QString, QString>> records;
    for (int i = 1; i <= 12; ++i)
        records.append({{"AGE_NOME", QStringLiteral("José da Conceição %1").arg(i)},
                        {"AGE_CIDADE", QStringLiteral("São Paulo")},
                        {"AGE_ANOTACOES", QStringLiteral("Primeira linha\r\nSegunda, “aspas” e ½\r\n")},
                        {"AGE_DTAAUDIENCIA", QStringLiteral("%1/03/2027").arg(i, 2, 10, QChar(u'0'))},
                        {"AGE_PCONT", QStringLiteral("Ñandú & Ærø <Ltda.> 日本 😀")}});
    TestEnvironment::addRecords(basePath, records);
    const Database base = Database::openFile(basePath);
    RecordWriter writer(base);
    writer.remove(4);
    writer.remove(5);
    writer.remove(12);
    writer.commit();
}

} // namespace

class TestSendToServer : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (!m_server.running())
            QFAIL(qPrintable(m_server.failure()));
    }

    void everyRecordArrivesAndTheOldBaseIsClosed() {
        TestEnvironment env;
        env.install();
        fillOffice(env.basePath());
        Database old = Database::openFile(env.basePath());
        const QStringList rows = TestEnvironment::storedRows(old, everyColumn());
        const qint64 events = countOn(old, History::kTable);
        const QString identity = Schema::identity(old);
        old.close();
        const QString uri = serverBase(QStringLiteral("enviada"));

        const SendToServer::Sent sent = SendToServer::send(env.basePath(), Database::openServer(uri));
        QCOMPARE(sent.records, 9);
        QCOMPARE(sent.events, events);
        QCOMPARE(sent.keptAs, env.databaseFolder() + QStringLiteral("base-enviada.mdb"));
        QVERIFY(!QFileInfo::exists(env.basePath()));

        const Database server = Database::openServer(uri);
        QCOMPARE(TestEnvironment::storedRows(server, everyColumn()), rows);
        QCOMPARE(Schema::identity(server), identity);
        // The old history, then the sending itself.
        QCOMPARE(countOn(server, History::kTable), events + 1);
        // Numbering goes on past the last number the base gave (12, deleted).
        RecordWriter writer(server);
        QCOMPARE(writer.insert(Schema::emptyRecord()), 13);
        writer.commit();
        // A record deleted before the sending comes back from the history sent.
        History::restore(server, 5);
        QCOMPARE(TestEnvironment::storedRows(server, {QStringLiteral("AGE_NOME")}).value(3),
                 QStringLiteral("José da Conceição 5"));

        // Stations still connected to the old base are refused any change, and the folder
        // tells where the base went.
        try {
            RecordWriter late(Database::openFile(sent.keptAs));
            late.insert(Schema::emptyRecord());
            QFAIL("the old base took a record");
        } catch (const AppError& error) {
            QVERIFY2(error.message().startsWith(QStringLiteral("Esta base de dados foi enviada ao servidor")),
                     qPrintable(error.message()));
        }
        QCOMPARE(SendToServer::serverOf(env.databaseFolder()), Server::displayName(uri));
    }

    // A server's base that holds records, a send given up half-way, and a server that keeps
    // a text other than the one sent: the base file keeps its bytes, its name and its
    // changes, and the server holds nothing of it.
    void failureLeavesBothSidesAsTheyWere_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("server holds records") << "records"
                                              << "já guarda 1 registro(s)";
        QTest::newRow("given up half-way") << "cancel"
                                           << "O envio foi cancelado.";
        QTest::newRow("text kept otherwise") << "bytes"
                                             << "O servidor não guardou a base como ela é";
        QTest::newRow("server not prepared") << "unprepared"
                                             << "não foi preparada para o Velmora";
    }
    void failureLeavesBothSidesAsTheyWere() {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        TestEnvironment env;
        env.install();
        QList<QMap<QString, QString>> records;
        for (int i = 0; i < 2500; ++i)
            records.append({{"AGE_NOME", QStringLiteral("Cliente %1").arg(i)}});
        env.addRecords(records);
        if (failure == u"bytes") {
            // Bytes that are not UTF-8, which SQLite keeps and a server cannot.
            NativeQuery::exec(Database::openFile(env.basePath()),
                              QStringLiteral("UPDATE clientes SET AGE_BAIRRO = CAST(X'C328' AS TEXT) WHERE "
                                             "\"Código\" = 2400"));
        }
        const QString name = QStringLiteral("falha_%1").arg(failure);
        QString uri;
        if (failure == u"unprepared") {
            uri = m_server.createDatabase(name);
        } else {
            uri = serverBase(name);
            if (failure == u"records")
                TestEnvironment::addRecords(Database::openServer(uri), {{{"AGE_NOME", "Já no servidor"}}});
        }
        ScriptedProgress progress;
        if (failure == u"cancel")
            progress.cancelAfter = 2;
        const QByteArray before = hashOf(env.basePath());

        try {
            SendToServer::send(env.basePath(), Database::openServer(uri));
            QFAIL("sent");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
        QCOMPARE(hashOf(env.basePath()), before);
        QVERIFY(!QFileInfo::exists(env.databaseFolder() + SendToServer::kNoteFile));
        QVERIFY(!QFileInfo::exists(env.databaseFolder() + QStringLiteral("base-enviada.mdb")));
        env.addRecords({{{"AGE_NOME", "Ainda aceita"}}});
        if (failure != u"unprepared") {
            const Database server = Database::openServer(uri);
            QCOMPARE(countOn(server, QStringLiteral("clientes")), failure == u"records" ? 1 : 0);
            QCOMPARE(countOn(server, History::kTable), failure == u"records" ? 1 : 0);
        }
    }

    // velmora-install --enviar: the same from the command line.
    void installerSendsAFolder() {
        TestEnvironment env;
        env.install();
        env.addRecords({{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "Bia"}}});
        const QString uri = serverBase(QStringLiteral("pelo_instalador"));
        QProcess installer;
        installer.setProcessChannelMode(QProcess::MergedChannels);
        installer.start(QStringLiteral(VELMORA_INSTALLER),
                        {QStringLiteral("--enviar"), env.databaseFolder(), uri});
        QVERIFY(installer.waitForFinished(60000));
        const QString output = QString::fromUtf8(installer.readAll());
        QVERIFY2(installer.exitCode() == 0, qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("2 registro(s)")), qPrintable(output));
        QCOMPARE(countOn(Database::openServer(uri), QStringLiteral("clientes")), 2);
        QCOMPARE(SendToServer::serverOf(env.databaseFolder()), uri);
    }

  private:
    // An empty database prepared as an office's.
    QString serverBase(const QString& name) {
        const QString uri = m_server.createDatabase(name);
        Schema::prepareServer(Database::openServer(uri));
        return uri;
    }

    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestSendToServer)
#include "tst_sendtoserver.moc"
