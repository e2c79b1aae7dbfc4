// Listings made from the windows: the hearing agenda in its order, the listing options and
// font.ini, the field chooser, and the report window's browser showing the listing.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/smallwindows.h"
#include "common/windows1252.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "reports/browser.h"
#include "reports/reportwindows.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QWebEngineView>

namespace {

using Fields = QMap<QString, QString>;

Fields hearing(const QString& name, const QString& city, const QString& date, const QString& time) {
    return {
        {"AGE_NOME", name}, {"AGE_CIDADE", city}, {"AGE_DTAAUDIENCIA", date}, {"AGE_HORAAUDIENCIA", time}};
}

// Hearings across the turn of a year, so that day-first text order and calendar order differ.
const QList<Fields> kHearings = {
    hearing("Carla", "Santos", "03/02/2025", "10:00"),   hearing("Ana", "Campinas", "01/12/2024", "14:00"),
    hearing("Bruno", "Campinas", "03/02/2025", "09:00"), hearing("Davi", "Campinas", "01/12/2024", "09:30"),
    hearing("Elis", "santos", "15/01/2025", "08:00"),
};

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;

    explicit Program(const QList<Fields>& records = kHearings, const QByteArray& fontIni = {}) {
        env.install();
        env.addRecords(records);
        if (!fontIni.isNull())
            writeFile(env.settingsFolder() + QStringLiteral("font.ini"), fontIni);
        app = startProgram(env);
    }
    QString listingPath() const { return env.settingsFolder() + QStringLiteral("temp.htm"); }
    QString listing() const { return Windows1252::decode(bytesOf(listingPath())); }
    // The first cell of every body row.
    QStringList firstCells() const {
        QStringList cells;
        for (const QString& line : listing().split(QStringLiteral("\r\n"))) {
            if (line.startsWith(QStringLiteral("<td>")))
                cells << line.mid(4, line.indexOf(QStringLiteral("</td>")) - 4);
        }
        return cells;
    }
    void agenda() {
        openRegister(*app, 6);
        QTest::mouseClick(control<QPushButton>(app->cadastro(), "BTNFormulario"), Qt::LeftButton);
    }
};

// Waits in a real event loop: the browser's work is slow to run from polling loops.
bool waitForPage(Browser* browser, const QString& path) {
    QSignalSpy loaded(browser, &Browser::loadFinished);
    while (browser->loading() || browser->currentPath() != path) {
        if (!loaded.wait(20000))
            return false;
    }
    return true;
}

} // namespace

class TestListings : public QObject {
    Q_OBJECT

  private slots:
    void agendaOrder_data() {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("by city, then calendar date and time")
            << false << QStringList{"Davi", "Ana", "Bruno", "Elis", "Carla"};
        QTest::newRow("by name, then calendar date and time")
            << true << QStringList{"Ana", "Bruno", "Carla", "Davi", "Elis"};
    }
    void agendaOrder() {
        QFETCH(bool, byName);
        QFETCH(QStringList, names);
        Program program;
        control<QRadioButton>(program.app->config(), byName ? "Rnome" : "Rdata")->setChecked(true);
        program.agenda();
        QCOMPARE(program.firstCells(), names);
        QVERIFY(program.dialogs.shown.isEmpty());
        // The listing leaves the table on its last record and the report window shows it.
        SharedTable* table = program.app->dataModule()->ADOTable1;
        QCOMPARE(table->currentRow(), table->recordCount() - 1);
        QVERIFY(program.app->impressao()->isVisible());
        QVERIFY(waitForPage(program.app->impressao()->browser(), program.listingPath()));
        QVERIFY(QFileInfo(program.env.settingsFolder() + QStringLiteral("zero.htm")).exists());
        QCOMPARE(QFileInfo(program.env.settingsFolder() + QStringLiteral("zero.htm")).size(), 0);
        QCOMPARE(program.app->espere()->maximum(), 5);
        QVERIFY(!program.app->espere()->isVisible());
    }

