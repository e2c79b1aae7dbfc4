// Benchmark: generates N realistic case records into a base.mdb and times, through the
// classes the windows use, the register's interactions at that size. Beside each figure
// stands the sqlite3 shell's time for the equivalent query on the same file.
//
//   velmora-bench [--records N] [--folder DIR] [--steps register,listing,pdf,ics,backup,transfer,windows]
//   velmora-bench --windows-base FILE     times the conversion of a Windows edition's base
//   velmora-bench --servidor URI [--records N] [--steps register,listing,transfer,backup,send]
//                                         the same on a server's base, beside psql
//
// The "pdf" step prints the hearing agenda of every record to a PDF, as " Imprimir" does,
// beside headless Chromium printing the same temp.htm (Debian's chromium package).
//
// The folder defaults to a temporary one; an existing base.mdb of the right size there is
// reused, so a large base is generated only once.

#include "backup/databasebackup.h"
#include "benchrecords.h"
#include "benchserver.h"
#include "benchsteps.h"
#include "calendar/hearingevents.h"
#include "common/apperror.h"
#include "common/folders.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/gridmodel.h"
#include "data/legalnumbers.h"
#include "data/nativequery.h"
#include "data/recordreader.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "data/sharedtable.h"
#include "data/windowsbase.h"
#include "register/searchrules.h"
#include "reports/listingcolumns.h"
#include "reports/listingpages.h"
#include "reports/listingwriter.h"
#include "titles/titlecatalogue.h"
#include "transfer/transfersource.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QXmlStreamWriter>
#include <numeric>
#include <sys/resource.h>

namespace {

using namespace Bench;

void generate(const QString& path, int count) {
    QFile::remove(path);
    const Database db = Database::openFile(path, true);
    Schema::exec(db, QStringLiteral("PRAGMA journal_mode = OFF"));
    Schema::exec(db, QStringLiteral("PRAGMA synchronous = OFF"));
    Schema::exec(db, QStringLiteral("PRAGMA cache_size = -200000"));
    Schema::create(db, false);
    QRandomGenerator random(20261209);
    {
        RecordWriter writer(db);
        for (int i = 0; i < count; ++i)
            writer.insert(generateRecord(random));
        writer.commit();
    }
    Schema::createIndexes(db);
    Schema::exec(db, QStringLiteral("ANALYZE"));
}

qint64 storedCount(const QString& path) {
    qint64 count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT count(*) FROM clientes")) && query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return count;
}

// Runs statements in the sqlite3 shell with the timer on; the real time of each, in ms.
QList<double> shellTimes(const QString& path, const QStringList& statements) {
    QString script = QStringLiteral(".timer on\n");
    for (const QString& statement : statements)
        script += QStringLiteral(".once /dev/null\n") + statement + u'\n';
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {path});
    if (!shell.waitForStarted(10000))
        return {};
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    QList<double> times;
    static const QRegularExpression runTime(QStringLiteral(R"(Run Time: real ([0-9.]+))"));
    auto matches = runTime.globalMatch(QString::fromUtf8(shell.readAllStandardOutput()));
    while (matches.hasNext())
        times << matches.next().captured(1).toDouble() * 1000.0;
    return times;
}

// The hearing agenda as "Visualizar Formulário" makes it: by city, date and time, the
// hearing grid's fields under their default titles.
ListingInputs agendaInputs() {
    ListingInputs inputs;
    for (const QString& id : TitleCatalogue::hearingGridIds())
        inputs.columns.append({TitleCatalogue::byId(id)->field, TitleCatalogue::byId(id)->defaultTitle});
    return inputs;
}

// --pdf-only: the agenda of every record written as the report window writes it, then
// printed to agenda.pdf as " Imprimir" prints it, in a process of its own so that the
// peak memory is the printing's. Prints "<pdf ms> <peak MB> <pages>".
int agendaPdf(const QString& folder) {
    Connection connection;
    connection.setConnectionString(Connection::startupText(Folders::devolvebarra(folder)));
    connection.open();
    SharedTable table(&connection);
    table.open();
    table.setSort(SearchRules::agendaOrder(false));
    const ListingInputs inputs = agendaInputs();
    const MadeListing made = makeListing(table, inputs, Folders::devolvebarra(folder), kShownRows);
    ListingPages::Outcome outcome;
    const double ms = timed([&] {
        QPdfWriter writer(QDir(folder).filePath(QStringLiteral("agenda.pdf")));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        QPainter painter(&writer);
        outcome = ListingPages(ListingWriter(inputs)).paint(painter, writer, made.records, {}, {});
    });
    out() << ms << ' ' << peakMemoryMB() << ' ' << outcome.pages << Qt::endl;
    return 0;
}

