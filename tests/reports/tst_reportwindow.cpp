// The report window with the real browser: edit mode, document and editing commands, form
// letters saved and opened again, page scripts kept off, printing, and the font boxes that
// repeat the listing.

#include "app/application.h"
#include "app/mainwindow.h"
#include "common/windows1252.h"
#include "controls.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "files.h"
#include "register/registerwindow.h"
#include "reports/browser.h"
#include "reports/listingwriter.h"
#include "reports/reportwindows.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QWebEngineView>

namespace {

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    ReportWindow* report = nullptr;
    Browser* browser = nullptr;

    explicit Program(int hearings = 3) {
        env.install();
        QList<QMap<QString, QString>> records;
        for (int i = 1; i <= hearings; ++i)
            records.append(
                {{"AGE_NOME", QStringLiteral("Cliente %1").arg(i, 2, 10, QChar(u'0'))},
                 {"AGE_CIDADE", QStringLiteral("São Paulo")},
                 {"AGE_PROC", QStringLiteral("000%1-12.2024.8.26.0100").arg(i)},
                 {"AGE_VARA", QStringLiteral("%1ª Vara Cível").arg(i % 5 + 1)},
                 {"AGE_ACAO", QStringLiteral("Indenização")},
                 {"AGE_DTAAUDIENCIA", QStringLiteral("%1/03/2025").arg(i % 28 + 1, 2, 10, QChar(u'0'))},
                 {"AGE_HORAAUDIENCIA", QStringLiteral("%1:00").arg(8 + i % 9, 2, 10, QChar(u'0'))}});
        env.addRecords(records);
        app = startProgram(env);
        report = app->impressao();
        browser = report->browser();
    }
    QString file(const QString& name) const { return env.root() + name; }
    void click(const char* button) {
        QTest::mouseClick(control<QToolButton>(report, button), Qt::LeftButton);
    }
    void agenda() {
        openRegister(*app, 6);
        QTest::mouseClick(control<QPushButton>(app->cadastro(), "BTNFormulario"), Qt::LeftButton);
        QVERIFY(waitForLoad());
    }
    bool waitForLoad() {
        QSignalSpy loaded(browser, &Browser::loadFinished);
        return !browser->loading() || loaded.wait(20000);
    }
    void open(const QString& path) {
        dialogs.setNextFile(path);
        click("SpeedButton15");
        QVERIFY(waitForLoad());
    }
    QString designMode() { return browser->evaluate(QStringLiteral("document.designMode")).toString(); }
    QString bodyText() { return browser->evaluate(QStringLiteral("document.body.innerText")).toString(); }
    // Selects the text of the first element matching `selector`.
    void select(const QString& selector) {
        browser->evaluate(QStringLiteral("var range = document.createRange();"
                                         "range.selectNodeContents(document.querySelector('%1'));"
                                         "getSelection().removeAllRanges(); getSelection().addRange(range);")
                              .arg(selector));
    }
    void save(const QString& path) {
        dialogs.setNextFile(path);
        click("SpeedButton14");
    }
};

} // namespace

class TestReportWindow : public QObject {
    Q_OBJECT

  private slots:
    void createdWithAnEmptyPageInEditMode() {
        Program program;
        QVERIFY(program.waitForLoad());
        QCOMPARE(program.browser->view()->url().toString(), QStringLiteral("about:blank"));
        QCOMPARE(program.designMode(), QStringLiteral("on"));
        QCOMPARE(program.report->objectName(), QStringLiteral("TFRM_Impressao"));
        QCOMPARE(program.browser->view()->objectName(), QStringLiteral("WebBrowser1"));
    }

