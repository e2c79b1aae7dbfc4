// The nine date and time edits: separators inserted while typing, the whole date
// selected on click, the date checked on leaving.

#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
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

class TestDateEntry : public QObject {
    Q_OBJECT

  private slots:
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
        auto app = startProgram(env);
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
        auto app = startProgram(env);
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
        auto app = startProgram(env);
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
        auto app = startProgram(env);
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
        auto app = startProgram(env);
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
        auto app = startProgram(env);
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

    // A click selects the whole text of a date edit only; typed after it, a key replaces a
    // short date instead of getting a separator after it.
    void clickRulesOfDatesAndTimes() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 3);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        auto* time = control<QLineEdit>(cadastro, "DBhoraaudiencia");
        time->setText(QStringLiteral("09:30"));
        QTest::mouseClick(time, Qt::LeftButton, Qt::NoModifier, QPoint(5, time->height() / 2));
        QVERIFY(!time->hasSelectedText());

        auto* date = control<QLineEdit>(cadastro, "DBdataaudiencia");
        date->setText(QStringLiteral("15/08"));
        QTest::mouseClick(date, Qt::LeftButton, Qt::NoModifier, QPoint(5, date->height() / 2));
        QCOMPARE(date->selectedText(), QStringLiteral("15/08"));
        QTest::keyClicks(date, QStringLiteral("2"));
        QCOMPARE(date->text(), QStringLiteral("2"));
    }

    // Pasting and dropping respect the length limits as typing does; a longer text the
    // program puts there is kept whole.
    void pasteAndDropKeepTheLimit() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 3);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        auto* time = control<QLineEdit>(cadastro, "DBhoraaudiencia");
        QApplication::clipboard()->setText(QStringLiteral("09:30 da manhã"));
        time->setFocus();
        time->paste();
        QCOMPARE(time->text(), QStringLiteral("09:30"));

        auto* date = control<QLineEdit>(cadastro, "DBdataaudiencia");
        date->clear();
        QMimeData dropped;
        dropped.setText(QStringLiteral("15/08/2020 e mais"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(date, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(date, &drop);
        QCOMPARE(date->text(), QStringLiteral("15/08/2020"));

        date->setText(QStringLiteral("15/08/2020"));
        date->setCursorPosition(2);
        QTest::keyClick(date, Qt::Key_7);
        QCOMPARE(date->text(), QStringLiteral("15/08/2020/")); // the program's separator is kept
        QApplication::clipboard()->setText(QStringLiteral("99"));
        date->setCursorPosition(11);
        date->paste();
        QCOMPARE(date->text(), QStringLiteral("15/08/2020/"));
    }
};

VELMORA_WINDOW_TEST_MAIN(TestDateEntry)
#include "tst_dateentry.moc"