// --ics-only: the hearings of every record exported to agenda.ics as "Exportar Agenda (.ics)"
// does, in a process of its own so that the peak memory is the export's. Prints "<ms> <peak
// MB> <events>".
int agendaIcs(const QString& folder) {
    Connection connection;
    connection.setConnectionString(Connection::startupText(Folders::devolvebarra(folder)));
    connection.open();
    SharedTable table(&connection);
    table.open();
    HearingEvents::Exported exported;
    const double ms = timed([&] {
        RecordReader reader = table.reader(HearingEvents::columns());
        const HearingEvents::Maker maker(Schema::identity(connection.database()), {}, {});
        exported =
            HearingEvents::exportFile(QDir(folder).filePath(QStringLiteral("agenda.ics")), reader, maker);
    });
    out() << ms << ' ' << peakMemoryMB() << ' ' << exported.events << Qt::endl;
    return 0;
}

// Headless Chromium printing a listing file to PDF: its time, the peak memory of its
// largest process, and whether it wrote the file.
struct ChromiumRun {
    double ms = 0;
    long peakMB = 0;
    bool written = false;
};
ChromiumRun chromiumPdf(const QString& htm, const QString& pdf) {
    QFile::remove(pdf);
    QTemporaryDir profile;
    ChromiumRun run;
    run.ms = timed([&] {
        QProcess::execute(
            QStringLiteral("chromium"),
            {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
             QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
             QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
             QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--no-pdf-header-footer"),
             QStringLiteral("--print-to-pdf=") + pdf, QUrl::fromLocalFile(htm).toString()});
    });
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    run.peakMB = usage.ru_maxrss / 1024;
    run.written = QFileInfo(pdf).size() > 0;
    return run;
}

