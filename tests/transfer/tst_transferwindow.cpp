// The transfer window with the real program: loading the older editions' files, moving
// records one at a time and all at once, keeping old numbers, and broken files.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/smallwindows.h"
#include "controls.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "transfer/transferwindow.h"
#include "windowsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {

const QString kFixtures = QStringLiteral(VELMORA_FIXTURES "/transfer/");

// A short packet holding the given old numbers, names and hearing dates.
QByteArray packet(const QList<std::tuple<QString, QString, QString>>& rows) {
    QByteArray text =
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (const char* name : {"AGE_COD", "AGE_NOME"})
        text += QByteArray("<FIELD attrname=\"") + name + "\" fieldtype=\"string\" WIDTH=\"60\"/>";
    for (int i = 2; i < 18; ++i)
        text += "<FIELD attrname=\"C" + QByteArray::number(i) + "\" fieldtype=\"string\" WIDTH=\"60\"/>";
    text += "<FIELD attrname=\"AGE_DTAAUDIENCIA\" fieldtype=\"string\" WIDTH=\"10\"/>";
    text += "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (const auto& [number, name, date] : rows)
        text += "<ROW AGE_COD=\"" + number.toUtf8() + "\" AGE_NOME=\"" + name.toUtf8() +
                "\" AGE_DTAAUDIENCIA=\"" + date.toUtf8() + "\"/>";
    return text + "</ROWDATA></DATAPACKET>";
}

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    TransferWindow* window = nullptr;
    SharedTable* table = nullptr;

    explicit Program(const QList<QMap<QString, QString>>& records = {}) {
        env.install();
        env.addRecords(records);
        app = startProgram(env);
        window = app->trans();
        window->show();
        table = app->dataModule()->ADOTable1;
    }
    void press(const char* button) {
        QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
    }
    void choose(const char* choice) {
        QTest::mouseClick(control<QRadioButton>(window, choice), Qt::LeftButton);
    }
    void load(const char* choice, const QString& path) {
        choose(choice);
        dialogs.setNextFile(path);
        press("Button2");
    }
    QString file(const QString& name, const QByteArray& bytes) const {
        const QString path = env.root() + name;
        writeFile(path, bytes);
        return path;
    }
    QStringList stored() const {
        return env.storedRows({QStringLiteral("Código"), QStringLiteral("AGE_NOME")});
    }
};

} // namespace

class TestTransferWindow : public QObject {
    Q_OBJECT

  private slots:
    // The 6.0 table: after the load the list is in ascending order on its first record;
    // "<<" moves every record once, in that order, with new numbers.
    void allRecordsOfATable() {
        Program program({{{"AGE_NOME", "Já estava"}}});
        program.load("Rdb", kFixtures + QStringLiteral("pro60.db"));
        QVERIFY(program.dialogs.shown.isEmpty());
        QCOMPARE(program.window->source().count(), 20);
        QCOMPARE(
            control<QTableView>(program.window, "DBGrid2")->model()->headerData(1, Qt::Horizontal).toString(),
            QStringLiteral("AGE_NOME"));
        program.press("Button6");
        const QStringList stored = program.stored();
        QCOMPARE(stored.size(), 21);
        QCOMPARE(stored[1], QStringLiteral("2 Fábio dos Santos"));
        QCOMPARE(program.env.storedText(2, QStringLiteral("AGE_ANOTACOES")),
                 QStringLiteral(
                     "Cliente indicado por Lúcia.\nLevar documentos: RG, CPF & comprovante <original>."));
        QCOMPARE(program.env.storedText(5, QStringLiteral("AGE_DTAAUDIENCIA")), QStringLiteral("15/08/1995"));
        QCOMPARE(program.env.storedText(5, QStringLiteral("AGE_HORAAUDIENCIA")), QStringLiteral("1430"));
        QCOMPARE(program.table->recordCount(), 21); // the register reloaded
        QVERIFY(program.window->source().atEnd());
        program.press("Button3"); // nothing left
        QCOMPARE(program.stored().size(), 21);
    }

