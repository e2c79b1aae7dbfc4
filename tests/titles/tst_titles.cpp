// Field titles: campos.ini with the profile-file rules, the title editor, the titles
// applied at start and copied onto the listing columns.

#include "app/application.h"
#include "app/mainwindow.h"
#include "common/apperror.h"
#include "common/textfile.h"
#include "controls.h"
#include "files.h"
#include "register/gridbinding.h"
#include "register/registerwindow.h"
#include "reports/reportwindows.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "titles/profilefile.h"
#include "titles/titlecatalogue.h"
#include "titles/titleeditor.h"
#include "windowsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

QString gridTitle(RegisterWindow* cadastro, const char* grid, int column) {
    return control<QTableView>(cadastro, grid)->model()->headerData(column, Qt::Horizontal).toString();
}

// The title editor used as the user does: double-click the label, type, "Gravar".
void saveTitle(Application& app, const QString& id, const QString& title) {
    QTest::mouseDClick(app.cadastro()->titleLabel(id), Qt::LeftButton);
    auto* edit = control<QLineEdit>(app.mudacampos(), "Edit1");
    edit->clear();
    typeText(edit, title);
    QTest::mouseClick(control<QPushButton>(app.mudacampos(), "Button1"), Qt::LeftButton);
}

} // namespace

class TestTitles : public QObject {
    Q_OBJECT

  private slots:
    void savingATitleChangesEveryPlace() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = app->cadastro();
        app->principal()->openRegister(1);
        cadastro->findChild<QComboBox*>(QStringLiteral("Cfiltro"))->setCurrentIndex(5);
        saveTitle(*app, QStringLiteral("Label000"), QStringLiteral("Cliente"));

        QCOMPARE(control<QLabel>(cadastro, "Label000")->text(), QStringLiteral("Cliente"));
        QCOMPARE(control<QLabel>(cadastro, "Label1")->text(), QStringLiteral("Cliente"));
        QCOMPARE(gridTitle(cadastro, "DBformulario", 0), QStringLiteral("Cliente"));
        QCOMPARE(gridTitle(cadastro, "DBAlfabetico", 1), QStringLiteral("Cliente"));
        QCOMPARE(gridTitle(cadastro, "DBfiltro", 1), QStringLiteral("Cliente"));
        auto* order = control<QComboBox>(cadastro, "Cordenar");
        auto* filter = control<QComboBox>(cadastro, "Cfiltro");
        QCOMPARE(order->itemText(1), QStringLiteral("Cliente"));
        QCOMPARE(filter->itemText(0), QStringLiteral("Cliente"));
        QCOMPARE(order->currentText(), QStringLiteral("Código"));
        QCOMPARE(filter->currentText(), QStringLiteral("Cliente"));
        QCOMPARE(bytesOf(env.settingsFolder() + QStringLiteral("campos.ini")),
                 QByteArray("[Label000]\r\nLabel000=Cliente\r\n"));

        app->principal()->openRegister(6);
        QTest::mouseClick(control<QPushButton>(cadastro, "Button7"), Qt::LeftButton);
        QCOMPARE(control<QListWidget>(app->campos(), "CheckListBox1")->item(0)->text(),
                 QStringLiteral("Cliente"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void titlesWithFewFollowers() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = app->cadastro();
        app->principal()->openRegister(1);
        const QStringList orderBefore = [&] {
            QStringList items;
            for (int i = 0; i < control<QComboBox>(cadastro, "Cordenar")->count(); ++i)
                items << control<QComboBox>(cadastro, "Cordenar")->itemText(i);
            return items;
        }();
        saveTitle(*app, QStringLiteral("Label004"), QStringLiteral("Correio"));
        QCOMPARE(control<QLabel>(cadastro, "Label004")->text(), QStringLiteral("Correio"));
        saveTitle(*app, QStringLiteral("Label025"), QStringLiteral("Endereço PC"));
        QCOMPARE(control<QLabel>(cadastro, "Label025")->text(), QStringLiteral("Endereço PC"));
        QCOMPARE(control<QComboBox>(cadastro, "Cordenar")->count(), orderBefore.size());
        for (int i = 0; i < orderBefore.size(); ++i)
            QCOMPARE(control<QComboBox>(cadastro, "Cordenar")->itemText(i), orderBefore[i]);
        for (int column = 0; column < 23; ++column) {
            QVERIFY(gridTitle(cadastro, "DBAlfabetico", column) != QStringLiteral("Correio"));
            QVERIFY(gridTitle(cadastro, "DBfiltro", column) != QStringLiteral("Endereço PC"));
        }

        // The listing columns take the title of Label025; the record number keeps its own.
        app->impressao()->setColumnSet({{"Código", "Nº"}, {"AGE_ENDERECOpc", "x"}, {"AGE_EMAIL", "E-mail"}});
        app->impressao()->trocatitulo();
        QCOMPARE(app->impressao()->columnSet(),
                 (QList<GridColumn>{
                     {"Código", "Nº"}, {"AGE_ENDERECOpc", "Endereço PC"}, {"AGE_EMAIL", "E-mail"}}));
        app->principal()->openRegister(6);
        QTest::mouseClick(control<QPushButton>(cadastro, "Button7"), Qt::LeftButton);
        QCOMPARE(control<QListWidget>(app->campos(), "CheckListBox1")->item(20)->text(),
                 QStringLiteral("Endereço PC"));
    }

    void emptyTitleBlanksUntilTheNextStart() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        {
            auto app = startProgram(env);
            app->principal()->openRegister(1);
            saveTitle(*app, QStringLiteral("Label003"), QStringLiteral("Comarca"));
            const QByteArray saved = bytesOf(env.settingsFolder() + QStringLiteral("campos.ini"));
            saveTitle(*app, QStringLiteral("Label003"), QString());
            QCOMPARE(control<QLabel>(app->cadastro(), "Label003")->text(), QString());
            QCOMPARE(control<QLabel>(app->cadastro(), "Label2")->text(), QString());
            QCOMPARE(bytesOf(env.settingsFolder() + QStringLiteral("campos.ini")), saved);
        }
        auto app = startProgram(env);
        QCOMPARE(control<QLabel>(app->cadastro(), "Label003")->text(), QStringLiteral("Comarca"));
        QCOMPARE(control<QLabel>(app->cadastro(), "Label2")->text(), QStringLiteral("Comarca"));
        QCOMPARE(gridTitle(app->cadastro(), "DBformulario", 1), QStringLiteral("Comarca"));
        QCOMPARE(control<QComboBox>(app->cadastro(), "Cfiltro")->itemText(3), QStringLiteral("Comarca"));
    }

