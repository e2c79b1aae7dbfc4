// A base on a PostgreSQL server, started by the test: the same order, searches and numbers
// as a base file, batches that keep the records before a refused one, a server made ready by
// the installer, and the failures a server can give, in Portuguese.

#include "data/connection.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "data/sharedtable.h"
#include "testenvironment.h"
#include "testserver.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

namespace {

// Names and dates chosen to trip an order that is not the same on both storages: accents
// and letter case, spaces and punctuation, digits, letters outside Latin-1, empty texts.
QList<QMap<QString, QString>> trickyRecords(int count) {
    const QStringList pieces = {"Ana",    "ana",     "Ána",     "ÁNA",    "Ângela",  "angela",  "Ãngelo",
                                "Zé",     "ze",      "Zoë",     "Çâmara", "camara",  "Ð",       "ß",
                                "Straße", "strasse", " espaço", "espaco", "d'Ávila", "D'AVILA", "50%",
                                "5_0",    "100",     "99",      "Œuvre",  "oeuvre",  "Ǆ",       "日本",
                                "😀",      "-",       "",        "a b",    "ab"};
    const QStringList dates = {"01/01/2020", "31/12/2019", "15/08/2021", "29/02/2024", "",
                               "31/02/2020", "1/1/20",     "01/01/1900", "12/12/2099"};
    QRandomGenerator random(7);
    QList<QMap<QString, QString>> records;
    for (int i = 0; i < count; ++i) {
        QString name = pieces[random.bounded(pieces.size())];
        if (random.bounded(2) == 0)
            name += u' ' + pieces[random.bounded(pieces.size())];
        records.append({{"AGE_NOME", name},
                        {"AGE_CIDADE", pieces[random.bounded(pieces.size())]},
                        {"AGE_DTAAUDIENCIA", dates[random.bounded(dates.size())]}});
    }
    return records;
}

// The record numbers a table shows, in its order.
QStringList shownCodes(SharedTable& table) {
    QStringList codes;
    for (int row = 0; row < table.recordCount(); ++row)
        codes << table.cellText(row, 0);
    return codes;
}

QString encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

class TestServerBase : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (!m_server.running())
            QFAIL(qPrintable(m_server.failure()));
    }

    // The same records in a base file and on a server: every order and search shows them in
    // the same order.
    void bothStoragesOrderAndFindAlike_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("filter");
        QTest::newRow("name") << "AGE_NOME ASC"
                              << "";
        QTest::newRow("name, descending") << "AGE_NOME DESC"
                                          << "";
        QTest::newRow("hearing date") << "AGE_DTAAUDIENCIA ASC"
                                      << "";
        QTest::newRow("hearing date, descending") << "AGE_DTAAUDIENCIA DESC"
                                                  << "";
        QTest::newRow("city then name") << "AGE_CIDADE;AGE_NOME"
                                        << "";
        QTest::newRow("names starting with a, any accent") << "AGE_NOME ASC"
                                                           << "AGE_NOME LIKE 'a%'";
        QTest::newRow("names starting with d'a") << "AGE_NOME ASC"
                                                 << "AGE_NOME LIKE 'D''a%'";
        QTest::newRow("wildcards as characters") << "AGE_NOME ASC"
                                                 << "AGE_NOME LIKE '5_0%'";
        QTest::newRow("percent as a character") << "AGE_NOME ASC"
                                                << "AGE_NOME LIKE '50%%'";
        QTest::newRow("outside Latin-1") << "AGE_NOME ASC"
                                         << "AGE_NOME LIKE 'ǆ%'";
    }
    void bothStoragesOrderAndFindAlike() {
        QFETCH(QString, order);
        QFETCH(QString, filter);
        static const QList<QMap<QString, QString>> records = trickyRecords(600);
        TestEnvironment env;
        env.createBase();
        env.addRecords(records);
        const QString uri = m_server.createDatabase(QStringLiteral("iguais_%1").arg(QTest::currentDataTag()));
        Schema::prepareServer(Database::openServer(uri));
        TestEnvironment::addRecords(Database::openServer(uri), records);

        QStringList shown[2];
        int index = 0;
        for (const QString& text : {env.connectionText(), uri}) {
            Connection connection;
            connection.setConnectionString(text);
            connection.open();
            SharedTable table(&connection);
            table.open();
            table.setSort(order);
            if (!filter.isEmpty())
                table.filterBy(filter);
            shown[index++] = shownCodes(table);
        }
        QVERIFY(!shown[0].isEmpty());
        QCOMPARE(shown[1], shown[0]);
    }

    // Numbers are given by the server, never twice: not after the highest record is deleted,
    // not after a write that was rolled back, not after records kept their old numbers.
    void numbersAreNeverGivenAgain() {
        const QString uri = m_server.createDatabase(QStringLiteral("numeros"));
        const Database db = Database::openServer(uri);
        Schema::prepareServer(db);
        TestEnvironment::addRecords(db, {{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "Bia"}}});
        {
            RecordWriter writer(db);
            QVERIFY(writer.remove(2));
            writer.commit();
        }
        {
            RecordWriter writer(db);
            QCOMPARE(writer.insert(Schema::emptyRecord()), 3);
        } // rolled back
        Schema::Record old = Schema::emptyRecord();
        old[0] = QStringLiteral("40");
        RecordWriter writer(db);
        QCOMPARE(writer.insert(Schema::emptyRecord()), 4);
        QCOMPARE(writer.insert(old), 40);
        QCOMPARE(writer.insert(Schema::emptyRecord()), 41);
        writer.commit();
        QCOMPARE(Schema::nextRecordNumber(db), 42);
    }

    // Records sent in batches (COPY): a record the server refuses stops them there, the
    // records before it stored, as when they are stored one at a time.
    void batchStopsAtTheRecordRefused() {
        const QString uri = m_server.createDatabase(QStringLiteral("lotes"));
        const Database db = Database::openServer(uri);
        Schema::prepareServer(db);
        TestEnvironment::addRecords(db, {{{"AGE_NOME", "Já estava"}}});
        RecordWriter writer(db);
        qint64 refusedAt = -1;
        for (int i = 0; i < 4500 && refusedAt < 0; ++i) {
            Schema::Record record = Schema::emptyRecord();
            // Old numbers from 2 on, then number 1, which is taken.
            record[0] = QString::number(i == 3100 ? 1 : i + 2);
            record[1] = QStringLiteral("Registro %1").arg(i);
            try {
                writer.insertMany(record);
            } catch (const RecordWriter::BatchRefused& refused) {
                refusedAt = 2000 + refused.stored; // the second batch of 2000
                QVERIFY2(refused.message().startsWith(NativeQuery::kNumberTaken),
                         qPrintable(refused.message()));
            }
        }
        QCOMPARE(refusedAt, 3100);
        writer.commit();
        QCOMPARE(NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0),
                 3101);
        QCOMPARE(Schema::nextRecordNumber(db), 3102);
    }

    // What the connection text holds is handed to libpq as it is: quotes and ";" are values,
    // never SQL; a text libpq cannot read is told so.
    void connectionTextsAreNeverSql_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("failure"); // empty: it connects
        const QString injection = QStringLiteral("x'; DROP TABLE clientes; --");
        QTest::newRow("quote and ; in a setting")
            << m_server.uri(QStringLiteral("texto")) + QStringLiteral("&application_name=") +
                   encoded(injection)
            << "";
        QTest::newRow("quote and ; in the database name")
            << m_server.uri(QStringLiteral("texto") + injection)
            << "A base de dados indicada não existe no servidor";
        QTest::newRow("a setting libpq does not know")
            << m_server.uri(QStringLiteral("texto")) + QStringLiteral("&options2=x")
            << "O texto de conexão com o servidor não pôde ser entendido";
        QTest::newRow("a service not defined")
            << QStringLiteral("postgresql://?service=escritorio_inexistente")
            << "O texto de conexão com o servidor não pôde ser entendido";
        QTest::newRow("a server not there") << QStringLiteral("postgresql:///texto?host=%2Fnao%2Fexiste")
                                            << "O servidor da base de dados não pôde ser alcançado";
        QTest::newRow("TLS asked for, on a server without it")
            << QStringLiteral("postgresql://127.0.0.1:%1/texto?user=%2&sslmode=require")
                   .arg(m_server.port())
                   .arg(TestServer::superuser())
            << "A conexão segura (SSL) com o servidor falhou";
        QTest::newRow("TLS if there is any")
            << QStringLiteral("postgresql://127.0.0.1:%1/texto?user=%2&sslmode=prefer")
                   .arg(m_server.port())
                   .arg(TestServer::superuser())
            << "";
        QTest::newRow("a login not there") << m_server.uri(QStringLiteral("texto"), QStringLiteral("ninguem"))
                                           << "O usuário indicado não existe no servidor";
    }
    void connectionTextsAreNeverSql() {
        QFETCH(QString, text);
        QFETCH(QString, failure);
        static const QString uri = [this] {
            const QString made = m_server.createDatabase(QStringLiteral("texto"));
            Schema::prepareServer(Database::openServer(made));
            return made;
        }();
        Connection connection;
        connection.setConnectionString(text);
        QVERIFY(connection.isServer());
        try {
            connection.open();
            QVERIFY2(failure.isEmpty(), "connected");
        } catch (const AppError& error) {
            QVERIFY2(!failure.isEmpty(), qPrintable(error.message()));
            QVERIFY2(error.message().startsWith(failure), qPrintable(error.message()));
        }
        QCOMPARE(m_server.sql(QStringLiteral("texto"), QStringLiteral("SELECT count(*) FROM clientes")),
                 QStringLiteral("0"));
    }

    // A password is asked for when the server wants one, asked again when refused, and kept
    // for connections made later; giving up gives the server's refusal.
    void passwordAskedKeptAndRefused() {
        Schema::prepareServer(Database::openServer(m_server.createDatabase(QStringLiteral("senha"))));
        m_server.sql(QStringLiteral("senha"),
                     QStringLiteral("GRANT velmora_equipe TO %1").arg(TestServer::passwordUser()));
        const QString text = m_server.uri(QStringLiteral("senha"), TestServer::passwordUser());
        Connection connection;
        connection.setConnectionString(text);
        QStringList typed{QStringLiteral("errada"), TestServer::password()};
        QList<bool> refusedBefore;
        connection.setPasswordPrompt([&](const QString&, bool refused) -> std::optional<QString> {
            refusedBefore << refused;
            return typed.isEmpty() ? std::nullopt : std::optional(typed.takeFirst());
        });
        connection.open();
        QCOMPARE(refusedBefore, (QList<bool>{false, true}));
        connection.close();
        connection.open(); // the password kept: not asked again
        QCOMPARE(refusedBefore.size(), 2);

        Connection giveUp;
        giveUp.setConnectionString(text);
        giveUp.setPasswordPrompt([](const QString&, bool) { return std::nullopt; });
        try {
            giveUp.open();
            QFAIL("connected without a password");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("senha")), qPrintable(error.message()));
        }
    }

    // A database of another program is neither prepared nor opened as a base, and nothing
    // is made in it.
    void anotherProgramsDatabaseIsLeftAlone() {
        const QString uri = m_server.createDatabase(QStringLiteral("outro programa"));
        m_server.sql(QStringLiteral("outro programa"),
                     QStringLiteral("CREATE TABLE pedidos (id int); INSERT INTO pedidos VALUES (1)"));
        const QString tables = QStringLiteral("SELECT string_agg(table_name, ',') FROM "
                                              "information_schema.tables WHERE table_schema = 'public'");
        try {
            Schema::prepareServer(Database::openServer(uri));
            QFAIL("prepared");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("já tem tabelas de outro programa (pedidos)")),
                     qPrintable(error.message()));
        }
        Connection connection;
        connection.setConnectionString(uri);
        connection.open();
        SharedTable table(&connection);
        try {
            table.open();
            QFAIL("opened");
        } catch (const AppError& error) {
            QVERIFY2(error.message().startsWith(
                         QStringLiteral("A base de dados do servidor não é uma base do Velmora")),
                     qPrintable(error.message()));
        }
        QCOMPARE(m_server.sql(QStringLiteral("outro programa"), tables), QStringLiteral("pedidos"));
    }

    // The staff role reads and writes the records, writes the history but never changes it,
    // and does nothing else; a login without it
    // reads nothing, and is told why.
    void staffMayOnlyReadAndWriteTheRecords() {
        const QString uri = m_server.createDatabase(QStringLiteral("equipe"));
        Schema::prepareServer(Database::openServer(uri));
        m_server.sql(QStringLiteral("postgres"),
                     QStringLiteral("CREATE ROLE joana LOGIN; CREATE ROLE pedro LOGIN"));
        m_server.sql(QStringLiteral("equipe"), QStringLiteral("GRANT velmora_equipe TO joana"));
        const Database staff =
            Database::openServer(m_server.uri(QStringLiteral("equipe"), QStringLiteral("joana")));
        TestEnvironment::addRecords(staff, {{{"AGE_NOME", "Ana"}}});
        for (const char* change :
             {"DROP TABLE clientes", "ALTER TABLE clientes ADD COLUMN x text", "CREATE TABLE outra (id int)",
              "UPDATE velmora_versao SET versao = 9", "TRUNCATE clientes"}) {
            try {
                NativeQuery::exec(staff, QString::fromLatin1(change));
                QFAIL(change);
            } catch (const AppError& error) {
                QVERIFY2(error.message().startsWith(QStringLiteral("Este usuário não tem permissão")),
                         qPrintable(error.message()));
            }
        }
        Connection outsider;
        outsider.setConnectionString(m_server.uri(QStringLiteral("equipe"), QStringLiteral("pedro")));
        outsider.open();
        SharedTable table(&outsider);
        try {
            table.open();
            QFAIL("read without the staff role");
        } catch (const AppError& error) {
            QVERIFY2(error.message().startsWith(QStringLiteral("Este usuário não tem permissão")),
                     qPrintable(error.message()));
        }
        QCOMPARE(m_server.sql(QStringLiteral("equipe"), QStringLiteral("SELECT count(*) FROM clientes")),
                 QStringLiteral("1"));
    }

    // A station of the staff meeting a server base of an earlier version is told who brings it
    // up to date; once the installer has, the station opens it, with the base's identity.
    void staffAreToldToHaveAnOldBaseUpdated() {
        const QString uri = m_server.createDatabase(QStringLiteral("antiga"));
        Schema::prepareServer(Database::openServer(uri));
        m_server.sql(QStringLiteral("antiga"),
                     QStringLiteral("DROP TABLE velmora_base; UPDATE velmora_versao SET "
                                    "versao = 2; CREATE ROLE rita LOGIN; GRANT "
                                    "velmora_equipe TO rita"));
        Connection station;
        station.setConnectionString(m_server.uri(QStringLiteral("antiga"), QStringLiteral("rita")));
        try {
            station.open();
            QFAIL("opened");
        } catch (const AppError& error) {
            QVERIFY2(
                error.message().startsWith(QStringLiteral("A base do servidor foi preparada por uma versão "
                                                          "anterior do Velmora")),
                qPrintable(error.message()));
        }
        Schema::prepareServer(Database::openServer(uri));
        station.open();
        QVERIFY(!Schema::identity(station.database()).isEmpty());
    }

    // velmora-install --servidor prepares an empty database once, again without harm, and
    // refuses another program's.
    void installerPreparesTheServer() {
        const QString uri = m_server.createDatabase(QStringLiteral("instalada"));
        const auto install = [](const QString& text) {
            QProcess installer;
            installer.setProcessChannelMode(QProcess::MergedChannels);
            installer.start(QStringLiteral(VELMORA_INSTALLER), {QStringLiteral("--servidor"), text});
            installer.waitForFinished(60000);
            return std::pair{installer.exitCode(), QString::fromUtf8(installer.readAll())};
        };
        for (int run = 0; run < 2; ++run) {
            const auto [code, output] = install(uri);
            QCOMPARE(code, 0);
            QVERIFY2(output.contains(QStringLiteral("GRANT velmora_equipe TO <login>;")), qPrintable(output));
        }
        QCOMPARE(
            m_server.sql(QStringLiteral("instalada"), QStringLiteral("SELECT versao FROM velmora_versao")),
            QString::number(Schema::kVersion));
        m_server.createDatabase(QStringLiteral("alheia"));
        m_server.sql(QStringLiteral("alheia"), QStringLiteral("CREATE TABLE notas (id int)"));
        const auto [code, output] = install(m_server.uri(QStringLiteral("alheia")));
        QCOMPARE(code, 1);
        QVERIFY2(output.contains(QStringLiteral("tabelas de outro programa")), qPrintable(output));
    }

  private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestServerBase)
#include "tst_serverbase.moc"
