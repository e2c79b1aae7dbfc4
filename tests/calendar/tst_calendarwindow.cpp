// The lawyers' calendar from the windows: "Exportar Agenda (.ics)" writes the hearings of the
// visible set; "Publicar Agenda" puts every hearing in a real CalDAV calendar (Radicale,
// started by the test), which then follows each record saved or deleted; a calendar that
// stops answering is said once, the register goes on, and what it missed arrives with the
// next change once it is back.

#include "app/application.h"
#include "app/mainwindow.h"
#include "calendar/calendarwindow.h"
#include "controls.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testcaldav.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

namespace {

void setHearing(SharedTable& table, int row, const QString& date, const QString& time) {
    table.moveTo(row);
    table.edit();
    table.setFieldText(QStringLiteral("AGE_DTAAUDIENCIA"), date);
    table.setFieldText(QStringLiteral("AGE_HORAAUDIENCIA"), time);
    table.post();
}

// The start of each event the calendar holds, by record number.
QMap<QString, QString> startsHeld(const TestCalDav& calendar, const QString& identity) {
    QMap<QString, QString> starts;
    for (const QByteArray& object : calendar.objects()) {
        for (const QString& line : readWithICalendar(object))
            if (!line.startsWith(QStringLiteral("TZ ")))
                starts.insert(line.section(u'|', 0, 0).remove(QStringLiteral("velmora-%1-").arg(identity)),
                              line.section(u'|', 1, 1));
    }
    return starts;
}

} // namespace

class TestCalendarWindow : public QObject {
    Q_OBJECT

  private slots:
    void visibleSetExported() {
        TestEnvironment env;
        env.install();
        env.addRecords(
            {{{"AGE_NOME", "Março"}, {"AGE_DTAAUDIENCIA", "15/03/2027"}, {"AGE_HORAAUDIENCIA", "09:00"}},
             {{"AGE_NOME", "Abril"}, {"AGE_DTAAUDIENCIA", "15/04/2027"}}});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 6);
        control<QLineEdit>(cadastro, "EDatainifiltro")->setText(QStringLiteral("01/03/2027"));
        control<QLineEdit>(cadastro, "EDatafimfiltro")->setText(QStringLiteral("31/03/2027"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnFiltrar"), Qt::LeftButton);
        dialogs.clear();
        dialogs.setNextFile(env.root() + QStringLiteral("agenda de março"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnExportarAgenda"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(),
                 QStringList{"A agenda foi exportada para agenda de março.ics: 1 audiência(s)."});
        const QStringList read =
            readWithICalendar(bytesOf(env.root() + QStringLiteral("agenda de março.ics")));
        QCOMPARE(read.size(), 2);
        QVERIFY2(read[1].contains(QStringLiteral("|2027-03-15T09:00:00-03:00|")), qPrintable(read[1]));
    }

    void publishedCalendarFollowsTheRegister() {
        TestCalDav calendar;
        QVERIFY2(calendar.failure().isEmpty(), qPrintable(calendar.failure()));
        TestEnvironment env;
        env.install();
        env.addRecords(
            {{{"AGE_NOME", "Ana"}, {"AGE_DTAAUDIENCIA", "15/03/2027"}, {"AGE_HORAAUDIENCIA", "10:00"}},
             {{"AGE_NOME", "Bia"}, {"AGE_DTAAUDIENCIA", "16/03/2027"}},
             {{"AGE_NOME", "Caio"}}});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        SharedTable& table = *app->dataModule()->ADOTable1;
        const QString identity = Schema::identity(app->dataModule()->ADOConnection1->database());

        app->principal()->findChild<QAction*>(QStringLiteral("Agenda1"))->trigger();
        CalendarWindow* window = app->agenda();
        QVERIFY(window->isVisible());
        control<QLineEdit>(window, "EEndereco")->setText(calendar.calendar().toString());
        control<QLineEdit>(window, "EUsuario")->setText(TestCalDav::user());
        QTest::mouseClick(control<QPushButton>(window, "BtnGravar"), Qt::LeftButton);
        dialogs.clear();
        dialogs.setNextPassword(TestCalDav::password());
        QTest::mouseClick(control<QPushButton>(window, "BtnPublicar"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(),
                 QStringList{"A agenda foi publicada: 2 audiência(s). 1 registro(s) sem data "
                             "de audiência ficaram de fora."});
        QCOMPARE(startsHeld(calendar, identity),
                 (QMap<QString, QString>{{"1", "2027-03-15T10:00:00-03:00"}, {"2", "2027-03-16"}}));
        QVERIFY(!bytesOf(env.settingsFolder() + QStringLiteral("agenda.ini")).contains("segredo"));

        // A hearing moved and a record deleted: the calendar follows.
        setHearing(table, 0, QStringLiteral("15/03/2027"), QStringLiteral("16:00"));
        table.moveTo(1);
        table.remove();
        QTRY_COMPARE_WITH_TIMEOUT(startsHeld(calendar, identity),
                                  (QMap<QString, QString>{{"1", "2027-03-15T16:00:00-03:00"}}), 10000);

        // The calendar stops answering: said once, the register goes on saving.
        calendar.stop();
        dialogs.clear();
        setHearing(table, 0, QStringLiteral("15/03/2027"), QStringLiteral("17:00"));
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 1, 20000);
        QVERIFY2(dialogs.texts().first().startsWith(QStringLiteral("A agenda não pôde ser atualizada.")),
                 qPrintable(dialogs.texts().first()));
        setHearing(table, 1, QStringLiteral("20/03/2027"), QString());
        QTest::qWait(1000);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(env.storedText(3, QStringLiteral("AGE_DTAAUDIENCIA")), QStringLiteral("20/03/2027"));

        // Back again: the next change brings what was missed.
        QVERIFY(calendar.start());
        setHearing(table, 0, QStringLiteral("15/03/2027"), QStringLiteral("18:00"));
        QTRY_COMPARE_WITH_TIMEOUT(
            startsHeld(calendar, identity),
            (QMap<QString, QString>{{"1", "2027-03-15T18:00:00-03:00"}, {"3", "2027-03-20"}}), 10000);

        // The next start asks for the calendar's password, and follows it again.
        app.reset();
        dialogs.clear();
        dialogs.passwordsAsked = 0;
        dialogs.setNextPassword(TestCalDav::password());
        app = startProgram(env);
        QCOMPARE(dialogs.passwordsAsked, 1);
        QVERIFY(app->agenda()->publisher()->following());
    }
};

VELMORA_WINDOW_TEST_MAIN(TestCalendarWindow)
#include "tst_calendarwindow.moc"