    void savedTitlesApplyAtStart() {
        TestEnvironment env;
        env.install();
        writeFile(env.settingsFolder() + QStringLiteral("campos.ini"),
                  "[LABEL003]\r\nLABEL003=Comarca\r\n[label021]\r\nlabel021=Audi\xEAncia em\r\n[Label00]\r\n"
                  "Label00=\r\n[Label099]\r\nLabel099=x\r\n");
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = app->cadastro();
        QCOMPARE(control<QLabel>(cadastro, "Label003")->text(), QStringLiteral("Comarca"));
        QCOMPARE(control<QLabel>(cadastro, "Label021")->text(), QStringLiteral("Audiência em"));
        QCOMPARE(control<QLabel>(cadastro, "Label6")->text(), QStringLiteral("Audiência em"));
        QCOMPARE(gridTitle(cadastro, "DBformulario", 5), QStringLiteral("Audiência em"));
        QCOMPARE(gridTitle(cadastro, "DBfiltro", 18), QStringLiteral("Audiência em"));
        QCOMPARE(control<QLabel>(cadastro, "Label00")->text(), QStringLiteral("Código"));
        QCOMPARE(control<QComboBox>(cadastro, "Cordenar")->itemText(18), QStringLiteral("Audiência em"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void restoreEmptiesTheFile() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        const QString campos = env.settingsFolder() + QStringLiteral("campos.ini");
        {
            auto app = startProgram(env);
            app->principal()->openRegister(1);
            auto* restore = control<QPushButton>(app->mudacampos(), "Button3");
            QTest::mouseClick(restore, Qt::LeftButton); // no file: nothing at all
            QVERIFY(dialogs.shown.isEmpty());

            saveTitle(*app, QStringLiteral("Label010"), QStringLiteral("Fone"));
            dialogs.setNextAnswer(Dialogs::Button::No);
            QTest::mouseClick(restore, Qt::LeftButton);
            QCOMPARE(dialogs.texts(), QStringList{"Toda configuração realizada será perdida. Continuar?"});
            QVERIFY(QFileInfo(campos).size() > 0);

            dialogs.clear();
            dialogs.setNextAnswer(Dialogs::Button::Yes);
            QTest::mouseClick(restore, Qt::LeftButton);
            QCOMPARE(dialogs.texts(),
                     (QStringList{"Toda configuração realizada será perdida. Continuar?",
                                  "Reinicie o programa para atualizar as configurações realizadas."}));
            QVERIFY(QFileInfo::exists(campos));
            QCOMPARE(QFileInfo(campos).size(), 0);
            QCOMPARE(control<QLabel>(app->cadastro(), "Label010")->text(), QStringLiteral("Fone"));
        }
        auto app = startProgram(env);
        QCOMPARE(control<QLabel>(app->cadastro(), "Label010")->text(), QStringLiteral("Telefone"));
    }

    void editorTakesThirtyCharacters() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        app->principal()->openRegister(1);
        QTest::mouseDClick(app->cadastro()->titleLabel(QStringLiteral("Label001")), Qt::LeftButton);
        auto* edit = control<QLineEdit>(app->mudacampos(), "Edit1");
        edit->clear();
        QTest::keyClicks(edit, QString(30, u'a'));
        QCOMPARE(edit->text().size(), 30);
        QTest::keyClicks(edit, QStringLiteral("b"));
        QCOMPARE(edit->text(), QString(30, u'a'));
        QTest::mouseClick(control<QPushButton>(app->mudacampos(), "Button2"), Qt::LeftButton);
        QVERIFY(!app->mudacampos()->isVisible());
        QCOMPARE(control<QLabel>(app->cadastro(), "Label001")->text(),
                 QStringLiteral("Endereço")); // nothing saved
    }

    // Started with the marker file and no settings folder: nothing is read, and the first
    // save fails with the file error while the program goes on.
    void savingWithoutTheSettingsFolder() {
        TestEnvironment env;
        env.createBase();
        writeFile(env.programFolder() + QStringLiteral("win98.ini"), "");
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.texts(), QStringList{"Por favor escolha uma pasta para backup da base de dados."});
        dialogs.clear();
        app->principal()->openRegister(1);
        saveTitle(*app, QStringLiteral("Label002"), QStringLiteral("Distrito"));
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Unable to write to ") + env.settingsFolder() +
                                              QStringLiteral("campos.ini")});
        QCOMPARE(control<QLabel>(app->cadastro(), "Label002")->text(), QStringLiteral("Bairro"));
        QVERIFY(!QFileInfo::exists(env.settingsFolder()));
        QTest::mouseClick(control<QPushButton>(app->cadastro(), "BtnIncluir"), Qt::LeftButton);
        typeText(control<QLineEdit>(app->cadastro(), "DBnome"), QStringLiteral("Ana"));
        QTest::mouseClick(control<QPushButton>(app->cadastro(), "BtnGravar"), Qt::LeftButton);
        QCOMPARE(env.recordCount(), 1);
    }

    // When campos.ini cannot be replaced, "Gravar" shows the error and changes no caption,
    // and the restore shows the file-creation error without the restart message. The
    // settings folder is made read-only, and campos.ini points into a read-only file
    // system, which holds back root too.
    void unwritableSettingsFolder() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        app->principal()->openRegister(1);
        const QString folder = env.settingsFolder();
        const QString campos = folder + QStringLiteral("campos.ini");
        QVERIFY(QFile::link(QStringLiteral("/proc/version"), campos));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);

        saveTitle(*app, QStringLiteral("Label002"), QStringLiteral("Distrito"));
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Unable to write to ") + campos});
        QCOMPARE(dialogs.shown.first().icon, Dialogs::Icon::Error);
        QCOMPARE(control<QLabel>(app->cadastro(), "Label002")->text(), QStringLiteral("Bairro"));
        QCOMPARE(gridTitle(app->cadastro(), "DBAlfabetico", 3), QStringLiteral("Bairro"));

        dialogs.clear();
        dialogs.setNextAnswer(Dialogs::Button::Yes);
        QTest::mouseClick(control<QPushButton>(app->mudacampos(), "Button3"), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 2);
        QVERIFY(dialogs.texts()[1].startsWith(QStringLiteral("Cannot create file \"")));
        QCOMPARE(dialogs.shown[1].icon, Dialogs::Icon::Error);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A title saved longer than the editor takes (by an older version, or by hand) is shown
    // and saved again whole; only typing is held to thirty characters.
    void longSavedTitleIsKeptWhole() {
        TestEnvironment env;
        env.install();
        const QString longTitle = QStringLiteral("Endereço residencial completo do cliente");
        writeFile(
            env.settingsFolder() + QStringLiteral("campos.ini"),
            TextFile::encode(QStringLiteral("[Label001]\r\nLabel001=") + longTitle + QStringLiteral("\r\n")));
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        app->principal()->openRegister(1);
        QTest::mouseDClick(app->cadastro()->titleLabel(QStringLiteral("Label001")), Qt::LeftButton);
        auto* edit = control<QLineEdit>(app->mudacampos(), "Edit1");
        QCOMPARE(edit->text(), longTitle);
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("x"));
        QCOMPARE(edit->text(), longTitle);
        QTest::mouseClick(control<QPushButton>(app->mudacampos(), "Button1"), Qt::LeftButton);
        QCOMPARE(ProfileFile(env.settingsFolder() + QStringLiteral("campos.ini"))
                     .readString(QStringLiteral("Label001"), QStringLiteral("Label001")),
                 longTitle);
        QCOMPARE(control<QLabel>(app->cadastro(), "Label001")->text(), longTitle);
    }
};

VELMORA_WINDOW_TEST_MAIN(TestTitles)

#include "tst_titles.moc"
