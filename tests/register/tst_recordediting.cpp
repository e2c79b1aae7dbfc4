// The register window driven through its named controls: include, change, save,
// cancel, delete, refresh, the record buttons, page 0's Enter, Esc and the title labels.

#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/nativequery.h"
#include "data/sharedtable.h"
#include "readonlypath.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "testserver.h"
#include "titles/titleeditor.h"
#include "windowsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <csignal>
#include <unistd.h>

namespace {

struct Buttons {
    bool incluir, excluir, alterar, gravar, cancelar;
    bool operator==(const Buttons&) const = default;
};

Buttons recordButtons(QWidget* cadastro) {
    return {control<QPushButton>(cadastro, "BtnIncluir")->isEnabled(),
            control<QPushButton>(cadastro, "BtnExcluir")->isEnabled(),
            control<QPushButton>(cadastro, "BtnAlterar")->isEnabled(),
            control<QPushButton>(cadastro, "BtnGravar")->isEnabled(),
            control<QPushButton>(cadastro, "BtnCancelar")->isEnabled()};
}

const Buttons kBrowse{true, true, true, false, false};
const Buttons kBrowseEmpty{true, false, true, false, false};
const Buttons kEditing{false, false, false, true, true};
const Buttons kClosed{false, false, false, false, false};

// What stands in the way of a save.
enum class Obstacle { ReadOnlyFile, FullDisk, ReadOnlyUser, ServerStopped };

QMap<QString, QString> named(const QString& name) {
    return {{QStringLiteral("AGE_NOME"), name}};
}

} // namespace

class TestRecordEditing : public QObject {
    Q_OBJECT

