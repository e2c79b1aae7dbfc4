// The change history: adds, changes and deletes written with who, where and what; a deleted
// record brought back whole with its number; many records stored at once as one event; a
// base of the earlier format given its history.

#include "common/apperror.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/history.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/sharedtable.h"
#include "testenvironment.h"

#include <QTest>

namespace {

struct Opened {
    std::unique_ptr<Connection> connection = std::make_unique<Connection>();
    std::unique_ptr<SharedTable> table;
    Database db() const { return connection->database(); }
};

Opened open(const TestEnvironment& env) {
    Opened opened;
    opened.connection->setConnectionString(env.connectionText());
    opened.connection->open();
    opened.table = std::make_unique<SharedTable>(opened.connection.get());
    opened.table->open();
    return opened;
}

QList<History::Action> actions(const QVector<History::Event>& events) {
    QList<History::Action> list;
    for (const auto& event : events)
        list << event.action;
    return list;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

  private slots:
    void addChangeAndDeleteAreWritten() {
        TestEnvironment env;
        env.createBase();
        auto opened = open(env);
        SharedTable& table = *opened.table;
        table.append();
        table.setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Ana"));
        table.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("1111"));
        table.post();
        table.edit();
        table.setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("2222"));
        table.setFieldText(QStringLiteral("AGE_CIDADE"), QStringLiteral("Santos"));
        table.post();
        table.remove();

        const QVector<History::Event> events = History::ofRecord(opened.db(), 1);
        QCOMPARE(actions(events),
                 (QList{History::Action::Added, History::Action::Changed, History::Action::Deleted}));
        QCOMPARE(events[0].after, (History::Fields{{"AGE_NOME", "Ana"}, {"AGE_TEL", "1111"}}));
        // The addition's fields are worked out from the record, not kept twice.
        QCOMPARE(NativeQuery::integers(
                     opened.db(), QStringLiteral("SELECT count(*) FROM historico WHERE depois IS NULL"), {})
                     .value(0),
                 2);
        QCOMPARE(events[1].before, (History::Fields{{"AGE_CIDADE", ""}, {"AGE_TEL", "1111"}}));
        QCOMPARE(events[1].after, (History::Fields{{"AGE_CIDADE", "Santos"}, {"AGE_TEL", "2222"}}));
        QCOMPARE(events[2].before,
                 (History::Fields{{"AGE_CIDADE", "Santos"}, {"AGE_NOME", "Ana"}, {"AGE_TEL", "2222"}}));
        for (const auto& event : events) {
            QCOMPARE(event.station, History::stationName());
            QCOMPARE(event.user, History::userName(opened.db()));
            QVERIFY(qAbs(event.when.secsTo(QDateTime::currentDateTime())) < 60);
        }
        if (TestEnvironment::onServer())
            QCOMPARE(events[0].user, TestEnvironment::staffLogin());
    }

    // A deleted record comes back with its number and every character of every field; its
    // number is still never given to another record.
    void deletedRecordComesBackWhole() {
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{"AGE_NOME", "Ana"}},
                        {{"AGE_NOME", "José D'Ávila"},
                         {"AGE_ANOTACOES", "Primeira linha\r\nSegunda: «ação» & 50%"},
                         {"AGE_DTAAUDIENCIA", "15/08/2021"}},
                        {{"AGE_NOME", "Caio"}}});
        const QStringList everyColumn = [] {
            QStringList names;
            for (int i = 0; i < Columns::count(); ++i)
                names << Columns::at(i).name;
            return names;
        }();
        const QStringList before = env.storedRows(everyColumn);
        auto opened = open(env);
        opened.table->moveTo(1);
        opened.table->remove();
        opened.table->moveTo(1);
        opened.table->remove(); // José, then Caio
        QCOMPARE(env.recordCount(), 1);
        const QVector<History::Event> deleted = History::deletedRecords(opened.db());
        QCOMPARE(deleted.size(), 2);
        QCOMPARE(deleted[0].code, 3); // newest first
        QCOMPARE(deleted[1].code, 2);

        History::restore(opened.db(), 2);
        History::restore(opened.db(), 3);
        QCOMPARE(env.storedRows(everyColumn), before);
        QCOMPARE(History::ofRecord(opened.db(), 2).last().action, History::Action::Restored);
        QVERIFY(History::deletedRecords(opened.db()).isEmpty());
        QVERIFY_THROWS_EXCEPTION(AppError, History::restore(opened.db(), 2));
        QVERIFY_THROWS_EXCEPTION(AppError, History::restore(opened.db(), 99));
        RecordWriter writer(opened.db());
        QCOMPARE(writer.insert(Schema::emptyRecord()), 4);
    }

    void manyRecordsAreOneEvent() {
        TestEnvironment env;
        env.createBase();
        const Database db = env.openBase();
        RecordWriter writer(db);
        writer.setManySource(QStringLiteral("Agenda.xml"));
        for (int i = 0; i < 50; ++i) {
            Schema::Record record = Schema::emptyRecord();
            record[1] = QStringLiteral("Registro %1").arg(i);
            writer.insertMany(record);
        }
        writer.commit();
        const auto count = [&db](const QString& where) {
            return NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM historico WHERE ") + where,
                                         {})
                .value(0);
        };
        QCOMPARE(count(QStringLiteral("1 = 1")), 1);
        QCOMPARE(count(QStringLiteral("depois LIKE '%\"registros\":\"50\"%' AND depois LIKE '%Agenda.xml%'")),
                 1);
    }

    // A base of the first format gets its history when it is opened, its records intact.
    void baseOfTheFirstFormatGetsItsHistory() {
        if (TestEnvironment::onServer())
            QSKIP("a server's base is brought up to date by velmora-install");
        TestEnvironment env;
        env.createBase();
        env.addRecords({{{"AGE_NOME", "Ana"}}});
        {
            const Database db = env.openBase();
            NativeQuery::exec(db, QStringLiteral("DROP TABLE historico"));
            NativeQuery::exec(db, QStringLiteral("PRAGMA user_version = 1"));
        }
        auto opened = open(env);
        QCOMPARE(opened.table->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Ana"));
        QCOMPARE(NativeQuery::integers(opened.db(), QStringLiteral("PRAGMA user_version"), {}).value(0),
                 Schema::kVersion);
        opened.table->remove();
        QCOMPARE(History::deletedRecords(opened.db()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