    // Bold on a selection reaches the saved letter; the name gets ".htm" and an existing
    // file is replaced only after a question.
    void boldSelectionIsSaved() {
        Program program;
        writeFile(program.file("carta.htm"),
                  "<html><body><p>Prezado cliente</p><p>Atenciosamente</p></body></html>");
        program.open(program.file("carta.htm"));
        QCOMPARE(program.designMode(), QStringLiteral("off")); // not until "Modo Editar Texto"
        program.click("SpeedButton16");
        QCOMPARE(program.designMode(), QStringLiteral("on"));
        program.select(QStringLiteral("p"));
        program.click("SpeedButton9");
        program.save(program.file("resposta"));
        const QString saved = QString::fromUtf8(bytesOf(program.file("resposta.htm")));
        QVERIFY2(saved.contains(QStringLiteral("<b>Prezado cliente</b>")), qPrintable(saved));
        QVERIFY(saved.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        QVERIFY(program.dialogs.shown.isEmpty());

        program.dialogs.setNextAnswer(Dialogs::Button::No);
        program.select(QStringLiteral("p:last-child"));
        program.click("SpeedButton10");
        program.save(program.file("resposta.htm"));
        QCOMPARE(program.dialogs.shown.size(), 1);
        QVERIFY(!QString::fromUtf8(bytesOf(program.file("resposta.htm"))).contains(QStringLiteral("<i>")));
        program.dialogs.setNextAnswer(Dialogs::Button::Yes);
        program.save(program.file("resposta.htm"));
        QVERIFY(QString::fromUtf8(bytesOf(program.file("resposta.htm")))
                    .contains(QStringLiteral("<i>Atenciosamente</i>")));

        // The document's file is now the one it was saved as; a cancelled dialog changes
        // nothing.
        program.dialogs.clear();
        program.save(QString());
        program.click("SpeedButton15");
        QVERIFY(program.dialogs.shown.isEmpty());
        QCOMPARE(program.browser->currentPath(), program.file("resposta.htm"));
    }

    // The colour and picture buttons ask first; a cancelled dialog changes nothing.
    void colourAndPicture() {
        Program program;
        writeFile(program.file("carta.htm"), "<html><body><p>Texto</p></body></html>");
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QVERIFY(picture.save(program.file("logo.png")));
        program.open(program.file("carta.htm"));
        program.click("SpeedButton16");
        program.select(QStringLiteral("p"));
        program.dialogs.setNextColor(std::nullopt);
        program.click("SpeedButton12");
        program.dialogs.setNextColor(QColor(Qt::red));
        program.click("SpeedButton12");
        program.browser->evaluate(QStringLiteral("getSelection().collapseToEnd();"));
        program.dialogs.setNextFile(QString());
        program.click("SpeedButton13");
        program.dialogs.setNextFile(program.file("logo.png"));
        program.click("SpeedButton13");
        program.save(program.file("colorida.htm"));
        const QString saved = QString::fromUtf8(bytesOf(program.file("colorida.htm")));
        QVERIFY2(saved.contains(QStringLiteral("color=\"#ff0000\"")), qPrintable(saved));
        QCOMPARE(saved.count(QStringLiteral("<img")), 1);
        QVERIFY(saved.contains(QUrl::fromLocalFile(program.file("logo.png")).toString()));
    }

    // Accents and typographic characters survive a save, a reopen and a second save.
    void lettersKeepEveryCharacter() {
        Program program;
        const QString text = QStringLiteral("Ação – São Paulo “teste” €");
        QByteArray old("<html><body><p>");
        QVERIFY(Windows1252::encode(text, old));
        writeFile(program.file("carta.htm"), old + "</p></body></html>");
        program.open(program.file("carta.htm")); // an old letter in Windows-1252, declaring nothing
        QCOMPARE(program.bodyText(), text);
        program.save(program.file("uma.htm"));
        program.open(program.file("uma.htm"));
        QCOMPARE(program.bodyText(), text);
        program.save(program.file("duas.htm"));
        QVERIFY(QString::fromUtf8(bytesOf(program.file("duas.htm"))).contains(text));
    }

    void pageScriptsDoNotRun() {
        Program program;
        writeFile(program.file("script.htm"), "<html><head><title>Original</title></head><body><p>Carta</p>"
                                              "<script>document.title = 'Mudado';</script></body></html>");
        program.open(program.file("script.htm"));
        QCOMPARE(program.browser->view()->title(), QStringLiteral("Original"));
        QCOMPARE(program.browser->evaluate(QStringLiteral("document.title")).toString(),
                 QStringLiteral("Original"));
    }

    // A font chosen in the report window repeats the listing in it; before any listing it
    // does nothing.
    void fontBoxesRepeatTheListing() {
        Program program;
        const QString listing = program.env.settingsFolder() + QStringLiteral("temp.htm");
        auto* size = control<QComboBox>(program.report, "Cfont");
        size->setCurrentIndex(size->findText(QStringLiteral("12")));
        emit size->activated(size->currentIndex());
        QVERIFY(!QFile::exists(listing));

        program.agenda();
        const auto styleLines = [&] {
            const QStringList lines = Windows1252::decode(bytesOf(listing)).split(QStringLiteral("\r\n"));
            const qsizetype first = lines.indexOf(ListingWriter::styleSheet("12", "Arial").first());
            QStringList picked;
            for (int number : {24, 31, 45, 56, 59, 65})
                picked << lines.value(first + number - 1);
            return picked;
        };
        QCOMPARE(styleLines(),
                 (QStringList{
                     "\tfont-size:12.0pt;font-family:Arial;", "\tfont-size:12.0pt;font-family:Arial;",
                     "\tfont-size:12.0pt;font-family:Arial;",
                     "thead td\t{font-size:12.0pt;font-family:Arial;}", "\tfont-size:12pt;font-family:Arial;",
                     "thead tr\t{position: static;font-size:12.0pt;font-family:Arial;} "
                     "/*prevent problem if print after scrolling table*/"}));
        program.click("SpeedButton16"); // an edit is replaced by the fresh listing
        size->setCurrentIndex(size->findText(QStringLiteral("7")));
        emit size->activated(size->currentIndex());
        QVERIFY(program.waitForLoad());
        QCOMPARE(styleLines().first(), QStringLiteral("\tfont-size:7.0pt;font-family:Arial;"));
        QCOMPARE(program.designMode(), QStringLiteral("off"));
    }

    void buttonsLeadBackToTheRegister_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("page");
        QTest::newRow("Filtrar Consulta") << "SpeedButton4" << 7;
        QTest::newRow("Formulário") << "SpeedButton7" << 6;
    }
    void buttonsLeadBackToTheRegister() {
        QFETCH(QString, button);
        QFETCH(int, page);
        Program program;
        program.agenda();
        QVERIFY(program.report->isVisible());
        program.click(qPrintable(button));
        QVERIFY(!program.report->isVisible());
        QVERIFY(program.app->cadastro()->isVisible());
        QCOMPARE(control<QTabWidget>(program.app->cadastro(), "Cliente")->currentIndex(), page);
    }