  private slots:
    void includeTypeSaveShowsTheNumber() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        QCOMPARE(recordButtons(cadastro), kBrowseEmpty);

        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        QCOMPARE(recordButtons(cadastro), kEditing);
        auto* name = control<QLineEdit>(cadastro, "DBAutorPrin");
        QCOMPARE(cadastro->focusWidget(), name);
        typeText(name, QStringLiteral("Maria Célia"));
        // The name typed on page 0 is the record's name everywhere at once.
        QCOMPARE(control<QLineEdit>(cadastro, "DBnome")->text(), QStringLiteral("Maria Célia"));
        QCOMPARE(control<QLabel>(cadastro, "DBText2")->text(), QStringLiteral("Maria Célia"));

        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        QVERIFY(dialogs.shown.isEmpty());
        QCOMPARE(recordButtons(cadastro), kBrowse);
        const QString code = control<QLineEdit>(cadastro, "DBcodigo")->text();
        QVERIFY(!code.isEmpty());
        QCOMPARE(env.storedText(code.toLongLong(), QStringLiteral("AGE_NOME")),
                 QStringLiteral("Maria Célia"));
    }

    // A case number or CPF typed in full takes its usual form on leaving the edit when its
    // check digits match; one whose digits do not match is kept as typed and marked; a
    // valid case number shows its court; the hearing grid does the same.
    void numbersWrittenAndMarked() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        typeText(control<QLineEdit>(cadastro, "DBAutorPrin"), QStringLiteral("Ana"));
        cadastro->showPage(2);
        auto* caseNumber = control<QLineEdit>(cadastro, "DBprocesso");
        auto* next = control<QLineEdit>(cadastro, "DBtipoacao");
        caseNumber->setFocus(Qt::MouseFocusReason);
        typeText(caseNumber, QStringLiteral("00012341320208260100"));
        next->setFocus(Qt::TabFocusReason);
        QCOMPARE(caseNumber->text(), QStringLiteral("0001234-13.2020.8.26.0100"));
        QCOMPARE(control<QLabel>(cadastro, "LabelTribunal")->text(), QStringLiteral("TJSP"));
        QCOMPARE(caseNumber->toolTip(), QString());

        cadastro->showPage(1);
        auto* cpf = control<QLineEdit>(cadastro, "DBcic");
        cpf->setFocus(Qt::MouseFocusReason);
        typeText(cpf, QStringLiteral("52998224726"));
        control<QLineEdit>(cadastro, "DBcep")->setFocus(Qt::TabFocusReason);
        QCOMPARE(cpf->text(), QStringLiteral("52998224726"));
        QCOMPARE(cpf->toolTip(), QStringLiteral("Dígitos verificadores não conferem: esperado 25"));
        QVERIFY(cpf->styleSheet().contains(QStringLiteral("border")));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        QVERIFY(dialogs.shown.isEmpty());
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_PROC")), QStringLiteral("0001234-13.2020.8.26.0100"));
        QCOMPARE(env.storedText(1, QStringLiteral("AGE_CIC")), QStringLiteral("52998224726"));

        // In the hearing grid: the case number column.
        cadastro->showPage(6);
        auto* grid = control<QTableView>(cadastro, "DBformulario");
        QAbstractItemModel* model = grid->model();
        QVERIFY(model->setData(model->index(0, 2), QStringLiteral("1000123 49 2019 5 02 0061")));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("1000123-49.2019.5.02.0061"));
        QVERIFY(model->setData(model->index(0, 2), QStringLiteral("1000123-48.2019.5.02.0061")));
        QCOMPARE(model->index(0, 2).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Dígitos verificadores não conferem: esperado 49"));
        QVERIFY(model->index(0, 1).data(Qt::ToolTipRole).isNull());
    }

    // A base that can only be read is told at start-up, before anyone types; a save then
    // gets a sentence in Portuguese and the record stays as typed, nothing half-written. A
    // full disk, or a server gone mid-session, the same; once the server is back, the
    // record kept in edit is saved.
    void baseThatCannotBeWritten_data() {
        QTest::addColumn<Obstacle>("obstacle");
        QTest::addColumn<QString>("startUpNotice");
        QTest::addColumn<QString>("sentence");
        if (!TestEnvironment::onServer()) {
            QTest::newRow("read-only base")
                << Obstacle::ReadOnlyFile << "A base de dados só pode ser lida nesta estação"
                << "A base de dados só pode ser lida nesta estação";
            QTest::newRow("full disk") << Obstacle::FullDisk << ""
                                       << "Não há espaço no disco da base de dados";
            return;
        }
        QTest::newRow("user who may only read")
            << Obstacle::ReadOnlyUser << "A base de dados só pode ser lida nesta estação: o usuário maria"
            << "Este usuário não tem permissão para isto";
        QTest::newRow("server stopped") << Obstacle::ServerStopped << ""
                                        << "A conexão com o servidor da base de dados caiu; nada foi gravado";
    }
    void baseThatCannotBeWritten() {
        QFETCH(Obstacle, obstacle);
        QFETCH(QString, startUpNotice);
        QFETCH(QString, sentence);
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("Ana"))});
        std::optional<ReadOnlyPath> base;
        std::optional<ReadOnlyPath> folder;
        if (obstacle == Obstacle::ReadOnlyFile) {
            base.emplace(env.basePath());
            folder.emplace(env.databaseFolder());
            if (!base->ok() || !folder->ok())
                QSKIP("the base cannot be made read-only here");
        }
        if (obstacle == Obstacle::ReadOnlyUser)
            env.serverSql(QStringLiteral("REVOKE INSERT, UPDATE, DELETE ON clientes FROM velmora_equipe"));
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        QCOMPARE(dialogs.shown.size(), startUpNotice.isEmpty() ? 0 : 1);
        if (!startUpNotice.isEmpty())
            QVERIFY2(dialogs.texts().first().startsWith(startUpNotice), qPrintable(dialogs.texts().first()));
        if (obstacle == Obstacle::FullDisk) {
            // The base may grow no further: SQLite then says the disk is full.
            const Database db = app->dataModule()->ADOConnection1->database();
            const qint64 pages = NativeQuery::integers(db, QStringLiteral("PRAGMA page_count"), {}).value(0);
            NativeQuery::exec(db, QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
        }
        dialogs.clear();
        RegisterWindow* cadastro = openRegister(*app, 1);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        typeText(control<QLineEdit>(cadastro, "DBnome"), QStringLiteral("Beatriz"));
        control<QPlainTextEdit>(cadastro, "DBanotacoes")->setPlainText(QString(20000, u'x'));
        if (obstacle == Obstacle::ServerStopped)
            TestEnvironment::server().stop();
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        if (obstacle == Obstacle::ServerStopped)
            TestEnvironment::server().start();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.first().icon, Dialogs::Icon::Error);
        QVERIFY2(dialogs.texts().first().startsWith(sentence), qPrintable(dialogs.texts().first()));
        QVERIFY(dialogs.texts().first().contains(QStringLiteral("Detalhe: ")));
        QCOMPARE(recordButtons(cadastro), kEditing);
        QCOMPARE(control<QLineEdit>(cadastro, "DBnome")->text(), QStringLiteral("Beatriz"));
        QCOMPARE(env.recordCount(), 1);
        if (obstacle == Obstacle::ServerStopped) {
            dialogs.clear();
            QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
            QCOMPARE(dialogs.texts(), QStringList());
            QCOMPARE(recordButtons(cadastro), kBrowse);
            QCOMPARE(env.recordCount(), 2);
        }
    }

    void saveWithoutNameIsRefused() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 1);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        QCOMPARE(cadastro->focusWidget(), control<QLineEdit>(cadastro, "DBnome"));
        typeText(control<QLineEdit>(cadastro, "DBendereco"), QStringLiteral("Rua A"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("É necessário preencher o campo Nome")});
        QCOMPARE(recordButtons(cadastro), kEditing);
        QCOMPARE(env.recordCount(), 0);

        // A name of blanks passes the test.
        typeText(control<QLineEdit>(cadastro, "DBnome"), QStringLiteral("  "));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        QCOMPARE(env.recordCount(), 1);
    }

    void cancelAndEscape() {
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("Ana"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 1);
        auto* name = control<QLineEdit>(cadastro, "DBnome");

        // Typing into a record being browsed starts editing it.
        typeText(name, QStringLiteral("X"));
        QCOMPARE(recordButtons(cadastro), kEditing);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnCancelar"), Qt::LeftButton);
        QCOMPARE(name->text(), QStringLiteral("Ana"));

        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        typeText(name, QStringLiteral("Nova"));
        QTest::keyClick(name, Qt::Key_Escape);
        QCOMPARE(recordButtons(cadastro), kBrowse);
        QCOMPARE(name->text(), QStringLiteral("Ana"));
        QCOMPARE(app->dataModule()->ADOTable1->rowCount(), 1);
        QTest::keyClick(name, Qt::Key_Escape); // nothing to cancel
        QCOMPARE(recordButtons(cadastro), kBrowse);
        QCOMPARE(env.recordCount(), 1);
    }

    void deleteAsksFirst() {
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("Ana")), named(QStringLiteral("Bia"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        auto* excluir = control<QPushButton>(cadastro, "BtnExcluir");

        dialogs.setNextAnswer(Dialogs::Button::No);
        QTest::mouseClick(excluir, Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 1);
        const auto question = dialogs.shown.first();
        QCOMPARE(question.text, QStringLiteral("Confirme Operação"));
        QCOMPARE(question.caption, QStringLiteral("Exclusão de registro"));
        QCOMPARE(question.icon, Dialogs::Icon::Question);
        QCOMPARE(question.buttons, (QList{Dialogs::Button::Yes, Dialogs::Button::No}));
        QCOMPARE(question.defaultButton, Dialogs::Button::No);
        QCOMPARE(env.recordCount(), 2);

        dialogs.setNextAnswer(Dialogs::Button::Yes);
        QTest::mouseClick(excluir, Qt::LeftButton);
        QCOMPARE(env.recordCount(), 1);
        QCOMPARE(control<QLineEdit>(cadastro, "DBAutorPrin")->text(), QStringLiteral("Bia"));
        QCOMPARE(cadastro->focusWidget(), control<QPushButton>(cadastro, "BtnIncluir"));

        dialogs.setNextAnswer(Dialogs::Button::Yes);
        QTest::mouseClick(excluir, Qt::LeftButton);
        QCOMPARE(env.recordCount(), 0);
        QCOMPARE(recordButtons(cadastro), kBrowseEmpty);
    }

    void changeOnAnEmptyTableStartsARecord() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnAlterar"), Qt::LeftButton);
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Insert);
        // Page 0 is shown: the name edit of page 1 is hidden and does not take the focus.
        QVERIFY(cadastro->focusWidget() != control<QLineEdit>(cadastro, "DBnome"));
    }

    void refreshIsRefusedWhileEditingAndReturnsToTheName() {
        TestEnvironment env;
        env.install();
        env.addRecords(
            {named(QStringLiteral("Ana")), named(QStringLiteral("Bia")), named(QStringLiteral("Caio"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        SharedTable* table = app->dataModule()->ADOTable1;
        table->moveTo(2);

        QTest::mouseClick(control<QPushButton>(cadastro, "BtnAlterar"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(cadastro, "Button8"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("Não é possível atualizar, a base está aberta para gravação.")});
        QCOMPARE(table->state(), SharedTable::State::Edit);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnCancelar"), Qt::LeftButton);

        env.addRecords({named(QStringLiteral("Dora"))}); // another machine adds a record
        QTest::mouseClick(control<QPushButton>(cadastro, "Button8"), Qt::LeftButton);
        QCOMPARE(table->recordCount(), 4);
        QCOMPARE(control<QLineEdit>(cadastro, "DBAutorPrin")->text(), QStringLiteral("Caio"));
    }

    void buttonsFollowTheTable() {
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("Ana"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        SharedTable* table = app->dataModule()->ADOTable1;
        QCOMPARE(recordButtons(cadastro), kBrowse);
        table->edit();
        QCOMPARE(recordButtons(cadastro), kEditing);
        table->cancel();
        table->close();
        QCOMPARE(recordButtons(cadastro), kClosed);
        QVERIFY(control<QLineEdit>(cadastro, "DBnome")->isReadOnly());
        QVERIFY(control<QPushButton>(cadastro, "Button8")->isEnabled());
        QVERIFY(control<QPushButton>(cadastro, "BtnSair")->isEnabled());
        table->open();
        QCOMPARE(recordButtons(cadastro), kBrowse);
    }

    void enterOnPageZeroCarriesTheCaret_data() {
        QTest::addColumn<QString>("summary");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("target");
        QTest::newRow("name") << "DBAutorPrin" << 1 << "DBnome";
        QTest::newRow("city") << "DBCidadeprin" << 1 << "DBCidade";
        QTest::newRow("case number") << "DBNProcprin" << 2 << "DBprocesso";
        QTest::newRow("court") << "DBVaraprin" << 2 << "DBvara";
        QTest::newRow("action") << "DBTAcaoprin" << 2 << "DBtipoacao";
        QTest::newRow("hearing date") << "DBDAprin" << 3 << "DBdataaudiencia";
        QTest::newRow("hearing time") << "DBHAprin" << 3 << "DBhoraaudiencia";
    }
    void enterOnPageZeroCarriesTheCaret() {
        QFETCH(QString, summary);
        QFETCH(int, page);
        QFETCH(QString, target);
        TestEnvironment env;
        env.install();
        env.addRecords({{{QStringLiteral("AGE_NOME"), QStringLiteral("Maria")},
                         {QStringLiteral("AGE_CIDADE"), QStringLiteral("Campinas")},
                         {QStringLiteral("AGE_PROC"), QStringLiteral("0001234")},
                         {QStringLiteral("AGE_VARA"), QStringLiteral("2ª Vara")},
                         {QStringLiteral("AGE_ACAO"), QStringLiteral("Cível")},
                         {QStringLiteral("AGE_DTAAUDIENCIA"), QStringLiteral("15/08/2020")},
                         {QStringLiteral("AGE_HORAAUDIENCIA"), QStringLiteral("09:30")}}});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 0);
        auto* edit = cadastro->findChild<QLineEdit*>(summary);
        edit->setFocus();
        edit->setCursorPosition(1); // at 2 a date or time edit adds its separator first
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(control<QTabWidget>(cadastro, "Cliente")->currentIndex(), page);
        QWidget* targetControl = cadastro->findChild<QWidget*>(target);
        QVERIFY(cadastro->focusWidget() == targetControl ||
                targetControl->isAncestorOf(cadastro->focusWidget()));
        auto* targetEdit = qobject_cast<QLineEdit*>(targetControl);
        if (!targetEdit)
            targetEdit = qobject_cast<QComboBox*>(targetControl)->lineEdit();
        QCOMPARE(targetEdit->cursorPosition(), 1);
        QCOMPARE(app->dataModule()->ADOTable1->state(), SharedTable::State::Browse);
    }

    void doubleClickOnATitleOpensTheEditor() {
        TestEnvironment env;
        env.install();
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 1);
        QTest::mouseDClick(control<QLabel>(cadastro, "Label008"), Qt::LeftButton);
        TitleEditor* editor = app->mudacampos();
        QVERIFY(editor->isVisible());
        QCOMPARE(control<QLineEdit>(editor, "Edit1")->text(), QStringLiteral("UF"));
        QCOMPARE(control<QLineEdit>(editor, "Edit2")->text(), QStringLiteral("Label008"));
        QVERIFY(!control<QLineEdit>(editor, "Edit2")->isVisible());

        QTest::mouseDClick(control<QLabel>(cadastro, "Label00"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>(editor, "Edit1")->text(), QStringLiteral("Código"));
        QCOMPARE(control<QLineEdit>(editor, "Edit2")->text(), QStringLiteral("Label00"));

        QTest::mouseClick(control<QPushButton>(cadastro, "Button10"), Qt::LeftButton);
        QCOMPARE(dialogs.texts().last(),
                 QStringLiteral("Para mudar o título do campo dê dois cliques rápidos sobre ele "
                                "e realize a mudança."));
    }

    void navigatorAndNameLabelsFollowTheRecord() {
        TestEnvironment env;
        env.install();
        env.addRecords(
            {named(QStringLiteral("Ana")), named(QStringLiteral("Bia")), named(QStringLiteral("Caio"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 4);
        auto* first = control<QToolButton>(cadastro, "nbFirst");
        auto* last = control<QToolButton>(cadastro, "nbLast");
        QVERIFY(!first->isEnabled());
        QTest::mouseClick(last, Qt::LeftButton);
        QCOMPARE(control<QLabel>(cadastro, "DBText3")->text(), QStringLiteral("Caio"));
        QVERIFY(!last->isEnabled());
        QTest::mouseClick(control<QToolButton>(cadastro, "nbPrior"), Qt::LeftButton);
        QCOMPARE(control<QLabel>(cadastro, "DBText1")->text(), QStringLiteral("Bia"));
        QCOMPARE(control<QTableView>(cadastro, "DBAlfabetico")->currentIndex().row(), 1);
        QCOMPARE(control<QTabWidget>(cadastro, "Cliente")->count(), 8);

        QTest::mouseClick(control<QPushButton>(cadastro, "BtnSair"), Qt::LeftButton);
        QVERIFY(!cadastro->isVisible());
        QCOMPARE(app->dataModule()->ADOTable1->currentRow(), 1);
    }

    // A record saved is on disk when "Gravar" returns: a child process saves and is
    // killed at once; the record is there afterwards.
    void savedRecordSurvivesAKill() {
        TestEnvironment env;
        env.install();
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--save-and-wait"), env.programFolder()});
        QVERIFY(child.waitForReadyRead(30000));
        const qint64 code = child.readLine().trimmed().toLongLong();
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QVERIFY(code > 0);
        QCOMPARE(env.storedText(code, QStringLiteral("AGE_NOME")), QStringLiteral("Gravado antes do fim"));
    }

    // The number column of both grids is filled, and ordering by the order list's default
    // entry ("Código") works.
    void numberColumnAndOrderByNumber() {
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("Bia")), named(QStringLiteral("Ana"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 5);
        for (const char* grid : {"DBAlfabetico", "DBfiltro"}) {
            QAbstractItemModel* model = control<QTableView>(cadastro, grid)->model();
            QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
            QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("1"));
            QCOMPARE(model->data(model->index(1, 0)).toString(), QStringLiteral("2"));
        }
        QCOMPARE(control<QComboBox>(cadastro, "Cordenar")->currentText(), QStringLiteral("Código"));
        QTest::mouseClick(control<QToolButton>(cadastro, "SpeedButton1"), Qt::LeftButton);
        QVERIFY(dialogs.shown.isEmpty());
        QCOMPARE(app->dataModule()->ADOTable1->sort(), QStringLiteral("Código ASC"));
    }

    // A record included into a table that already holds records shows in the grids at once,
    // and changing it afterwards keeps every field it has.
    void includedRecordShowsInTheGrids() {
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("Ana")), named(QStringLiteral("Bia"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 1);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
        typeText(control<QLineEdit>(cadastro, "DBnome"), QStringLiteral("Caio"));
        typeText(control<QLineEdit>(cadastro, "DBtelefone"), QStringLiteral("5555"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        QAbstractItemModel* grid = control<QTableView>(cadastro, "DBAlfabetico")->model();
        QCOMPARE(grid->data(grid->index(2, 0)).toString(), QStringLiteral("3"));
        QCOMPARE(grid->data(grid->index(2, 1)).toString(), QStringLiteral("Caio"));

        QTest::mouseClick(control<QToolButton>(cadastro, "nbFirst"), Qt::LeftButton);
        QTest::mouseClick(control<QToolButton>(cadastro, "nbLast"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>(cadastro, "DBtelefone")->text(), QStringLiteral("5555"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnAlterar"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
        QVERIFY(dialogs.shown.isEmpty());
        QCOMPARE(env.storedText(3, QStringLiteral("AGE_NOME")), QStringLiteral("Caio"));
        QCOMPARE(env.storedText(3, QStringLiteral("AGE_TEL")), QStringLiteral("5555"));
    }

    // Names and titles are shown as typed: markup in them is text.
    void labelsShowMarkupAsText() {
        TestEnvironment env;
        env.install();
        env.addRecords({named(QStringLiteral("<b>Ana</b> & Cia"))});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 2);
        app->cadastro()->applyTitle(QStringLiteral("Label000"), QStringLiteral("<i>Cliente</i>"));
        for (const char* name :
             {"DBText1", "DBText2", "DBText3", "Label000", "Label1", "Label014", "Label3"}) {
            auto* label = control<QLabel>(cadastro, name);
            QVERIFY2(label->textFormat() == Qt::PlainText, name);
        }
        QCOMPARE(control<QLabel>(cadastro, "DBText1")->text(), QStringLiteral("<b>Ana</b> & Cia"));
        QCOMPARE(control<QLabel>(cadastro, "Label1")->text(), QStringLiteral("<i>Cliente</i>"));
    }
};

// The child of savedRecordSurvivesAKill: saves one record, says its number, waits.
static int saveAndWait(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApplication(argc, argv);
    ScriptedDialogs dialogs;
    Application app(QString::fromLocal8Bit(argv[2]));
    app.principal()->vai();
    RegisterWindow* cadastro = openRegister(app, 1);
    QTest::mouseClick(control<QPushButton>(cadastro, "BtnIncluir"), Qt::LeftButton);
    typeText(control<QLineEdit>(cadastro, "DBnome"), QStringLiteral("Gravado antes do fim"));
    QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);
    const QByteArray line = control<QLineEdit>(cadastro, "DBcodigo")->text().toUtf8() + '\n';
    ::write(STDOUT_FILENO, line.constData(), line.size());
    for (;;)
        ::pause();
}

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--save-and-wait") == 0)
        return saveAndWait(argc, argv);
    return runWindowTest<TestRecordEditing>(argc, argv);
}

#include "tst_recordediting.moc"
