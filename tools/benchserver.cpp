// The benchmark on a server base: the register's interactions, the listing, the transfer
// and the backup through the classes the windows use, beside psql running the same queries
// on the same database.

#include "benchserver.h"

#include "backup/databasebackup.h"
#include "benchrecords.h"
#include "benchsteps.h"
#include "common/apperror.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/gridmodel.h"
#include "data/nativequery.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "data/sendtoserver.h"
#include "data/sharedtable.h"
#include "register/searchrules.h"
#include "transfer/transfersource.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace Bench {

namespace {

// The same database with a schema of the benchmark's own first on the search path: the
// transfer writes there, never into the office's records.
const QString kScratchSchema = QStringLiteral("velmora_bench");

QString scratchText(const QString& uri) {
    return uri + (uri.contains(u'?') ? u'&' : u'?') + QStringLiteral("options=") +
           QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("-csearch_path=") + kScratchSchema));
}

qint64 count(const Database& db) {
    return NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM clientes"), {}).value(0);
}

// Fills an empty base with `records` generated records, sent as the transfer sends them.
void generate(const Database& db, int records) {
    QRandomGenerator random(20261209);
    for (int done = 0; done < records;) {
        RecordWriter writer(db);
        for (int i = 0; i < 10000 && done < records; ++i, ++done)
            writer.insertMany(generateRecord(random));
        writer.commit();
    }
    // As autovacuum leaves it soon after: statistics, and the pages marked all-visible.
    NativeQuery::exec(db, QStringLiteral("VACUUM ANALYZE clientes"));
}

// Runs statements in psql with its timer on, results thrown away; the time of each, in ms.
QList<double> psqlTimes(const QString& uri, const QStringList& statements) {
    QString script = QStringLiteral("\\timing on\n\\o /dev/null\n");
    for (const QString& statement : statements)
        script += statement + u'\n';
    QProcess psql;
    psql.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), uri});
    if (!psql.waitForStarted(10000))
        return {};
    psql.write(script.toUtf8());
    psql.closeWriteChannel();
    psql.waitForFinished(-1);
    QList<double> times;
    static const QRegularExpression time(QStringLiteral(R"(Time: ([0-9.]+) ms)"));
    auto matches = time.globalMatch(QString::fromUtf8(psql.readAllStandardOutput()));
    while (matches.hasNext())
        times << matches.next().captured(1).toDouble();
    return times;
}

double processTime(const QString& program, const QStringList& arguments) {
    return timed([&] { QProcess::execute(program, arguments); });
}

QString quotedColumns(int first, bool withKeys) {
    QStringList names;
    for (int column = first; column < Columns::count(); ++column)
        names << Columns::quoted(Columns::at(column).name);
    if (withKeys)
        for (const QString& key : Schema::keyColumns())
            names << Columns::quoted(key);
    return names.join(u',');
}

} // namespace

