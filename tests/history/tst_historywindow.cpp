// "Histórico" on the register: the current record's changes field by field under their
// titles, and a deleted record brought back from the list of deleted ones, shown in the
// register with its number.

#include "app/application.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "history/historywindow.h"
#include "register/registerwindow.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

namespace {

// The texts of a grid's rows, the columns joined by "|".
QStringList rows(QTableView* grid, const QList<int>& columns) {
    QStringList texts;
    const QAbstractItemModel* model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column : columns)
            cells << model->index(row, column).data().toString();
        texts << cells.join(u'|');
    }
    return texts;
}

} // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT

  private slots:
    void changesShownAndADeletedRecordBroughtBack() {
        TestEnvironment env;
        env.install();
        env.addRecords({{{"AGE_NOME", "Ana"}}, {{"AGE_NOME", "Bia"}, {"AGE_TEL", "1111"}}});
        ScriptedDialogs dialogs;
        auto app = startProgram(env);
        RegisterWindow* cadastro = openRegister(*app, 1);
        SharedTable* table = app->dataModule()->ADOTable1;
        table->moveTo(1);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnAlterar"), Qt::LeftButton);
        auto* telephone = control<QLineEdit>(cadastro, "DBtelefone");
        telephone->selectAll();
        QTest::keyClicks(telephone, QStringLiteral("2222"));
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnGravar"), Qt::LeftButton);

        QTest::mouseClick(control<QPushButton>(cadastro, "BtnHistorico"), Qt::LeftButton);
        HistoryWindow* window = app->historico();
        QVERIFY(window->isVisible());
        QCOMPARE(control<QTabWidget>(window, "Paginas")->currentIndex(), 0);
        QVERIFY(
            control<QLabel>(window, "LabelRegistro")->text().contains(QStringLiteral("Registro 2 — Bia")));
        // Action, field, before, after: the test wrote the record, the register changed it.
        QCOMPARE(
            rows(control<QTableView>(window, "DBHistorico"), {3, 4, 5, 6}),
            (QStringList{"inclusão|Nome||Bia", "inclusão|Telefone||1111", "alteração|Telefone|1111|2222"}));

        dialogs.setNextAnswer(Dialogs::Button::Yes);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnExcluir"), Qt::LeftButton);
        QCOMPARE(table->recordCount(), 1);
        QTest::mouseClick(control<QPushButton>(cadastro, "BtnHistorico"), Qt::LeftButton);
        auto* deleted = control<QTableView>(window, "DBExcluidos");
        QCOMPARE(rows(deleted, {0, 1}), QStringList{"2|Bia"});
        deleted->setCurrentIndex(deleted->model()->index(0, 0));
        dialogs.clear();
        QTest::mouseClick(control<QPushButton>(window, "BtnRestaurar"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{"O registro 2 foi restaurado."});
        QCOMPARE(rows(deleted, {0}), QStringList());
        QVERIFY(!control<QPushButton>(window, "BtnRestaurar")->isEnabled());
        QCOMPARE(table->recordCount(), 2);
        QCOMPARE(control<QLineEdit>(cadastro, "DBcodigo")->text(), QStringLiteral("2"));
        QCOMPARE(control<QLineEdit>(cadastro, "DBnome")->text(), QStringLiteral("Bia"));
        QCOMPARE(control<QLineEdit>(cadastro, "DBtelefone")->text(), QStringLiteral("2222"));
    }
};

VELMORA_WINDOW_TEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