    // Printing needs no printer: the print dialog prints to a PDF file, and the preview
    // draws the listing's pages.
    void printingToPdf() {
        Program program(20);
        program.agenda();
        const QString pdf = program.file("agenda.pdf");
        program.dialogs.setNextPrinterAnswer([](QPrinter&) { return false; });
        program.click("SpeedButton5"); // cancelled: nothing printed
        QVERIFY(!QFile::exists(pdf));
        program.dialogs.setNextPrinterAnswer([&pdf](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        program.click("SpeedButton5");
        QCOMPARE(program.dialogs.printerDialogs,
                 (QList{Dialogs::PrinterDialog::Print, Dialogs::PrinterDialog::Print}));
        QVERIFY(bytesOf(pdf).startsWith("%PDF"));
        if (const QByteArray keep = qgetenv("VELMORA_KEEP_PDF"); !keep.isEmpty())
            QFile::copy(pdf, QString::fromLocal8Bit(keep));

        const QString preview = program.file("preview.pdf");
        program.dialogs.onPreview = [&preview](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(preview);
        };
        program.click("SpeedButton2");
        QCOMPARE(program.dialogs.previews, 1);
        QVERIFY(bytesOf(preview).startsWith("%PDF"));
        program.click("SpeedButton1");
        QCOMPARE(program.dialogs.printerDialogs.last(), Dialogs::PrinterDialog::PageSetup);
        QVERIFY(program.dialogs.shown.isEmpty());
    }
};

VELMORA_WINDOW_TEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