    void someThenAllOfAPackedPacket() {
        Program program;
        program.load("Rzip", kFixtures + QStringLiteral("free-short.zip"));
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("Agenda.xml")),
                 bytesOf(kFixtures + QStringLiteral("free-short.xml")));
        program.press("Button3");
        program.press("Button3");
        // A click in the source list chooses the next record.
        auto* list = control<QTableView>(program.window, "DBGrid2");
        list->setCurrentIndex(list->model()->index(4, 0));
        program.press("Button3");
        QCOMPARE(program.stored(), (QStringList{"1 Fábio dos Santos", "2 Vinícius Alves", "3 Ícaro Melo"}));
        program.press("Button6");
        QCOMPARE(program.stored().size(), 18);
        QVERIFY(program.dialogs.shown.isEmpty());
    }

    // A record whose date cannot be read stops "<<" there: the records before it are
    // stored, it stays open for writing in the register, the list stays on it.
    void refusedRecordMidRun() {
        Program program;
        program.load("Rxml", program.file(QStringLiteral("base.xml"), packet({{"1", "Ana", "01/02/2020"},
                                                                              {"2", "Bia", "02/02/2020"},
                                                                              {"3", "Caio", "1/8/2020"},
                                                                              {"4", "Davi", "04/02/2020"}})));
        program.press("Button6");
        QCOMPARE(program.dialogs.texts(), QStringList{"'1/' is not a valid integer value"});
        QCOMPARE(program.stored(), (QStringList{"1 Ana", "2 Bia"}));
        QCOMPARE(program.table->state(), SharedTable::State::Insert);
        QCOMPARE(program.table->fieldText(QStringLiteral("AGE_NOME")), QStringLiteral("Caio"));
        QVERIFY(control<QPushButton>(program.app->cadastro(), "BtnGravar")->isEnabled());
        QCOMPARE(program.window->source().position(), 2);
        // The user finishes it in the register; "<<" then goes on.
        program.table->setFieldText(QStringLiteral("AGE_DTAAUDIENCIA"), QStringLiteral("01/08/2020"));
        program.table->post();
        program.press("Button4"); // ordered again, now descending, from the first record
        program.press("Button3");
        QCOMPARE(program.stored().last(), QStringLiteral("4 Davi"));
    }

    // Old numbers kept: 1, 2 and 5 take five presses and leave two "nulo" records; "<<"
    // cannot be pressed meanwhile.
    void oldNumbersKept() {
        Program program;
        program.load("Rxml", program.file(QStringLiteral("base.xml"),
                                          packet({{"5", "Eva", ""}, {"1", "Ana", ""}, {"2", "Bia", ""}})));
        control<QCheckBox>(program.window, "respeitar")->setChecked(true);
        QVERIFY(!control<QPushButton>(program.window, "Button6")->isEnabled());
        for (int press = 0; press < 6; ++press)
            program.press("Button3");
        QCOMPARE(program.stored(), (QStringList{"1 Ana", "2 Bia", "3 nulo", "4 nulo", "5 Eva"}));
        QVERIFY(program.dialogs.shown.isEmpty());
        control<QCheckBox>(program.window, "respeitar")->setChecked(false);
        QVERIFY(control<QPushButton>(program.window, "Button6")->isEnabled());
    }

    // An old number the base has already given can never be kept: the user is told and the
    // record is passed over, instead of one "nulo" after another.
    void oldNumbersThatCannotBeKept() {
        Program program({{{"AGE_NOME", "Já estava"}}});
        program.load(
            "Rxml",
            program.file(
                QStringLiteral("base.xml"),
                packet({{"0", "Zero", ""}, {"1", "Um", ""}, {"2", "Dois", ""}, {"x", "Sem número", ""}})));
        control<QCheckBox>(program.window, "respeitar")->setChecked(true);
        program.press("Button3"); // the record without a number comes first, and stays
        // The record appended for it stays open for writing, as for a record refused.
        QCOMPARE(program.table->state(), SharedTable::State::Insert);
        auto* list = control<QTableView>(program.window, "DBGrid2");
        QCOMPARE(list->currentIndex().row(), 0);
        list->setCurrentIndex(list->model()->index(1, 0));
        for (int press = 0; press < 3; ++press)
            program.press("Button3");
        QCOMPARE(program.dialogs.texts(),
                 (QStringList{
                     "'x' is not a valid integer value",
                     "A antiga base de dados começa com zero, este cadastro será desconsiderado pois a nova "
                     "base começa com 1. Insira manualmente este cadastro após o término.",
                     "O número 1 já foi usado na nova base (o próximo é 2); este cadastro será "
                     "desconsiderado. Insira manualmente este cadastro após o término."}));
        QCOMPARE(program.stored(), (QStringList{"1 Já estava", "2 Dois"}));
    }

    // Another machine holding the base: "<<" stores nothing, leaves no record open, and
    // once the base is free stores every record exactly once.
    void busyBase() {
        Program program;
        program.load("Rxml",
                     program.file(QStringLiteral("base.xml"), packet({{"1", "Ana", ""}, {"2", "Bia", ""}})));
        Connection* connection = program.app->dataModule()->ADOConnection1;
        connection->setBusyTimeout(200);
        program.table->close();
        connection->open();
        program.table->open();
        const QString busy = QStringLiteral("A base de dados está em uso por outra estação");
        // Its write lock keeps "<<" from starting or storing; a base file's reader keeps a
        // block from being committed.
        QList<TestEnvironment::Hold> holds{TestEnvironment::Hold::Writes};
        if (!TestEnvironment::onServer())
            holds << TestEnvironment::Hold::Reads;
        for (const TestEnvironment::Hold hold : holds) {
            Database holder = program.env.holdBase(hold);
            program.dialogs.clear();
            program.press("Button6");
            QCOMPARE(program.dialogs.shown.size(), 1);
            QVERIFY2(program.dialogs.shown.first().text.startsWith(busy),
                     qPrintable(program.dialogs.shown.first().text));
            QCOMPARE(program.table->state(), SharedTable::State::Browse);
            QCOMPARE(program.window->source().position(), 0);
            holder.rollback();
            QVERIFY(program.stored().isEmpty());
        }
        program.press("Button6");
        QCOMPARE(program.stored(), (QStringList{"1 Ana", "2 Bia"}));
    }

    // "<<" with nothing loaded leaves a record being typed in the register as it is.
    void draftKeptWithoutASource() {
        Program program;
        program.table->append();
        program.table->setFieldText(QStringLiteral("AGE_NOME"), QStringLiteral("Rascunho"));
        program.press("Button6");
        program.press("Button3");
        QCOMPARE(program.table->state(), SharedTable::State::Insert);
        QVERIFY(program.stored().isEmpty());
        QVERIFY(program.dialogs.shown.isEmpty());
    }

    void brokenFilesChangeNothing_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray zip = bytesOf(kFixtures + QStringLiteral("free-short.zip"));
        QTest::newRow("truncated zlib") << "Rzip" << zip.left(1000);
        QTest::newRow("not zlib") << "Rzip" << QByteArray("PK\x03\x04 not a zlib stream");
        QTest::newRow("not XML") << "Rxml" << zip;
        QTest::newRow("not Paradox") << "Rdb" << QByteArray(4096, 'x');
    }
    void brokenFilesChangeNothing() {
        QFETCH(QString, choice);
        QFETCH(QByteArray, bytes);
        Program program({{{"AGE_NOME", "Ana"}}});
        program.load(qPrintable(choice), program.file(QStringLiteral("velha"), bytes));
        QCOMPARE(program.dialogs.shown.size(), 1);
        QCOMPARE(program.dialogs.shown.first().icon, Dialogs::Icon::Error);
        QVERIFY(!program.window->source().isOpen());
        program.press("Button6");
        program.press("Button3");
        QCOMPARE(program.stored(), QStringList{"1 Ana"});
    }

    // A source choice, a cancelled dialog and a missing file leave nothing loaded.
    void nothingLoaded() {
        Program program;
        program.load("Rdb", kFixtures + QStringLiteral("pro60.db"));
        program.choose("Rxml");
        QVERIFY(!program.window->source().isOpen());
        program.load("Rdb", kFixtures + QStringLiteral("pro60.db"));
        program.load("Rdb", QString());
        QVERIFY(!program.window->source().isOpen());
        program.load("Rdb", program.env.root() + QStringLiteral("nao-existe.db"));
        QVERIFY(!program.window->source().isOpen());
        program.press("Button3");
        program.press("Button6");
        QVERIFY(program.stored().isEmpty());
        QVERIFY(program.dialogs.shown.isEmpty());
    }
};

VELMORA_WINDOW_TEST_MAIN(TestTransferWindow)
#include "tst_transferwindow.moc"
