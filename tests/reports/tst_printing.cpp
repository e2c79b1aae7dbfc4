// Listings and letters leaving the program: a listing of 30,000 records printed and saved
// as PDF straight from its records, with its text as text; a letter printed through the
// browser; the screen showing a long listing in part; names, cancelling and what is left
// on disk. PDFs are read back with poppler's tools.

#include "app/application.h"
#include "controls.h"
#include "files.h"
#include "register/registerwindow.h"
#include "reports/browser.h"
#include "reports/reportwindows.h"
#include "scripteddialogs.h"
#include "scriptedprogress.h"
#include "testenvironment.h"
#include "windowsupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

namespace {

QString nameOf(int record) {
    return QStringLiteral("Cliente %1 Ação").arg(record, 5, 10, QChar(u'0'));
}

// What a poppler tool prints for a file.
QString popplerOutput(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A PDF's text in the order it was drawn, a cell's lines joined, pages apart.
QString pdfText(const QString& path) {
    QString text =
        popplerOutput(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")});
    text.replace(u'\n', u' ');
    return text;
}

struct Program {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    ReportWindow* report = nullptr;
    Browser* browser = nullptr;

    explicit Program(int records) {
        env.install();
        QList<QMap<QString, QString>> fields;
        for (int i = 1; i <= records; ++i)
            fields.append({{"AGE_NOME", nameOf(i)},
                           {"AGE_PROC", QStringLiteral("%1-12.2024.8.26.0100").arg(i, 7, 10, QChar(u'0'))},
                           {"AGE_VARA", QStringLiteral("%1ª Vara Cível").arg(i % 9 + 1)},
                           {"AGE_DTAAUDIENCIA", QStringLiteral("14/03/2025")}});
        env.addRecords(fields);
        app = startProgram(env);
        report = app->impressao();
        browser = report->browser();
    }
    QString file(const QString& name) const { return env.root() + name; }
    QString settings(const QString& name) const { return env.settingsFolder() + name; }
    void click(const char* button) {
        QTest::mouseClick(control<QToolButton>(report, button), Qt::LeftButton);
    }
    bool waitForLoad() {
        QSignalSpy loaded(browser, &Browser::loadFinished);
        return !browser->loading() || loaded.wait(30000);
    }
    // "Visualizar Relatório": every record, in the order of their numbers.
    void listing() {
        openRegister(*app, 7);
        QTest::mouseClick(control<QPushButton>(app->cadastro(), "Button3"), Qt::LeftButton);
        QVERIFY(waitForLoad());
    }
    void printTo(const QString& pdf) {
        dialogs.setNextPrinterAnswer([pdf](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        click("SpeedButton5");
    }
    void savePdf(const QString& name) {
        dialogs.setNextFile(name);
        click("BtnSalvarPDF");
    }
};

// Checks that a PDF's text holds the records' names in order and the title row on every
// page.
void checkListingPdf(const QString& pdf, int records) {
    QVERIFY2(QFileInfo::exists(pdf), qPrintable(pdf));
    QVERIFY(!QFileInfo::exists(pdf + QStringLiteral(".parcial")));
    const QString text = pdfText(pdf);
    qsizetype at = 0;
    for (int record = 1; record <= records; ++record) {
        at = text.indexOf(nameOf(record), at);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("%1 missing or out of order").arg(nameOf(record))));
    }
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    QVERIFY(pages.size() > records / 100);
    for (const QString& page : pages) {
        if (!page.trimmed().isEmpty())
            QVERIFY2(page.contains(QStringLiteral("Nº do Processo:")), qPrintable(page.left(300)));
    }
    // Text kept as text, in a font of its own.
    QVERIFY(popplerOutput(QStringLiteral("pdffonts"), {pdf}).contains(QStringLiteral("Liberation")));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

  private slots:
    void largeListingPrintedAndSavedWhole() {
        constexpr int kRecords = 30000;
        Program program(kRecords);
        program.listing();
        // The screen shows the first part and says so; the listing file holds every record.
        QCOMPARE(program.browser->currentPath(), program.settings(QStringLiteral("temp-tela.htm")));
        const QString shown = program.browser->evaluate(QStringLiteral("document.body.innerText")).toString();
        QVERIFY2(shown.contains(QStringLiteral("A listagem tem 30.000 registros")),
                 qPrintable(shown.left(300)));
        QCOMPARE(QString::fromLatin1(bytesOf(program.settings(QStringLiteral("temp.htm"))))
                     .count(QStringLiteral("<tr>\r\n<td>")),
                 kRecords);
        QVERIFY(program.report->isMaximized());

        ScriptedProgress progress;
        const QString printed = program.file(QStringLiteral("impressa.pdf"));
        program.printTo(printed);
        QVERIFY2(program.dialogs.shown.isEmpty(), qPrintable(program.dialogs.texts().join(u'|')));
        checkListingPdf(printed, kRecords);
        QCOMPARE(progress.cancellable.value(0), true);
        QCOMPARE(progress.last, kRecords);

        // "Salvar PDF" asks for the name once and adds ".pdf".
        const int asked = static_cast<int>(program.dialogs.fileRequests.size());
        program.savePdf(program.file(QStringLiteral("salva")));
        QCOMPARE(program.dialogs.fileRequests.size(), asked + 1);
        QCOMPARE(program.dialogs.fileRequests.last().filter, QStringLiteral("Arquivos PDF (*.pdf)"));
        checkListingPdf(program.file(QStringLiteral("salva.pdf")), kRecords);
        QVERIFY(program.dialogs.shown.isEmpty());
    }

    // Given up half-way, a PDF leaves nothing behind, under its name or another.
    void cancelledPdfLeavesNothing() {
        Program program(3000);
        program.listing();
        ScriptedProgress progress;
        progress.cancelAfter = 500;
        program.savePdf(program.file(QStringLiteral("desistida.pdf")));
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"A gravação do PDF foi cancelada; nenhum arquivo foi gravado."});
        QCOMPARE(QDir(program.env.root()).entryList({QStringLiteral("desistida*")}, QDir::Files),
                 QStringList());

        program.dialogs.clear();
        program.printTo(program.file(QStringLiteral("desistida.pdf")));
        QCOMPARE(program.dialogs.texts(), QStringList{"A impressão foi cancelada."});
        QCOMPARE(QDir(program.env.root()).entryList({QStringLiteral("desistida*")}, QDir::Files),
                 QStringList());
    }

    // With no printer the print dialog offers a PDF file by name, not only a folder.
    void printDialogOffersAFileName() {
        Program program(3);
        program.listing();
        QString offered;
        program.dialogs.setNextPrinterAnswer([&offered](QPrinter& printer) {
            offered = printer.outputFileName();
            return false;
        });
        program.click("SpeedButton5");
        QVERIFY2(offered.endsWith(QStringLiteral("/listagem.pdf")), qPrintable(offered));
    }

    // A short listing is shown whole, without a blank band under its title row.
    void shortListingShownWhole() {
        Program program(40);
        program.listing();
        QCOMPARE(program.browser->currentPath(), program.settings(QStringLiteral("temp.htm")));
        const double band = program.browser
                                ->evaluate(QStringLiteral(
                                    "document.querySelector('table > tbody').getBoundingClientRect().height"))
                                .toDouble();
        QVERIFY2(band < 20, qPrintable(QString::number(band)));
        QVERIFY(!program.browser->edited());
    }

    // A letter with accents and a picture prints through the browser with its text as text;
    // a name with dots of its own still gets ".htm".
    void letterPrintsWithItsText() {
        Program program(1);
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::darkBlue);
        picture.save(program.file(QStringLiteral("logo.png")));
        writeFile(
            program.file(QStringLiteral("carta.htm")),
            QByteArray("<html><head><meta charset=\"utf-8\"></head><body><img src=\"logo.png\">"
                       "<p>Prezada Sra. Conceição, a audiência da ação de indenização será em São Paulo.</p>"
                       "</body></html>"));
        program.dialogs.setNextFile(program.file(QStringLiteral("carta.htm")));
        program.click("SpeedButton15");
        QVERIFY(program.waitForLoad());

        const QString printed = program.file(QStringLiteral("carta-impressa.pdf"));
        program.printTo(printed);
        QVERIFY2(program.dialogs.shown.isEmpty(), qPrintable(program.dialogs.texts().join(u'|')));
        const QString text = pdfText(printed);
        QVERIFY2(text.contains(QStringLiteral("Prezada Sra. Conceição")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("ação de indenização será em São Paulo")));
        QVERIFY(popplerOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), printed})
                    .split(u'\n', Qt::SkipEmptyParts)
                    .size() > 2);

        program.savePdf(program.file(QStringLiteral("carta-salva")));
        QVERIFY(
            pdfText(program.file(QStringLiteral("carta-salva.pdf"))).contains(QStringLiteral("Conceição")));

        program.dialogs.setNextFile(program.file(QStringLiteral("Carta Dr. Silva")));
        program.click("SpeedButton14");
        QVERIFY(QFileInfo::exists(program.file(QStringLiteral("Carta Dr. Silva.htm"))));
        QCOMPARE(program.browser->currentPath(), program.file(QStringLiteral("Carta Dr. Silva.htm")));
        QVERIFY(program.dialogs.shown.isEmpty());
    }
};

VELMORA_WINDOW_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