int runOnServer(const QString& uri, int records, const QStringList& chosen, const QString& folder) {
    const auto wanted = [&chosen](const char* step) { return chosen.contains(QString::fromUtf8(step)); };
    const Database owner = Database::openServer(uri);
    Schema::prepareServer(owner);
    const qint64 present = count(owner);
    if (present != records) {
        if (present != 0)
            throw AppError(
                QStringLiteral("A base do servidor tem %1 registros; o benchmark precisa de uma base vazia "
                               "ou de uma com %2.")
                    .arg(present)
                    .arg(records));
        out() << "Generating " << records << " records on the server ..." << Qt::endl;
        const double ms = timed([&] { generate(owner, records); });
        out() << "  generated in " << QString::number(ms / 1000.0, 'f', 1) << " s" << Qt::endl;
    }

    Connection connection;
    connection.setConnectionString(uri);
    SharedTable table(&connection);
    GridModel grid(&table, SearchRules::queryGridColumns());
    RecordRule rule;
    table.setRecordPredicate([&rule] { return rule; });
    const QString codes = QStringLiteral("SELECT \"Código\" FROM clientes");
    const QString date = QStringLiteral("to_date(\"AGE_DTAAUDIENCIA\", 'DD/MM/YYYY')");
    QList<Step> steps;
    steps.append({QStringLiteral("open the table"),
                  timed([&] {
                      connection.open();
                      table.open();
                      readFirstScreen(grid);
                  }),
                  codes + u';',
                  {}});
    if (wanted("register")) {
        for (const QString& typed : {QStringLiteral("J"), QStringLiteral("Jo"), QStringLiteral("Jos")}) {
            steps.append({QStringLiteral("word search '%1'").arg(typed),
                          timed([&] {
                              table.filterBy(
                                  SearchRules::wordSearchExpression(QStringLiteral("AGE_NOME LIKE "), typed));
                              readFirstScreen(grid);
                          }),
                          codes + QStringLiteral(" WHERE \"AGE_NOME\" ILIKE '%1%';").arg(typed),
                          {}});
            steps.last().note = QStringLiteral("%1 found").arg(table.recordCount());
        }
        steps.append({QStringLiteral("filter off"),
                      timed([&] {
                          table.setFiltered(false);
                          readFirstScreen(grid);
                      }),
                      codes + u';',
                      {}});
        table.setFilterText(QString());
        rule = RecordRule::range(QStringLiteral("AGE_DTAAUDIENCIA"), QDate(2020, 3, 1), QDate(2020, 3, 31));
        steps.append({QStringLiteral("range filter, one month"),
                      timed([&] {
                          table.setFiltered(true);
                          readFirstScreen(grid);
                      }),
                      codes + QStringLiteral(" WHERE %1 BETWEEN '2020-03-01' AND '2020-03-31';").arg(date),
                      {}});
        steps.last().note = QStringLiteral("%1 found").arg(table.recordCount());
        rule = RecordRule::acceptAll();
        table.setFiltered(false);
        steps.append({QStringLiteral("order by AGE_CIDADE"),
                      timed([&] {
                          table.setSort(QStringLiteral("AGE_CIDADE ASC"));
                          readFirstScreen(grid);
                      }),
                      codes + QStringLiteral(" ORDER BY \"AGE_CIDADE\";"),
                      {}});
        steps.append({QStringLiteral("order by AGE_DTAAUDIENCIA"),
                      timed([&] {
                          table.setSort(QStringLiteral("AGE_DTAAUDIENCIA ASC"));
                          readFirstScreen(grid);
                      }),
                      codes + QStringLiteral(" ORDER BY %1;").arg(date),
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
    table.setSort(QString());
    constexpr int kListingRuns = 3;
    if (wanted("listing")) {
        steps.append(
            {QStringLiteral("listing of every record"),
             medianOfRuns(kListingRuns,
                          [&] { makeListing(table, listingInputs(), folder + u'/', kShownRows); }),
             QStringLiteral("\\pset format html\n\\o %1\nSELECT %2 FROM clientes;\n\\o /dev/null\n\\pset "
                            "format aligned")
                 .arg(QDir(folder).filePath(QStringLiteral("psql.htm")), listingColumnsSql()),
             QStringLiteral("median of %1").arg(kListingRuns), kListingRuns});
    }

    QStringList statements;
    for (const Step& step : steps)
        for (int run = 0; run < step.runs && !step.toolStatement.isEmpty(); ++run)
            statements << step.toolStatement;
    const QList<double> psql = psqlTimes(uri, statements);

    // The transfer into the benchmark's own schema, beside psql's \copy of the same rows.
    double transferMs = 0;
    double copyMs = 0;
    if (wanted("transfer")) {
        const QString packet = QDir(folder).filePath(QStringLiteral("Agenda.xml"));
        const QString csv = QDir(folder).filePath(QStringLiteral("agenda.csv"));
        const QString keyedCsv = QDir(folder).filePath(QStringLiteral("agenda-chaves.csv"));
        writeTransferSources(records, packet, csv, keyedCsv);
        NativeQuery::exec(owner, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(kScratchSchema));
        NativeQuery::exec(owner, QStringLiteral("CREATE SCHEMA %1").arg(kScratchSchema));
        const Database scratch = Database::openServer(scratchText(uri));
        Schema::create(scratch);
        TransferSource source;
        source.load(TransferSource::File::Packet, packet, {});
        source.orderByNumber();
        transferMs = timed([&] { transferAll(source, scratch, {}); });
        NativeQuery::exec(scratch, QStringLiteral("TRUNCATE clientes"));
        copyMs =
            processTime(QStringLiteral("psql"),
                        {QStringLiteral("-X"), QStringLiteral("-q"), scratchText(uri), QStringLiteral("-c"),
                         QStringLiteral("\\copy clientes (%1) FROM '%2' WITH (FORMAT csv)")
                             .arg(quotedColumns(1, true), keyedCsv)});
        NativeQuery::exec(owner, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(kScratchSchema));
    }

    // The backup: every record of one moment into a base file, beside pg_dump's archive.
    double backupMs = 0;
    double dumpMs = 0;
    if (wanted("backup")) {
        const QString copy = QDir(folder).filePath(QStringLiteral("copia.mdb"));
        QFile::remove(copy);
        backupMs = timed([&] { DatabaseBackup::copy(connection.database(), copy); });
        QFile::remove(copy);
        dumpMs =
            processTime(QStringLiteral("pg_dump"),
                        {QStringLiteral("-Fc"), QStringLiteral("-t"), QStringLiteral("clientes"),
                         QStringLiteral("-f"), QDir(folder).filePath(QStringLiteral("copia.dump")), uri});
    }

    // Sending a base file of every record to an empty server base, beside psql's \copy of the
    // same rows, their keys included, into the same empty table.
    double sendMs = 0;
    double sendCopyMs = 0;
    if (wanted("send")) {
        const QString base = QDir(folder).filePath(QStringLiteral("envio.mdb"));
        const QString rows = QDir(folder).filePath(QStringLiteral("envio.csv"));
        QFile::remove(base);
        DatabaseBackup::copy(connection.database(), base);
        QProcess::execute(
            QStringLiteral("psql"),
            {QStringLiteral("-X"), QStringLiteral("-q"), uri, QStringLiteral("-c"),
             QStringLiteral("\\copy (SELECT %1 FROM clientes ORDER BY 1) TO '%2' WITH (FORMAT csv)")
                 .arg(quotedColumns(0, true), rows)});
        NativeQuery::exec(owner, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(kScratchSchema));
        NativeQuery::exec(owner, QStringLiteral("CREATE SCHEMA %1").arg(kScratchSchema));
        const Database scratch = Database::openServer(scratchText(uri));
        Schema::create(scratch);
        sendMs = timed([&] { SendToServer::send(base, scratch); });
        NativeQuery::exec(scratch, QStringLiteral("TRUNCATE clientes"));
        sendCopyMs =
            processTime(QStringLiteral("psql"),
                        {QStringLiteral("-X"), QStringLiteral("-q"), scratchText(uri), QStringLiteral("-c"),
                         QStringLiteral("\\copy clientes (%1) FROM '%2' WITH (FORMAT csv)")
                             .arg(quotedColumns(0, true), rows)});
        NativeQuery::exec(owner, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(kScratchSchema));
        QFile::remove(base);
    }

    out() << Qt::endl << "Velmora benchmark on a server, " << records << " records" << Qt::endl;
    printHeader(QStringLiteral("psql"));
    qsizetype next = 0;
    for (const Step& step : steps) {
        double toolMs = 0.0;
        if (!step.toolStatement.isEmpty()) {
            toolMs = median(psql.mid(next, step.runs));
            next += step.runs;
        }
        printRow(step.name, step.ms, toolMs, step.note);
    }
    if (wanted("transfer"))
        printRow(
            QStringLiteral("transfer \"<<\" of a packet"), transferMs, copyMs,
            QStringLiteral("psql: \\copy of the records with their search keys, process start included"));
    if (wanted("backup"))
        printRow(QStringLiteral("backup to a base file"), backupMs, dumpMs,
                 QStringLiteral("pg_dump -Fc of the table, process start included"));
    if (wanted("send"))
        printRow(QStringLiteral("send a base file to the server"), sendMs, sendCopyMs,
                 QStringLiteral("psql: \\copy of the same rows with their keys, process start included; "
                                "Velmora also compares every column"));
    out() << "peak memory: " << peakMemoryMB() << " MB" << Qt::endl;
    return 0;
}

} // namespace Bench
