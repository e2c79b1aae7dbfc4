// The preference windows and what they change in the register: the city and state lists
// and their editor, accents removed while typing, and the drive letter.

#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "files.h"
#include "prefs/prefswindows.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {

QStringList entriesOf(QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;

    explicit Program(const QMap<QString, QByteArray>& settings = {},
                     const QList<QMap<QString, QString>>& records = {}) {
        env.install();
        env.addRecords(records);
        for (auto file = settings.begin(); file != settings.end(); ++file)
            writeFile(env.settingsFolder() + file.key(), file.value());
        app = startProgram(env);
    }
    template <typename T = QWidget> T* cadastro(const char* name) {
        return control<T>(app->cadastro(), name);
    }
    void disallowAccents() { control<QRadioButton>(app->acentos(), "Rnacentos")->setChecked(true); }
};

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT

  private slots:
    void startUpFillsTheFourLists() {
        Program program({{"Dados/comarcas/comarcas.txt", "Santos\nCampinas"},
                         {"Dados/comarcas/estados.txt", "\xEF\xBB\xBFSP\r\nRJ\r\n"}},
                        {{{"AGE_NOME", "Ana"}, {"AGE_CIDADE", "Osasco"}}});
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBCidade")), (QStringList{"Santos", "Campinas"}));
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBpccidade")), (QStringList{"Santos", "Campinas"}));
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBuf")), (QStringList{"SP", "RJ"}));
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBpcuf")), (QStringList{"SP", "RJ"}));
        // The record's own city is shown, not the list's first entry.
        QCOMPARE(program.cadastro<QComboBox>("DBCidade")->currentText(), QStringLiteral("Osasco"));
        QVERIFY(program.dialogs.shown.isEmpty());
    }

    void withoutListFilesTheBoxesAreEmpty() {
        Program program;
        QFile::remove(program.env.settingsFolder() + QStringLiteral("Dados/comarcas/estados.txt"));
        program.app = startProgram(program.env);
        QCOMPARE(program.cadastro<QComboBox>("DBCidade")->count(), 0);
        QCOMPARE(program.cadastro<QComboBox>("DBuf")->count(), 0);
    }

    // "Gravar Cidades" sorts and stores the box, shows the file again, and gives the new
    // list to the client's box only.
    void editorSavesSortedLists() {
        Program program(
            {{"Dados/comarcas/comarcas.txt", "Santos\r\n"}, {"Dados/comarcas/estados.txt", "SP\r\n"}});
        openRegister(*program.app, 1);
        QTest::mouseClick(program.cadastro<QPushButton>("Button2"), Qt::LeftButton);
        ListEditor* editor = program.app->form4();
        QVERIFY(editor->isVisible());
        auto* cities = control<QPlainTextEdit>(editor, "Rcidades");
        QCOMPARE(cities->toPlainText(), QStringLiteral("Santos"));
        cities->setPlainText(QStringLiteral("sao paulo\nCampinas\n\n"));
        QTest::mouseClick(control<QPushButton>(editor, "Bcidades"), Qt::LeftButton);
        QCOMPARE(program.dialogs.texts(), QStringList{"Dados Gravados"});
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("Dados/comarcas/comarcas.txt")),
                 QByteArray("\r\nCampinas\r\nsao paulo\r\n"));
        QCOMPARE(cities->toPlainText(), QStringLiteral("\nCampinas\nsao paulo"));
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBCidade")),
                 (QStringList{"", "Campinas", "sao paulo"}));
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBpccidade")), QStringList{"Santos"});

        control<QPlainTextEdit>(editor, "Restados")->clear();
        QTest::mouseClick(control<QPushButton>(editor, "Bestados"), Qt::LeftButton);
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("Dados/comarcas/estados.txt")),
                 QByteArray());
        QCOMPARE(program.cadastro<QComboBox>("DBuf")->count(), 0);
        QCOMPARE(entriesOf(program.cadastro<QComboBox>("DBpcuf")), QStringList{"SP"});
    }

    // With accents not allowed, typing shows plain letters at once with the caret where it
    // was, and stores them.
    void typingWithoutAccents() {
        Program program;
        program.disallowAccents();
        openRegister(*program.app, 0);
        QTest::mouseClick(program.cadastro<QPushButton>("BtnIncluir"), Qt::LeftButton);
        auto* name = program.cadastro<QLineEdit>("DBAutorPrin");
        typeText(name, QStringLiteral("Jose"));
        name->setCursorPosition(1);
        typeText(name, QStringLiteral("ã"));
        QCOMPARE(name->text(), QStringLiteral("Jaose"));
        QCOMPARE(name->cursorPosition(), 2);
        auto* city = program.cadastro<QLineEdit>("DBCidadeprin");
        typeText(city, QStringLiteral("São Paulo"));
        QCOMPARE(city->text(), QStringLiteral("Sao Paulo"));
        QCOMPARE(city->cursorPosition(), 9);
        QTest::mouseClick(program.cadastro<QPushButton>("BtnGravar"), Qt::LeftButton);
        QCOMPARE(program.env.storedText(1, QStringLiteral("AGE_NOME")), QStringLiteral("Jaose"));
        QCOMPARE(program.env.storedText(1, QStringLiteral("AGE_CIDADE")), QStringLiteral("Sao Paulo"));

        // Accents allowed again: typed accents stay.
        control<QRadioButton>(program.app->acentos(), "Rpacentos")->setChecked(true);
        QTest::mouseClick(program.cadastro<QPushButton>("BtnAlterar"), Qt::LeftButton);
        name->end(false);
        typeText(name, QStringLiteral("é"));
        QCOMPARE(program.cadastro<QLineEdit>("DBAutorPrin")->text(), QStringLiteral("Jaoseé"));
    }

    // A stored José shows as Jose in the edits and José in the grids, and stays José unless
    // the name itself is typed and saved.
    void storedAccentsStayUnlessTyped() {
        Program program({}, {{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "José"}, {"AGE_BAIRRO", "Água Branca"}}});
        program.disallowAccents();
        program.app->dataModule()->ADOTable1->last();
        openRegister(*program.app, 1);
        QCOMPARE(program.cadastro<QLineEdit>("DBnome")->text(), QStringLiteral("Jose"));
        QCOMPARE(program.cadastro<QLineEdit>("DBAutorPrin")->text(), QStringLiteral("Jose"));
        auto* grid = program.cadastro<QTableView>("DBAlfabetico")->model();
        QCOMPARE(grid->data(grid->index(1, 1)).toString(), QStringLiteral("José"));
        typeText(program.cadastro<QLineEdit>("DBtelefone"), QStringLiteral("1234"));
        QTest::mouseClick(program.cadastro<QPushButton>("BtnGravar"), Qt::LeftButton);
        QCOMPARE(program.env.storedText(2, QStringLiteral("AGE_NOME")), QStringLiteral("José"));
        QCOMPARE(program.env.storedText(2, QStringLiteral("AGE_BAIRRO")), QStringLiteral("Água Branca"));

        auto* name = program.cadastro<QLineEdit>("DBnome");
        name->end(false);
        typeText(name, QStringLiteral(" Neto"));
        QTest::mouseClick(program.cadastro<QPushButton>("BtnGravar"), Qt::LeftButton);
        QCOMPARE(program.env.storedText(2, QStringLiteral("AGE_NOME")), QStringLiteral("Jose Neto"));
    }

    void accentsSetting_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("no file") << QByteArray() << true;
        QTest::newRow("sim") << QByteArray("sim\r\n") << true;
        QTest::newRow("não") << QByteArray("n\xE3o\r\n") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("Sim") << QByteArray("Sim\r\n") << false;
    }
    void accentsSetting() {
        QFETCH(QByteArray, file);
        QFETCH(bool, allowed);
        QMap<QString, QByteArray> settings;
        if (!file.isNull())
            settings.insert(QStringLiteral("acentos.ini"), file);
        Program program(settings);
        QCOMPARE(program.app->acentos()->accentsAllowed(), allowed);
        QCOMPARE(control<QRadioButton>(program.app->acentos(), "Rnacentos")->isChecked(), !allowed);

        control<QRadioButton>(program.app->acentos(), allowed ? "Rnacentos" : "Rpacentos")->setChecked(true);
        QTest::mouseClick(control<QPushButton>(program.app->acentos(), "Bgravar"), Qt::LeftButton);
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("acentos.ini")),
                 allowed ? QByteArray("n\xE3o\r\n") : QByteArray("sim\r\n"));
        QVERIFY(program.dialogs.shown.isEmpty());
    }

    void driveLetterIsStored() {
        Program program;
        DriveDialog* drive = program.app->drive();
        auto* letter = control<QComboBox>(drive, "Cletra");
        QCOMPARE(letter->currentText(), QStringLiteral("D"));
        QCOMPARE(letter->count(), 21);
        letter->setCurrentText(QStringLiteral("E"));
        QTest::mouseClick(control<QPushButton>(drive, "Bletra"), Qt::LeftButton);
        QCOMPARE(bytesOf(program.env.settingsFolder() + QStringLiteral("letra.ini")), QByteArray("E\r\n"));
    }
};

VELMORA_WINDOW_TEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
