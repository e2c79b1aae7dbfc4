// The whole table read a page at a time: the pages give exactly the order the whole query
// gives, in the records' own order and by a key, both ways; a record deep in the set is
// found by counting, without reading the pages before it; a base changed since it was
// counted says so; and the shared table shows its first screen before the rest is read.

#include "data/connection.h"
#include "data/filtering.h"
#include "data/nativequery.h"
#include "data/sharedtable.h"
#include "data/visiblecodes.h"
#include "testenvironment.h"

#include <QTest>

namespace {

constexpr int kRecords = 9000; // a little over two pages

void fill(TestEnvironment& env) {
    const QStringList cities = {"São Paulo", "sao paulo", "Santos", "Campinas", "", "Ñandú", "Zé"};
    const QStringList dates = {"01/01/2020", "", "15/08/2021", "31/02/2020", "1/1/20"};
    QList<QMap<QString, QString>> records;
    for (int i = 0; i < kRecords; ++i)
        records.append({{"AGE_NOME", QStringLiteral("Cliente %1").arg(i)},
                        {"AGE_CIDADE", cities[(i * 7) % cities.size()]},
                        {"AGE_DTAAUDIENCIA", dates[(i * 3) % dates.size()]}});
    env.addRecords(records);
}

// What the whole query gives for an order, as the table read it before pages.
QVector<qint64> wholeQuery(const Database& db, const SortOrder& order) {
    const VisibleSetQuery query = VisibleSetQuery::codes(std::nullopt, RecordRule::acceptAll(), order);
    QVector<qint64> codes = NativeQuery::integers(db, query.sql, query.values);
    if (query.codeOrder == VisibleSetQuery::CodeOrder::Ascending)
        std::sort(codes.begin(), codes.end());
    else if (query.codeOrder == VisibleSetQuery::CodeOrder::Descending)
        std::sort(codes.begin(), codes.end(), std::greater<>());
    return codes;
}

VisibleCodes paged(const Database& db, const SortOrder& order) {
    const auto whole = VisibleSetQuery::wholeTable(std::nullopt, RecordRule::acceptAll(), order);
    if (!whole)
        qFatal("not a whole table");
    return VisibleCodes::paged(db, whole->keyColumn, whole->descending);
}

} // namespace

class TestVisibleCodes : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        m_env.createBase();
        fill(m_env);
        // Records deleted here and there: gaps in the numbers.
        NativeQuery::exec(m_env.openBase(), QStringLiteral("DELETE FROM clientes WHERE \"Código\" % 97 = 0"));
    }

    void pagesGiveTheWholeOrder_data() {
        QTest::addColumn<QString>("order");
        QTest::newRow("number") << "";
        QTest::newRow("number, descending") << "Código DESC";
        QTest::newRow("city") << "AGE_CIDADE ASC";
        QTest::newRow("city, descending") << "AGE_CIDADE DESC";
        QTest::newRow("hearing date") << "AGE_DTAAUDIENCIA";
    }
    void pagesGiveTheWholeOrder() {
        QFETCH(QString, order);
        const Database db = m_env.openBase();
        const SortOrder parsed = SortOrder::parse(order);
        const QVector<qint64> expected = wholeQuery(db, parsed);
        VisibleCodes codes = paged(db, parsed);
        QCOMPARE(codes.size(), expected.size());
        QVERIFY(!codes.complete());
        // A record deep in the set, and the last one, where they stand.
        const qsizetype deep = expected.size() - 100;
        QCOMPARE(codes.indexOf(expected[deep]), deep);
        QCOMPARE(codes.at(expected.size() - 1), expected.last());
        QVERIFY(!codes.complete());
        while (codes.readNextPage()) {
        }
        QVERIFY(codes.complete());
        QCOMPARE(codes.all(), expected);
    }

    // Records deleted by another station after the count: the last page says so.
    void baseChangedSinceItWasCounted() {
        TestEnvironment env;
        env.createBase();
        fill(env);
        VisibleCodes codes = paged(env.openBase(), SortOrder::parse(QString()));
        bool stale = false;
        codes.setOnStale([&stale] { stale = true; });
        NativeQuery::exec(env.openBase(), QStringLiteral("DELETE FROM clientes WHERE \"Código\" <= 10"));
        codes.all();
        QVERIFY(stale);
    }

    // The shared table counts, shows its first screen, and reads the rest while it waits.
    void tableReadsTheRestWhileItWaits() {
        Connection connection;
        connection.setConnectionString(m_env.connectionText());
        connection.open();
        SharedTable table(&connection);
        table.open();
        const int count = table.recordCount();
        QVERIFY(count > 8000);
        QVERIFY(!table.wholeSetRead());
        QVERIFY(!table.cellText(0, 1).isEmpty());
        QTRY_VERIFY(table.wholeSetRead());
        table.last();
        const QString lastName = table.fieldText(QStringLiteral("AGE_NOME"));
        // A refresh keeps the record, found deep in the set before the rest is read again.
        table.reread();
        QVERIFY(!table.wholeSetRead());
        QCOMPARE(table.currentRow(), count - 1);
        QCOMPARE(table.fieldText(QStringLiteral("AGE_NOME")), lastName);
    }

  private:
    TestEnvironment m_env;
};

QTEST_GUILESS_MAIN(TestVisibleCodes)
#include "tst_visiblecodes.moc"
