// The check and completion of a typed date, leap years and the digits of a text.

#include "common/apperror.h"
#include "register/dates.h"

#include <QTest>

class TestDates : public QObject {
    Q_OBJECT

  private slots:
    void validadataMA_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("result");
        QTest::newRow("complete") << "15/08/2020"
                                  << "15/08/2020";
        QTest::newRow("two-digit year above 30") << "15/08/95"
                                                 << "15/08/1995";
        QTest::newRow("two-digit year below 30") << "15/08/05"
                                                 << "15/08/2005";
        QTest::newRow("year 30 is 2030") << "15/08/30"
                                         << "15/08/2030";
        QTest::newRow("zero short year goes on") << "01/01/00"
                                                 << "01/01/2000";
        QTest::newRow("zero day") << "00/08/2020"
                                  << "";
        QTest::newRow("zero month") << "15/00/2020"
                                    << "";
        QTest::newRow("zero year") << "15/08/0000"
                                   << "";
        QTest::newRow("too short") << "5/5/5"
                                   << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("day and month too large") << "32/13/2020"
                                                 << "31/12/2020";
        QTest::newRow("all nines") << "99/99/9999"
                                   << "31/12/9999";
        QTest::newRow("April") << "31/04/2021"
                               << "30/04/2021";
        QTest::newRow("June") << "31/06/2021"
                              << "30/06/2021";
        QTest::newRow("September, short year") << "31/09/95"
                                               << "30/09/1995";
        QTest::newRow("November, short year") << "31/11/05"
                                              << "30/11/2005";
        QTest::newRow("February leap") << "30/02/2020"
                                       << "29/02/2020";
        QTest::newRow("February day 45 leap") << "45/02/2024"
                                              << "29/02/2024";
        QTest::newRow("February common") << "31/02/2021"
                                         << "28/02/2021";
        QTest::newRow("1900 is not leap") << "31/02/1900"
                                          << "28/02/1900";
        QTest::newRow("2000 is leap") << "29/02/2000"
                                      << "29/02/2000";
        QTest::newRow("29 February common year") << "29/02/2021"
                                                 << "28/02/2021";
        QTest::newRow("nine characters") << "15/08/202"
                                         << "15/08/202";
        QTest::newRow("tail kept without correction") << "31/12/2020 x"
                                                      << "31/12/2020 x";
        QTest::newRow("tail dropped by a correction") << "31/04/2021 x"
                                                      << "30/04/2021";
        QTest::newRow("no separators") << "12345678"
                                       << "1231261978";
        QTest::newRow("letters only") << "ab/cd/efgh"
                                      << "";
        QTest::newRow("fewer than four digits") << "1b/cd/efgh"
                                                << "";
        QTest::newRow("separators not looked at") << "15-08-2020"
                                                  << "15-08-2020";
    }
    void validadataMA() {
        QFETCH(QString, input);
        QFETCH(QString, result);
        QCOMPARE(Dates::validadataMA(input), result);
    }

    void conversionErrorQuotesTheGroup() {
        try {
            Dates::validadataMA(QStringLiteral("1/8/2020"));
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("'1/' is not a valid integer value"));
        }
    }

    void Bissexto() {
        for (int year : {2000, 2024, 1600})
            QVERIFY2(Dates::Bissexto(year), qPrintable(QString::number(year)));
        for (int year : {1900, 2021, 2100})
            QVERIFY2(!Dates::Bissexto(year), qPrintable(QString::number(year)));
        QCOMPARE(Dates::RemoveChar(QStringLiteral("1a/2é3 ٤")), QStringLiteral("123"));
    }
};

QTEST_GUILESS_MAIN(TestDates)
#include "tst_dates.moc"
