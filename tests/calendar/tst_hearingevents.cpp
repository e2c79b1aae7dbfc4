// The hearings as iCalendar events, read back by an independent reader (Python's icalendar):
// São Paulo's time zone, timed and all-day events, the event's length and reminders,
// accents, commas and semicolons intact, records without a date or with one that cannot be
// read left out, and the same UIDs every time.

#include "calendar/hearingevents.h"
#include "data/columns.h"
#include "data/nativequery.h"
#include "data/recordreader.h"
#include "data/schema.h"
#include "files.h"
#include "testcaldav.h"
#include "testenvironment.h"

#include <QTest>

namespace {

HearingEvents::Exported exportAll(const Database& db, const QString& path,
                                  const HearingEvents::Maker& maker) {
    const QVector<qint64> codes =
        NativeQuery::integers(db, QStringLiteral("SELECT \"Código\" FROM clientes ORDER BY 1"), {});
    RecordReader reader(db, codes, HearingEvents::columns());
    return HearingEvents::exportFile(path, reader, maker);
}

} // namespace

class TestHearingEvents : public QObject {
    Q_OBJECT

  private slots:
    void readBackByAnotherReader() {
        TestEnvironment env;
        env.createBase();
        env.addRecords(
            {{{"AGE_NOME", "Ana Ribeiro"},
              {"AGE_PCONT", "Construtora Ré, Ltda; filial"},
              {"AGE_DTAAUDIENCIA", "15/03/2027"},
              {"AGE_HORAAUDIENCIA", "14:30"},
              {"AGE_VARA", "2ª Vara Cível"},
              {"AGE_CIDADE", "São Paulo"},
              {"AGE_PROC", "0001234-56.2020.8.26.0100"},
              {"AGE_ACAO", "Indenização"},
              {"AGE_ADV", "Dra. Conceição"},
              {"AGE_ADVCONT", "Dr. Ñandú"}},
             {{"AGE_NOME", "Bia"}, {"AGE_DTAAUDIENCIA", "16/03/2027"}},
             {{"AGE_NOME", "Caio"}},
             {{"AGE_NOME", "Davi"}, {"AGE_DTAAUDIENCIA", "31/02/2027"}},
             {{"AGE_NOME", "Edu"}, {"AGE_DTAAUDIENCIA", "20/11/2018"}, {"AGE_HORAAUDIENCIA", "10:00"}},
             {{"AGE_NOME", "Fábio"}, {"AGE_DTAAUDIENCIA", "1/4/27"}, {"AGE_HORAAUDIENCIA", "23:30"}}});
        const Database db = env.openBase();
        const QString identity = Schema::identity(db);
        const HearingEvents::Maker maker(identity, {}, {});
        const QString path = env.root() + QStringLiteral("agenda.ics");

        const HearingEvents::Exported exported = exportAll(db, path, maker);
        QCOMPARE(exported.events, 4);
        QCOMPARE(exported.withoutDate, 1);
        QCOMPARE(exported.unreadable, QStringList{"Davi (nº 4): \"31/02/2027\""});
        const QString uid = QStringLiteral("velmora-%1-").arg(identity);
        const QStringList read = readWithICalendar(bytesOf(path));
        QCOMPARE(read,
                 (QStringList{
                     QStringLiteral("TZ America/Sao_Paulo"),
                     uid + QStringLiteral("1|2027-03-15T14:30:00-03:00|2027-03-15T15:30:00-03:00|Audiência: "
                                          "Ana Ribeiro × Construtora Ré, Ltda; filial|2ª Vara Cível, São "
                                          "Paulo|Nº do Processo: 0001234-56.2020.8.26.0100\\nTipo de Ação: "
                                          "Indenização\\nAdvogado: Dra. Conceição\\nAdvogado da parte "
                                          "contrária: Dr. Ñandú|7200,86400"),
                     uid + QStringLiteral("2|2027-03-16|2027-03-17|Audiência: Bia|||7200,86400"),
                     // Summer time, as Brazil had it until 2019.
                     uid + QStringLiteral("5|2018-11-20T10:00:00-02:00|2018-11-20T11:00:00-02:00|Audiência: "
                                          "Edu|||7200,86400"),
                     uid + QStringLiteral("6|2027-04-01T23:30:00-03:00|2027-04-02T00:30:00-03:00|Audiência: "
                                          "Fábio|||7200,86400"),
                 }));

        // Exported again, the events keep their UIDs; another length and reminders.
        const HearingEvents::Maker other(identity, {90, 0, 30}, {});
        exportAll(db, path, other);
        const QStringList again = readWithICalendar(bytesOf(path));
        QCOMPARE(again.size(), read.size());
        for (int line = 1; line < read.size(); ++line)
            QCOMPARE(again[line].section(u'|', 0, 0), read[line].section(u'|', 0, 0));
        QVERIFY2(again[1].contains(QStringLiteral("|2027-03-15T16:00:00-03:00|")), qPrintable(again[1]));
        QVERIFY2(again[1].endsWith(QStringLiteral("|1800")), qPrintable(again[1]));
    }
};

QTEST_GUILESS_MAIN(TestHearingEvents)
#include "tst_hearingevents.moc"
