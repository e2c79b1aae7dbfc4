// The program killed at random moments while it writes many records: during "<<" of a
// packet of 10,000 records and during the conversion of a Windows base. Whatever the
// moment, the base passes its integrity check and holds whole blocks only, and the files
// it was reading are as they were.
//
// The work is done by this program started again with --transferir or --converter, and
// killed with SIGKILL.

#include "common/apperror.h"
#include "data/connection.h"
#include "data/nativequery.h"
#include "data/windowsbase.h"
#include "files.h"
#include "testenvironment.h"
#include "transfer/transfersource.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <cstdio>

namespace {

const QString kFixtures = QStringLiteral(VELMORA_FIXTURES);
constexpr int kKills = 20;
constexpr int kRecords = 10000;

QByteArray packetOf(int records) {
    QByteArray text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (const char* name : {"AGE_COD", "AGE_NOME", "AGE_ENDERECO", "AGE_BAIRRO", "AGE_CIDADE"})
        text += QByteArray("<FIELD attrname=\"") + name + "\" fieldtype=\"string\" WIDTH=\"60\"/>";
    text += "</FIELDS><PARAMS/></METADATA><ROWDATA>\r\n";
    for (int i = 1; i <= records; ++i)
        text += "<ROW AGE_COD=\"" + QByteArray::number(i) + "\" AGE_NOME=\"Cliente Número " +
                QByteArray::number(i) + "\" AGE_ENDERECO=\"Rua São João, " + QByteArray::number(i) +
                "\" AGE_BAIRRO=\"Centro\" AGE_CIDADE=\"Ribeirão Preto\"/>\r\n";
    return text + "</ROWDATA></DATAPACKET>";
}

QByteArray hashOf(const QString& path) {
    return QCryptographicHash::hash(bytesOf(path), QCryptographicHash::Sha256);
}

struct BaseState {
    QString integrity;
    qint64 records = -1;
    qint64 unnamed = -1; // records without a name: a record written in part
};

BaseState stateOf(const QString& path) {
    BaseState state;
    try {
        const Database db = Database::openFile(path);
        NativeQuery::Statement check(db, QStringLiteral("PRAGMA integrity_check"));
        state.integrity = check.step() ? check.text(0) : QString();
        state.records =
            NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0);
        state.unnamed = NativeQuery::integers(
                            db, QStringLiteral("SELECT count(*) FROM clientes WHERE AGE_NOME IS NULL"), {})
                            .value(0);
    } catch (const AppError& error) {
        state.integrity = error.message();
    }
    return state;
}

// This program doing the work; killed after `delay` milliseconds when it is given.
int runWorker(const QStringList& arguments, std::optional<int> delay) {
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start(QCoreApplication::applicationFilePath(), arguments);
    if (!worker.waitForStarted())
        return -1;
    if (delay) {
        if (!worker.waitForFinished(*delay)) {
            worker.kill();
            worker.waitForFinished();
            return -2;
        }
    } else {
        worker.waitForFinished(120000);
    }
    return worker.exitStatus() == QProcess::NormalExit ? worker.exitCode() : -2;
}

// How long the work takes when it is left alone, in milliseconds.
int durationOf(const QStringList& arguments) {
    QElapsedTimer clock;
    clock.start();
    runWorker(arguments, std::nullopt);
    return static_cast<int>(clock.elapsed());
}

// ---- the work ----

int transfer(const QString& basePath, const QString& packetPath) {
    Connection connection;
    connection.setConnectionString(Connection::startupText(QFileInfo(basePath).absolutePath() + u'/'));
    connection.open();
    TransferSource source;
    source.load(TransferSource::File::Packet, packetPath, {});
    transferAll(source, connection.database(), {});
    return 0;
}

int convert(const QString& folder) {
    WindowsBase::convert(folder);
    return 0;
}

} // namespace

class TestCrashPoints : public QObject {
    Q_OBJECT

  private slots:
    void transferKilled() {
        TestEnvironment env;
        env.install();
        const QString packet = env.root() + QStringLiteral("Agenda.xml");
        writeFile(packet, packetOf(kRecords));
        const QByteArray packetHash = hashOf(packet);
        const QStringList arguments{QStringLiteral("--transferir"), env.basePath(), packet};
        // Timed on a base of its own, so that the kills fall within the work.
        const QString scratch = env.root() + QStringLiteral("ensaio/");
        QDir().mkpath(scratch);
        QFile::copy(env.basePath(), scratch + QStringLiteral("base.mdb"));
        const int duration = durationOf({arguments[0], scratch + QStringLiteral("base.mdb"), packet});
        QCOMPARE(stateOf(scratch + QStringLiteral("base.mdb")).records, qint64(kRecords));

        QRandomGenerator random(23);
        int completed = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            if (runWorker(arguments, random.bounded(duration * 13 / 10 + 1)) == 0)
                ++completed;
            const BaseState state = stateOf(env.basePath());
            QCOMPARE(state.integrity, QStringLiteral("ok"));
            QCOMPARE(state.records % kTransferBlock, 0);
            QCOMPARE(state.unnamed, 0);
            QCOMPARE(hashOf(packet), packetHash);
        }
        qInfo("%d of %d runs finished before the kill; the base holds %lld records", completed, kKills,
              stateOf(env.basePath()).records);
    }

    void conversionKilled() {
        TestEnvironment env;
        const QString folder = env.root() + QStringLiteral("Dados/");
        QDir().mkpath(folder);
        const QByteArray original = bytesOf(kFixtures + QStringLiteral("/migration/win70-base.mdb"));
        writeFile(folder + QStringLiteral("base.mdb"), original);
        const int duration = durationOf({QStringLiteral("--converter"), folder});
        QCOMPARE(stateOf(folder + QStringLiteral("base.mdb")).records, qint64(20));

        QRandomGenerator random(31);
        for (int kill = 0; kill < kKills; ++kill) {
            for (const QString& name : QDir(folder).entryList(QDir::Files))
                QFile::remove(folder + name);
            writeFile(folder + QStringLiteral("base.mdb"), original);
            runWorker({QStringLiteral("--converter"), folder}, random.bounded(duration + 1));
            // The Windows base is kept whole under one name or the other, and never lost.
            for (const QString& name : QDir(folder).entryList({QStringLiteral("base*.mdb")}, QDir::Files)) {
                if (WindowsBase::isJetFile(folder + name))
                    QCOMPARE(bytesOf(folder + name), original);
            }
            // Converted then, or at the next start, whatever was left behind.
            if (WindowsBase::isJetFile(folder + QStringLiteral("base.mdb")))
                QCOMPARE(runWorker({QStringLiteral("--converter"), folder}, std::nullopt), 0);
            const BaseState state = stateOf(folder + QStringLiteral("base.mdb"));
            QCOMPARE(state.integrity, QStringLiteral("ok"));
            QCOMPARE(state.records, qint64(20));
            QVERIFY(!QFileInfo::exists(folder + QStringLiteral("base-convertendo.mdb")));
        }
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    try {
        if (arguments.value(1) == u"--transferir")
            return transfer(arguments.value(2), arguments.value(3));
        if (arguments.value(1) == u"--converter")
            return convert(arguments.value(2));
    } catch (const AppError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    TestCrashPoints test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashpoints.moc"
