// The listing page written byte for byte: the fixed items, the style sheet with the table
// font, the header, one row per record in the table's order, escaping and references.

#include "common/apperror.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/recordreader.h"
#include "data/sharedtable.h"
#include "files.h"
#include "reports/listingcolumns.h"
#include "reports/listingwriter.h"
#include "testenvironment.h"

#include <QTest>

namespace {

const QString kFixtures = QStringLiteral(VELMORA_FIXTURES "/listings/");

using Fields = QMap<QString, QString>;

const QList<Fields> kRecords = {
    {{"AGE_NOME", "José da Silva"},
     {"AGE_PROC", "0001234-56.2020"},
     {"AGE_VARA", "1ª Vara Cível"},
     {"AGE_ACAO", "Trabalhista"},
     {"AGE_DTAAUDIENCIA", "15/08/2024"},
     {"AGE_HORAAUDIENCIA", "09:30"},
     {"AGE_ANOTACOES", "Trazer RG\r\nLigar antes"}},
    {{"AGE_NOME", "Silva & Filhos <b>Ltda</b>"},
     {"AGE_PCONT", "Empresa \"Ômega\" → Sul 😀"},
     {"AGE_ANOTACOESaud", "Levar testemunhas"}},
};

QList<GridColumn> titled(const QStringList& fields) {
    QList<GridColumn> columns;
    for (const QString& field : fields)
        columns.append({field, field.mid(4).toLower()});
    return columns;
}

} // namespace

Q_DECLARE_METATYPE(ListingInputs)

class TestListingWriter : public QObject {
    Q_OBJECT

    struct Written {
        QByteArray bytes;
        int rowsReported = 0;
        int records = 0;
    };

    // Writes the listing of the test base under `inputs`, filtered by `filter`.
    static Written listing(const ListingInputs& inputs, const QString& filter = {}) {
        TestEnvironment env;
        env.createBase();
        env.addRecords(kRecords);
        Connection connection;
        connection.setConnectionString(env.connectionText());
        connection.open();
        SharedTable table(&connection);
        table.open();
        if (!filter.isEmpty())
            table.filterBy(filter);
        const ListingWriter writer(inputs);
        RecordReader reader = table.reader(writer.readColumns());
        QList<int> progress;
        const QString path = env.root() + QStringLiteral("temp.htm");
        writer.write(path, reader, [&progress](int row) { progress << row; });
        return {bytesOf(path), static_cast<int>(progress.size()), table.recordCount()};
    }

    static void compareWithFixture(const QByteArray& written, const QString& name) {
        const QByteArray expected = bytesOf(kFixtures + name);
        QVERIFY2(!expected.isEmpty(), qPrintable(name));
        if (written != expected) {
            const QList<QByteArray> got = written.split('\n');
            const QList<QByteArray> want = expected.split('\n');
            for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
                QCOMPARE(got[i], want[i]);
            QCOMPARE(got.size(), want.size());
        }
    }

  private slots:
    void listings_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<ListingInputs>("inputs");
        QTest::addColumn<QString>("filter");

        ListingInputs defaults;
        defaults.columns =
            titled({"AGE_NOME", "AGE_PROC", "AGE_VARA", "AGE_ACAO", "AGE_DATAPROC", "AGE_DTAPET",
                    "AGE_DTAAUDIENCIA", "AGE_HORAAUDIENCIA", "AGE_PCONT", "AGE_ADVCONT"});
        QTest::newRow("default settings") << "default.htm" << defaults << QString();
        QTest::newRow("empty result") << "empty-result.htm" << defaults << "AGE_NOME LIKE 'Z%'";

        ListingInputs bare;
        bare.columns.clear();
        QTest::newRow("no columns, no annotations") << "bare.htm" << bare << QString();

        ListingInputs notes;
        notes.tableFontSize = QStringLiteral("12");
        notes.tableFont = QStringLiteral("Liberation Serif");
        notes.headerFontSize = QStringLiteral("14");
        notes.headerFont = QStringLiteral("Times New Roman");
        notes.header = QStringLiteral("Agenda de Audiências");
        notes.columns = titled({"AGE_NOME"});
        notes.authorNotes = notes.processNotes = notes.hearingNotes = notes.opposingNotes = true;
        QTest::newRow("annotations, fonts and header") << "notes.htm" << notes << QString();

        ListingInputs markup;
        markup.header = QStringLiteral("\"Clientes\" & <cia> → 2024");
        markup.columns = {{"AGE_NOME", "<i>Nome</i>"}, {"AGE_PCONT", "Parte & Contrária"}};
        QTest::newRow("markup and characters outside Windows-1252") << "markup.htm" << markup << QString();
    }
    void listings() {
        QFETCH(QString, fixture);
        QFETCH(ListingInputs, inputs);
        QFETCH(QString, filter);
        const Written written = listing(inputs, filter);
        QCOMPARE(written.rowsReported, written.records);
        compareWithFixture(written.bytes, fixture);
    }

    // Asked to, a listing marks the case numbers and CPFs whose check digits do not match, on
    // the page and on paper alike; numbers of other forms and valid ones stay as they are.
    void invalidNumbersMarkedWhenAsked() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(
            {{{"AGE_NOME", "Ana"}, {"AGE_PROC", "0001234-13.2020.8.26.0100"}, {"AGE_CIC", "529.982.247-26"}},
             {{"AGE_NOME", "Bia"}, {"AGE_PROC", "0001234-56.2020.8.26.0100"}, {"AGE_CIC", "529.982.247-25"}},
             {{"AGE_NOME", "Caio"}, {"AGE_PROC", "583.00.2005.123456-7"}}});
        Connection connection;
        connection.setConnectionString(env.connectionText());
        connection.open();
        SharedTable table(&connection);
        table.open();
        ListingInputs inputs;
        inputs.columns = titled({"AGE_NOME", "AGE_PROC", "AGE_CIC"});
        const QString path = env.root() + QStringLiteral("temp.htm");
        const auto cells = [&] {
            const ListingWriter writer(inputs);
            RecordReader reader = table.reader(writer.readColumns());
            writer.write(path, reader, {});
            QList<QByteArray> rows;
            for (const QByteArray& line : bytesOf(path).split('\n'))
                if (line.startsWith("<td>"))
                    rows << line.trimmed();
            return rows;
        };
        const QList<QByteArray> plain = cells();
        QCOMPARE(plain.size(), 3);
        inputs.markInvalidNumbers = true;
        QCOMPARE(cells(),
                 (QList<QByteArray>{
                     "<td>Ana</td><td>0001234-13.2020.8.26.0100</td><td>529.982.247-26 (DV inv\xE1lido)</td>",
                     "<td>Bia</td><td>0001234-56.2020.8.26.0100 (DV inv\xE1lido)</td><td>529.982.247-25</td>",
                     plain[2]}));
        QVERIFY(!plain.join().contains("inv\xE1lido"));
    }

    // A listing that cannot be written leaves the earlier file whole.
    void unwritableListingKeepsTheOldFile() {
        TestEnvironment env;
        env.createBase();
        Connection connection;
        connection.setConnectionString(env.connectionText());
        connection.open();
        SharedTable table(&connection);
        table.open();
        const QString path = env.root() + QStringLiteral("missing/temp.htm");
        const ListingWriter writer({});
        RecordReader reader = table.reader(writer.readColumns());
        try {
            writer.write(path, reader, {});
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY(error.message().startsWith(QStringLiteral("Cannot create file \"") + path));
        }
    }
};

QTEST_GUILESS_MAIN(TestListingWriter)
#include "tst_listingwriter.moc"