// Converts copies of a Windows edition's base in `folder`: the median time of three runs.
int convertWindowsBase(const QString& windowsBase, const QString& folder) {
    constexpr int kRuns = 3;
    const QString base = QDir(folder).filePath(QStringLiteral("base.mdb"));
    int records = 0;
    QList<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(base);
        QFile::remove(QDir(folder).filePath(QStringLiteral("base-windows.mdb")));
        if (!QFile::copy(windowsBase, base))
            throw AppError(QStringLiteral("cannot copy %1").arg(windowsBase));
        times << timed([&] { records = WindowsBase::convert(Folders::devolvebarra(folder)).records; });
    }
    out() << QFileInfo(windowsBase).fileName() << ": " << records << " records converted in "
          << QString::number(median(times), 'f', 1) << " ms (median of " << kRuns << ")" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Only the printing needs fonts and a paint device, and no screen.
    const bool printing =
        std::any_of(argv, argv + argc, [](const char* arg) { return qstrcmp(arg, "--pdf-only") == 0; });
    if (printing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application = printing ? std::make_unique<QGuiApplication>(argc, argv)
                                                             : std::make_unique<QCoreApplication>(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("records"), QStringLiteral("Number of records."), QStringLiteral("N"),
                      QStringLiteral("100000")});
    parser.addOption(
        {QStringLiteral("folder"), QStringLiteral("Folder of the base."), QStringLiteral("DIR")});
    parser.addOption(
        {QStringLiteral("generate-only"), QStringLiteral("Only write the base (used internally, so "
                                                         "that generating does not count in the "
                                                         "peak memory).")});
    parser.addOption({QStringLiteral("windows-base"),
                      QStringLiteral("Only convert a copy of this Windows edition's base.mdb and time it."),
                      QStringLiteral("FILE")});
    parser.addOption(
        {QStringLiteral("pdf-only"), QStringLiteral("Only print the agenda to a PDF (used internally).")});
    parser.addOption({QStringLiteral("ics-only"),
                      QStringLiteral("Only export the hearings to an .ics file (used internally).")});
    parser.addOption(
        {QStringLiteral("servidor"),
         QStringLiteral("Run on this server's base (a libpq URI) beside psql: the steps register, "
                        "listing, transfer, backup and send."),
         QStringLiteral("URI")});
    parser.addOption(
        {QStringLiteral("steps"),
         QStringLiteral("The steps to run: register, listing, pdf, ics, backup, transfer, windows "
                        "(and send, on a server)."),
         QStringLiteral("LIST"), QStringLiteral("register,listing,pdf,ics,backup,transfer,windows,send")});
    parser.process(*application);
    const int count = parser.value(QStringLiteral("records")).toInt();
    const QStringList chosen = parser.value(QStringLiteral("steps")).split(u',');
    const auto wanted = [&chosen](const char* step) { return chosen.contains(QString::fromUtf8(step)); };

    QTemporaryDir temporary;
    const QString folder =
        parser.isSet(QStringLiteral("folder")) ? parser.value(QStringLiteral("folder")) : temporary.path();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("base.mdb"));
    try {
        if (parser.isSet(QStringLiteral("windows-base")))
            return convertWindowsBase(parser.value(QStringLiteral("windows-base")), folder);
        if (parser.isSet(QStringLiteral("generate-only"))) {
            generate(path, count);
            return 0;
        }
        if (parser.isSet(QStringLiteral("pdf-only")))
            return agendaPdf(folder);
        if (parser.isSet(QStringLiteral("ics-only")))
            return agendaIcs(folder);
        if (parser.isSet(QStringLiteral("servidor")))
            return Bench::runOnServer(parser.value(QStringLiteral("servidor")), count, chosen, folder);
        if (storedCount(path) != count) {
            out() << "Generating " << count << " records into " << path << " ..." << Qt::endl;
            const double ms = timed([&] {
                QProcess::execute(QCoreApplication::applicationFilePath(),
                                  {QStringLiteral("--generate-only"), QStringLiteral("--records"),
                                   QString::number(count), QStringLiteral("--folder"), folder});
            });
            out() << "  generated in " << QString::number(ms / 1000.0, 'f', 1) << " s, "
                  << QFileInfo(path).size() / (1024 * 1024) << " MB" << Qt::endl;
        }

        Connection connection;
        connection.setConnectionString(Connection::startupText(Folders::devolvebarra(folder)));
        SharedTable table(&connection);
        GridModel grid(&table, SearchRules::queryGridColumns());
        RecordRule rule;
        table.setRecordPredicate([&rule] { return rule; });

        QList<Step> steps;
        const QString codes = QStringLiteral("SELECT \"Código\" FROM clientes");
        const QString isoDate = QStringLiteral(
            "substr(AGE_DTAAUDIENCIA,7,4)||substr(AGE_DTAAUDIENCIA,4,2)||substr(AGE_DTAAUDIENCIA,1,2)");

        steps.append({QStringLiteral("open the table"),
                      timed([&] {
                          connection.open();
                          table.open();
                          readFirstScreen(grid);
                      }),
                      codes + u';',
                      {}});
        if (wanted("register")) {
            int found = 0;
            for (const QString& typed : {QStringLiteral("J"), QStringLiteral("Jo"), QStringLiteral("Jos")}) {
                const double ms = timed([&] {
                    table.filterBy(
                        SearchRules::wordSearchExpression(QStringLiteral("AGE_NOME LIKE "), typed));
                    found = table.recordCount();
                    readFirstScreen(grid);
                });
                steps.append({QStringLiteral("word search '%1'").arg(typed),
                              ms,
                              codes + QStringLiteral(" WHERE AGE_NOME LIKE '%1%';").arg(typed),
                              {}});
                steps.last().note = QStringLiteral("%1 found").arg(found);
            }
            // A case number searched by its first digits, typed without punctuation, beside the
            // query a user of the shell writes for it, the punctuation taken out on the fly.
            NativeQuery::Statement sample(
                connection.database(), QStringLiteral("SELECT AGE_PROC FROM clientes WHERE \"Código\" = ?"));
            sample.bind(1, count / 2);
            sample.step();
            const QString typedDigits = LegalNumbers::digitsOf(sample.text(0)).left(9);
            const double digitsMs = timed([&] {
                table.filterBy(
                    SearchRules::wordSearchExpression(QStringLiteral("AGE_PROC LIKE "), typedDigits));
                found = table.recordCount();
                readFirstScreen(grid);
            });
            steps.append(
                {QStringLiteral("digits search '%1'").arg(typedDigits), digitsMs,
                 codes + QStringLiteral(" WHERE replace(replace(replace(AGE_PROC, '.', ''), '-', ''), '/', "
                                        "'') LIKE '%1%';")
                             .arg(typedDigits),
                 QStringLiteral("%1 found; case number").arg(found)});
            steps.append({QStringLiteral("filter off"),
                          timed([&] {
                              table.setFiltered(false);
                              readFirstScreen(grid);
                          }),
                          codes + u';',
                          {}});
            table.setFilterText(QString());
            rule =
                RecordRule::range(QStringLiteral("AGE_DTAAUDIENCIA"), QDate(2020, 3, 1), QDate(2020, 3, 31));
            steps.append({QStringLiteral("range filter, one month"),
                          timed([&] {
                              table.setFiltered(true);
                              found = table.recordCount();
                              readFirstScreen(grid);
                          }),
                          codes + QStringLiteral(" WHERE %1 BETWEEN '20200301' AND '20200331';").arg(isoDate),
                          {}});
            steps.last().note = QStringLiteral("%1 found").arg(found);
            rule = RecordRule::acceptAll();
            table.setFiltered(false);
            steps.append({QStringLiteral("order by AGE_CIDADE"),
                          timed([&] {
                              table.setSort(QStringLiteral("AGE_CIDADE ASC"));
                              readFirstScreen(grid);
                          }),
                          codes + QStringLiteral(" ORDER BY AGE_CIDADE;"),
                          {}});
            steps.append({QStringLiteral("order by AGE_DTAAUDIENCIA"),
                          timed([&] {
                              table.setSort(QStringLiteral("AGE_DTAAUDIENCIA ASC"));
                              readFirstScreen(grid);
                          }),
                          codes + QStringLiteral(" ORDER BY %1;").arg(isoDate),
                          {}});
            steps.append(
                {QStringLiteral("move to the last record"),
                 timed([&] {
                     table.last();
                     table.fieldText(QStringLiteral("AGE_NOME"));
                 }),
                 QStringLiteral(
                     "SELECT * FROM clientes WHERE \"Código\" = (SELECT max(\"Código\") FROM clientes);"),
                 {}});
        }
        const long registerPeak = peakMemoryMB();
        table.setSort(QString());
        constexpr int kListingRuns = 3;
        if (wanted("listing")) {
            // As "Visualizar Relatório" makes it: the table walked from first to last, the
            // listing file and the part the screen shows written, the progress shown.
            steps.append({QStringLiteral("listing of every record"),
                          medianOfRuns(kListingRuns,
                                       [&] {
                                           makeListing(table, listingInputs(), Folders::devolvebarra(folder),
                                                       kShownRows);
                                       }),
                          QStringLiteral(".mode html\n.once %1\nSELECT %2 FROM clientes;\n.mode list")
                              .arg(QDir(folder).filePath(QStringLiteral("shell.htm")), listingColumnsSql()),
                          {},
                          kListingRuns});
            steps.last().note =
                QStringLiteral("%1 MB, median of %2")
                    .arg(QFileInfo(QDir(folder).filePath(QStringLiteral("temp.htm"))).size() / (1024 * 1024))
                    .arg(kListingRuns);
        }
        const long listingPeak = peakMemoryMB();

        // The agenda printed to PDF, in a process of its own, beside Chromium printing the
        // same listing file.
        QStringList pdfFigures;
        ChromiumRun chromium;
        if (wanted("pdf")) {
            QProcess printer;
            printer.start(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--pdf-only"), QStringLiteral("--folder"), folder});
            printer.waitForFinished(-1);
            pdfFigures = QString::fromUtf8(printer.readAllStandardOutput()).simplified().split(u' ');
            chromium = chromiumPdf(QDir(folder).filePath(QStringLiteral("temp.htm")),
                                   QDir(folder).filePath(QStringLiteral("agenda-chromium.pdf")));
        }

        // The hearings exported to a calendar file, in a process of its own.
        QStringList icsFigures;
        if (wanted("ics")) {
            QProcess exporter;
            exporter.start(QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--ics-only"), QStringLiteral("--folder"), folder});
            exporter.waitForFinished(-1);
            icsFigures = QString::fromUtf8(exporter.readAllStandardOutput()).simplified().split(u' ');
        }

        // The backup against the shell's ".backup", which the shell's timer does not time:
        // its whole run is timed instead, process start included.
        const QString copyPath = QDir(folder).filePath(QStringLiteral("copia.mdb"));
        const QString shellCopyPath = QDir(folder).filePath(QStringLiteral("copia-shell.mdb"));
        constexpr int kBackupRuns = 3;
        QList<double> backupTimes;
        QList<double> shellBackupTimes;
        for (int run = 0; run < kBackupRuns && wanted("backup"); ++run) {
            QFile::remove(copyPath);
            backupTimes << timed([&] { DatabaseBackup::copy(connection.database(), copyPath); });
            QFile::remove(shellCopyPath);
            shellBackupTimes << timed([&] {
                QProcess::execute(QStringLiteral("sqlite3"),
                                  {path, QStringLiteral(".backup '%1'").arg(shellCopyPath)});
            });
        }
        const double backupMs = median(backupTimes);
        const double shellBackupMs = median(shellBackupTimes);
        QFile::remove(copyPath);
        QFile::remove(shellCopyPath);

        // "<<" of an old data packet into an empty base beside the shell's import of the same
        // rows from a CSV file into an empty base of the same table.
        const QString packetPath = QDir(folder).filePath(QStringLiteral("Agenda.xml"));
        const QString csvPath = QDir(folder).filePath(QStringLiteral("agenda.csv"));
        const QString keyedCsvPath = QDir(folder).filePath(QStringLiteral("agenda-chaves.csv"));
        if (wanted("transfer") || wanted("windows"))
            writeTransferSources(count, packetPath, csvPath, keyedCsvPath);
        const QString transferFolder = QDir(folder).filePath(QStringLiteral("transfer"));
        const auto emptyBase = [](const QString& folderPath, bool withIndexes = true) {
            QDir().mkpath(folderPath);
            const QString base = QDir(folderPath).filePath(QStringLiteral("base.mdb"));
            QFile::remove(base);
            Schema::create(Database::openFile(base, true), withIndexes);
            return base;
        };
        double loadMs = 0;
        double transferMs = 0;
        double importMs = 0;
        double conversionMs = 0;
        double keyedImportMs = 0;
        if (wanted("transfer")) {
            emptyBase(transferFolder);
            Connection transferConnection;
            transferConnection.setConnectionString(
                Connection::startupText(Folders::devolvebarra(transferFolder)));
            transferConnection.open();
            TransferSource source;
            loadMs = timed([&] {
                source.load(TransferSource::File::Packet, packetPath, {});
                source.orderByNumber();
            });
            transferMs = timed([&] { transferAll(source, transferConnection.database(), {}); });
            transferConnection.close();
        }
        QStringList columnNames;
        for (int column = 1; column < Columns::count(); ++column)
            columnNames << Columns::quoted(Columns::at(column).name);
        QStringList keyedNames = columnNames;
        for (const QString& key : Schema::keyColumns())
            keyedNames << Columns::quoted(key);
        // The shell importing rows into an empty base: a plain one, or, building the same end
        // state as "<<" the fastest way it can, the rows with their keys into the table without
        // indexes, then the same indexes made.
        const auto shellImport = [&](const QStringList& names, const QString& csv, bool thenIndexes = false) {
            const QString base = emptyBase(QDir(folder).filePath(QStringLiteral("import")), !thenIndexes);
            QString sql = QStringLiteral("CREATE TEMP TABLE importada(%1);\n.import --csv '%2' importada\n"
                                         "INSERT INTO clientes (%1) SELECT * FROM importada;\n")
                              .arg(names.join(u','), csv);
            if (thenIndexes) {
                NativeQuery::Statement indexes(
                    Database::openFile(emptyBase(QDir(folder).filePath(QStringLiteral("indexada")))),
                    QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"));
                while (indexes.step())
                    sql += indexes.text(0) + QStringLiteral(";\n");
            }
            return timed([&] {
                QProcess shell;
                shell.start(QStringLiteral("sqlite3"), {base});
                shell.waitForStarted();
                shell.write(sql.toUtf8());
                shell.closeWriteChannel();
                shell.waitForFinished(-1);
            });
        };
        if (wanted("transfer") || wanted("windows"))
            importMs = shellImport(columnNames, csvPath);

        // Writing the records of a converted Windows base, as the conversion does while it
        // reads them, beside the same shell import.
        const QString convertedPath = QDir(folder).filePath(QStringLiteral("convertida.mdb"));
        QFile::remove(convertedPath);
        if (wanted("windows"))
            conversionMs = timed([&] {
                QList<int> everyColumn(Columns::count());
                std::iota(everyColumn.begin(), everyColumn.end(), 0);
                RecordReader reader = table.reader(everyColumn);
                WindowsBase::NewBase converted(convertedPath);
                QStringList values;
                while (reader.next(values))
                    converted.add(values);
                converted.finish(reader.count());
            });
        QFile::remove(convertedPath);
        if (wanted("transfer") || wanted("windows"))
            keyedImportMs = shellImport(keyedNames, keyedCsvPath, true);

        QStringList statements;
        for (const Step& step : steps)
            for (int run = 0; run < step.runs && !step.toolStatement.isEmpty(); ++run)
                statements << step.toolStatement;
        const QList<double> shell = shellTimes(path, statements);
        out() << Qt::endl
              << "Velmora benchmark, " << count << " records (" << QFileInfo(path).size() / (1024 * 1024)
              << " MB file)" << Qt::endl;
        printHeader(QStringLiteral("sqlite3"));
        qsizetype nextShellTime = 0;
        for (int i = 0; i < steps.size(); ++i) {
            double shellMs = 0.0;
            if (!steps[i].toolStatement.isEmpty()) {
                shellMs = median(shell.mid(nextShellTime, steps[i].runs));
                nextShellTime += steps[i].runs;
            }
            printRow(steps[i].name, steps[i].ms, shellMs, steps[i].note);
        }
        if (pdfFigures.size() == 3)
            printRow(QStringLiteral("agenda to PDF"), pdfFigures[0].toDouble(), chromium.ms,
                     QStringLiteral(
                         "%1 pages; peak %2 MB; beside: headless Chromium printing temp.htm, peak %3 MB%4")
                         .arg(pdfFigures[2], pdfFigures[1])
                         .arg(chromium.peakMB)
                         .arg(chromium.written ? QString() : QStringLiteral(", which wrote no PDF")));
        if (icsFigures.size() == 3)
            printRow(QStringLiteral("hearings to .ics"), icsFigures[0].toDouble(), 0,
                     QStringLiteral("%1 events, %2 MB; peak %3 MB; no other tool")
                         .arg(icsFigures[2])
                         .arg(QFileInfo(QDir(folder).filePath(QStringLiteral("agenda.ics"))).size() /
                              (1024 * 1024))
                         .arg(icsFigures[1]));
        if (wanted("backup"))
            printRow(QStringLiteral("backup (checked copy)"), backupMs, shellBackupMs,
                     QStringLiteral("shell: .backup; median of %1").arg(kBackupRuns));
        if (wanted("transfer")) {
            printRow(QStringLiteral("transfer \"<<\" of a packet"), transferMs, keyedImportMs,
                     QStringLiteral("shell: .import of the records with their keys into the table without "
                                    "indexes, then the same indexes made; reading the packet took %1 ms more")
                         .arg(loadMs, 0, 'f', 0));
            printRow(QStringLiteral("  beside a plain import"), transferMs, importMs,
                     QStringLiteral("shell: .import of the record columns alone, no keys, no indexes"));
        }
        if (wanted("windows"))
            printRow(QStringLiteral("Windows base: write"), conversionMs, keyedImportMs,
                     QStringLiteral("new base with indexes, counted and checked; shell: as for \"<<\""));
        out() << "peak memory: " << registerPeak << " MB before the listing, " << listingPeak
              << " MB after it, " << peakMemoryMB() << " MB after the transfer" << Qt::endl;
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << Qt::endl;
        return 1;
    }
    return 0;
}
