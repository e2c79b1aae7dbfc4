// Dates and times: the check and completion of a typed date, and the nine edits that
// insert separators while typing, select on click and check on leaving.

#include "app/apperror.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "register/dates.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

// Gives the focus to `edit`, then takes it away again, as the user leaving it does.
void leave(QLineEdit* edit, QWidget* next) {
    edit->setFocus(Qt::MouseFocusReason);
    QCOMPARE(QApplication::focusWidget(), edit);
    next->setFocus(Qt::TabFocusReason);
}

} // namespace

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

    void typingInsertsSeparators_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field"); // the record's field, for bound edits
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hearing date") << "DBdataaudiencia" << 3 << "AGE_DTAAUDIENCIA"
                                      << "15082020"
                                      << "15/08/2020";
        QTest::newRow("petition date") << "DBdatapeticao" << 3 << "AGE_DTAPET"
                                       << "01022021"
                                       << "01/02/2021";
        QTest::newRow("process date") << "DBdataprocesso" << 2 << "AGE_DATAPROC"
                                      << "31121999"
                                      << "31/12/1999";
        QTest::newRow("summary date") << "DBDAprin" << 0 << "AGE_DTAAUDIENCIA"
                                      << "15082020"
                                      << "15/08/2020";
        QTest::newRow("letters are not refused") << "DBdataaudiencia" << 3 << "AGE_DTAAUDIENCIA"
                                                 << "abcd"
                                                 << "ab/cd";
        QTest::newRow("limit of ten") << "DBdataaudiencia" << 3 << "AGE_DTAAUDIENCIA"
                                      << "150820201"
                                      << "15/08/2020";
        QTest::newRow("hearing time") << "DBhoraaudiencia" << 3 << "AGE_HORAAUDIENCIA"
                                      << "0930"
                                      << "09:30";
        QTest::newRow("summary time, limit of five") << "DBHAprin" << 0 << "AGE_HORAAUDIENCIA"
                                                     << "09301"
                                                     << "09:30";
        QTest::newRow("range start") << "EDatainifiltro" << 6 << ""
                                     << "01012020"
                                     << "01/01/2020";
        QTest::newRow("single date") << "Efiltrodata" << 7 << ""
                                     << "15082020"
                                     << "15/08/2020";
    }
    void typingInsertsSeparators() {
        QFETCH(QString, edit);
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = env.start();
        RegisterWindow* cadastro = openRegister(*app, page);
        if (!field.isEmpty())
            QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        auto* dateEdit = cadastro->findChild<QLineEdit*>(edit);
        dateEdit->setEnabled(true);
        QTest::keyClicks(dateEdit, keys);
        QCOMPARE(dateEdit->text(), shown);
        if (!field.isEmpty())
            QCOMPARE(app->dataModule()->ADOTable1->fieldText(field), shown);
    }

    void caretAfterTheDayOnACompleteDate() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = env.start();
        RegisterWindow* cadastro = openRegister(*app, 6);
        auto* edit = control<QLineEdit>(cadastro, "EDatainifiltro");
        edit->setText(QStringLiteral("15/08/2020"));
        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key_7, Qt::NoModifier);
        QCOMPARE(edit->text(), QStringLiteral("15/08/2020/"));
        QCOMPARE(edit->cursorPosition(), 3);

        edit->setText(QStringLiteral("12"));
        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("12"));
    }

    void clickSelectsTheWholeDate() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = env.start();
        RegisterWindow* cadastro = openRegister(*app, 7);
        auto* edit = control<QLineEdit>(cadastro, "EDatainifiltro");
        openRegister(*app, 6);
        edit->setText(QStringLiteral("15/08/2020"));
        QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(5, edit->height() / 2));
        QCOMPARE(edit->selectedText(), QStringLiteral("15/08/2020"));
        QTest::keyClicks(edit, QStringLiteral("01"));
        QCOMPARE(edit->text(), QStringLiteral("01"));
    }

    void enterOnTheSummaryEditsAddsTheSeparatorFirst() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = env.start();
        RegisterWindow* cadastro = openRegister(*app, 0);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        auto* time = control<QLineEdit>(cadastro, "DBHAprin");
        time->setFocus();
        QTest::keyClicks(time, QStringLiteral("09"));
        QTest::keyClick(time, Qt::Key_Return);
        QCOMPARE(control<QTabWidget>(cadastro, "Cliente")->currentIndex(), 3);
        auto* fullTime = control<QLineEdit>(cadastro, "DBhoraaudiencia");
        QCOMPARE(fullTime->text(), QStringLiteral("09:"));
        QCOMPARE(fullTime->cursorPosition(), 3);
        QCOMPARE(QApplication::focusWidget(), fullTime);

        // The date gets its separator too, and leaving it checks it: too short, erased.
        openRegister(*app, 0);
        auto* date = control<QLineEdit>(cadastro, "DBDAprin");
        date->setFocus();
        QTest::keyClicks(date, QStringLiteral("15"));
        QTest::keyClick(date, Qt::Key_Return);
        QCOMPARE(control<QTabWidget>(cadastro, "Cliente")->currentIndex(), 3);
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(cadastro, "DBdataaudiencia"));
        QCOMPARE(date->text(), QString());
        QVERIFY(dialogs.shown.isEmpty());
    }

    void leavingChecksTheDate() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = env.start();
        RegisterWindow* cadastro = openRegister(*app, 3);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        typeText(control<QLineEdit>(cadastro, "DBnome"), QStringLiteral("Ana"));
        auto* hearing = control<QLineEdit>(cadastro, "DBdataaudiencia");
        auto* time = control<QLineEdit>(cadastro, "DBhoraaudiencia");

        leave(hearing, time);
        QVERIFY(hearing->text().isEmpty());

        hearing->setFocus();
        QTest::keyClicks(hearing, QStringLiteral("150895"));
        QCOMPARE(hearing->text(), QStringLiteral("15/08/95"));
        time->setFocus(Qt::TabFocusReason);
        QCOMPARE(hearing->text(), QStringLiteral("15/08/1995"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        const qint64 code = app->dataModule()->ADOTable1->fieldText(QStringLiteral("Código")).toLongLong();
        QCOMPARE(env.storedText(code, QStringLiteral("AGE_DTAAUDIENCIA")), QStringLiteral("15/08/1995"));
        QVERIFY(dialogs.shown.isEmpty());

        // Without a digit nothing is checked.
        hearing->setFocus();
        hearing->setText(QStringLiteral("abc"));
        time->setFocus(Qt::TabFocusReason);
        QCOMPARE(hearing->text(), QStringLiteral("abc"));

        // A group that is not a number: the conversion error, and the text stays.
        hearing->setFocus();
        hearing->setText(QStringLiteral("1/8/2020"));
        time->setFocus(Qt::TabFocusReason);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("'1/' is not a valid integer value")});
        QCOMPARE(dialogs.shown.first().icon, Dialogs::Icon::Error);
        QCOMPARE(hearing->text(), QStringLiteral("1/8/2020"));

        // Times are never checked.
        dialogs.clear();
        time->setFocus();
        time->setText(QStringLiteral("9h"));
        hearing->setFocus(Qt::TabFocusReason);
        QCOMPARE(time->text(), QStringLiteral("9h"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void rangeEditsAreCheckedEvenWithoutDigits() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = env.start();
        RegisterWindow* cadastro = openRegister(*app, 6);
        auto* first = control<QLineEdit>(cadastro, "EDatainifiltro");
        auto* last = control<QLineEdit>(cadastro, "EDatafimfiltro");
        leave(first, last);
        QVERIFY(first->text().isEmpty());
        first->setText(QStringLiteral("ab/cd/efgh"));
        leave(first, last);
        QVERIFY(first->text().isEmpty());
        last->setText(QStringLiteral("31/02/21"));
        leave(last, first);
        QCOMPARE(last->text(), QStringLiteral("28/02/2021"));
        QVERIFY(dialogs.shown.isEmpty());
    }
};

int main(int argc, char* argv[]) {
    QApplication qtApplication(argc, argv);
    TestDates test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dates.moc"
