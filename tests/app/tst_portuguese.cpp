// Qt's own windows speak Portuguese: the file dialog, the print dialog and the edits' menu,
// and dates in the Brazilian form.

#include "app/application.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

namespace {

QStringList buttonTexts(QWidget* dialog) {
    QStringList texts;
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        texts << button->text().remove(u'&');
    return texts;
}

QStringList labelTexts(QWidget* dialog) {
    QStringList texts;
    for (auto* label : dialog->findChildren<QLabel*>())
        texts << label->text().remove(u'&');
    return texts;
}

} // namespace

class TestPortuguese : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { Application::speakPortuguese(); }

    void fileDialog() {
        QFileDialog dialog(nullptr, QStringLiteral("Salvar Formulário"), QDir::tempPath(),
                           QStringLiteral("Arquivos htm (*.htm)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList buttons = buttonTexts(&dialog);
        QVERIFY2(buttons.contains(QStringLiteral("Salvar")), qPrintable(buttons.join(u'|')));
        QVERIFY2(buttons.contains(QStringLiteral("Cancelar")), qPrintable(buttons.join(u'|')));
        const QStringList labels = labelTexts(&dialog);
        QVERIFY2(labels.contains(QStringLiteral("Nome do arquivo:")), qPrintable(labels.join(u'|')));
        QCOMPARE(QLocale().toString(QDate(2026, 12, 10), QLocale::ShortFormat), QStringLiteral("10/12/2026"));
    }

    void printDialog() {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        const QStringList buttons = buttonTexts(&dialog);
        QVERIFY2(buttons.contains(QStringLiteral("Imprimir")), qPrintable(buttons.join(u'|')));
        QVERIFY2(buttons.contains(QStringLiteral("Cancelar")), qPrintable(buttons.join(u'|')));
    }

    void editMenu() {
        QLineEdit edit(QStringLiteral("texto"));
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text().remove(u'&').section(u'\t', 0, 0);
        QVERIFY2(texts.contains(QStringLiteral("Copiar")), qPrintable(texts.join(u'|')));
        QVERIFY2(texts.contains(QStringLiteral("Colar")), qPrintable(texts.join(u'|')));
    }
};

QTEST_MAIN(TestPortuguese)
#include "tst_portuguese.moc"