    void fontIniIsReadAndWritten_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("font");
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("byName");
        QTest::newRow("no file") << QByteArray() << "Arial"
                                 << "10" << false;
        QTest::newRow("by name") << QByteArray("30\r\nVerdana\r\n12\r\nn\xE3o\r\nsim\r\n") << "Verdana"
                                 << "12" << true;
        QTest::newRow("Sim is not sim") << QByteArray("40\r\nArial\r\n10\r\nsim\r\nSim\r\n") << "Arial"
                                        << "10" << false;
        QTest::newRow("shorter file") << QByteArray("40\r\nTahoma\r\n") << "Tahoma"
                                      << "10" << false;
    }
    void fontIniIsReadAndWritten() {
        QFETCH(QByteArray, file);
        QFETCH(QString, font);
        QFETCH(QString, size);
        QFETCH(bool, byName);
        Program program(kHearings, file);
        OptionsWindow* config = program.app->config();
        QCOMPARE(control<QComboBox>(config, "Cnomefonte")->currentText(), font);
        QCOMPARE(control<QComboBox>(config, "Cfonte")->currentText(), size);
        QCOMPARE(control<QRadioButton>(config, "Rnome")->isChecked(), byName);
        QCOMPARE(control<QRadioButton>(config, "Rdata")->isChecked(), !byName);
        QVERIFY(control<QComboBox>(config, "Cnomefonte")->count() > 0); // the installed fonts

        control<QRadioButton>(config, "Rnome")->setChecked(true);
        QTest::mouseClick(control<QPushButton>(config, "Button1"), Qt::LeftButton);
        const QByteArray dotted = file.isEmpty() || file.split('\n').size() < 4 || file.contains("sim\r\nS")
                                      ? QByteArray("sim")
                                      : QByteArray("n\xE3o");
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("font.ini")),
                 (file.isEmpty() ? QByteArray("40") : file.left(file.indexOf('\r'))) + "\r\n" +
                     font.toLatin1() + "\r\n" + size.toLatin1() + "\r\n" + dotted + "\r\nsim\r\n");
    }

    // The preference to mark invalid case numbers is kept in numeros.ini and reaches the agenda.
    void invalidNumbersMarkedByPreference() {
        Fields invalid = hearing("Ana", "Campinas", "01/12/2024", "14:00");
        invalid.insert("AGE_PROC", "0001234-56.2020.8.26.0100");
        Program program({invalid});
        auto* mark = control<QCheckBox>(program.app->config(), "CMarcarNumeros");
        QVERIFY(!mark->isChecked());
        mark->setChecked(true);
        QTest::mouseClick(control<QPushButton>(program.app->config(), "Button1"), Qt::LeftButton);
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("numeros.ini")),
                 QByteArray("sim\r\n"));
        program.app.reset();
        program.app = startProgram(program.env);
        QVERIFY(control<QCheckBox>(program.app->config(), "CMarcarNumeros")->isChecked());
        program.agenda();
        QVERIFY(program.listing().contains(QStringLiteral("0001234-56.2020.8.26.0100 (DV inválido)")));
    }

    // A header size chosen without "Gravar" shapes the next listing, and is gone after a
    // restart.
    void unsavedHeaderSizeLastsUntilTheEnd() {
        Program program;
        control<QComboBox>(program.app->config(), "Cfonte")->setCurrentText(QStringLiteral("14"));
        QTest::mouseClick(control<QPushButton>(program.app->config(), "Button2"), Qt::LeftButton);
        program.agenda();
        QVERIFY(
            program.listing().contains(QStringLiteral("<span style=\"font-size:14pt;font-family:Arial\">")));

        program.app.reset();
        program.app = startProgram(program.env);
        QCOMPARE(control<QComboBox>(program.app->config(), "Cfonte")->currentText(), QStringLiteral("10"));
        program.agenda();
        QVERIFY(
            program.listing().contains(QStringLiteral("<span style=\"font-size:10pt;font-family:Arial\">")));
    }

    // The chooser from the report window: items 0 and 17 and the author's notes, titles
    // without the suffix the opposing party's items carry in the list.
    void chooserBuildsTheColumns() {
        Program program(
            {{{"AGE_NOME", "Ana"}, {"AGE_DTAAUDIENCIA", "01/12/2024"}, {"AGE_ANOTACOES", "A\r\nB"}}});
        program.agenda();
        ReportWindow* report = program.app->impressao();
        QTest::mouseClick(control<QWidget>(report, "SpeedButton3"), Qt::LeftButton);
        FieldChooser* chooser = program.app->campos();
        QVERIFY(chooser->isVisible());
        auto* list = control<QListWidget>(chooser, "CheckListBox1");
        QCOMPARE(list->count(), 31);
        QCOMPARE(list->item(18)->text(), QStringLiteral("Hora da Audiência:"));
        QCOMPARE(list->item(30)->text(), QStringLiteral("Celular(P.Cont.)"));
        list->item(17)->setCheckState(Qt::Checked);
        list->item(0)->setCheckState(Qt::Checked);
        list->item(30)->setCheckState(Qt::Checked);
        control<QCheckBox>(chooser, "CAnotacoes")->setChecked(true);
        control<QLineEdit>(chooser, "Edit1")->setText(QStringLiteral("Clientes"));
        QTest::mouseClick(control<QPushButton>(chooser, "SpeedButton1"), Qt::LeftButton);

        QCOMPARE(program.app->cadastro()->refx, QStringLiteral("2"));
        QVERIFY(!chooser->isVisible());
        QVERIFY(report->isVisible());
        QCOMPARE(report->columnSet(), (QList<GridColumn>{{"AGE_NOME", "Nome"},
                                                         {"AGE_DTAAUDIENCIA", "Data da Audiência"},
                                                         {"AGE_CELpc", "Celular"}}));
        const QString page = program.listing();
        QVERIFY(page.contains(QStringLiteral("<b>\r\nClientes</b></span>\r\n")));
        QVERIFY(
            page.contains(QStringLiteral("<th>Nome</th>\r\n<th>Data da Audiência</th>\r\n<th>Celular</th>\r\n"
                                         "<th>Anotações</th>\r\n</thead></tr>")));
        QVERIFY(page.contains(QStringLiteral("<tr>\r\n<td>Ana</td><td>01/12/2024</td><td> - </td>"
                                             "<td>A<br>B<br></td>\r\n</tr>")));

        // From the register the list carries no suffix.
        openRegister(*program.app, 6);
        QTest::mouseClick(control<QPushButton>(program.app->cadastro(), "Button7"), Qt::LeftButton);
        QCOMPARE(list->item(30)->text(), QStringLiteral("Celular"));
        QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
    }

    // A listing that cannot be written is reported and the browser keeps its page.
    void unwritableListingKeepsThePage() {
        Program program;
        program.agenda();
        Browser* browser = program.app->impressao()->browser();
        QVERIFY(waitForPage(browser, program.listingPath()));
        QFile::remove(program.listingPath());
        QVERIFY(QDir().mkpath(program.listingPath() + QStringLiteral("/blocked")));
        program.agenda();
        QCOMPARE(program.dialogs.shown.size(), 1);
        QCOMPARE(program.dialogs.shown.first().icon, Dialogs::Icon::Error);
        QVERIFY(program.dialogs.texts().first().contains(program.listingPath()));
        QCOMPARE(browser->currentPath(), program.listingPath());
        QVERIFY(!program.app->espere()->isVisible());
    }
};

VELMORA_WINDOW_TEST_MAIN(TestListings)
#include "tst_listings.moc"
