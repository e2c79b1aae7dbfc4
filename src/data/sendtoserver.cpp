#include "sendtoserver.h"

#include "columns.h"
#include "common/apperror.h"
#include "common/folders.h"
#include "common/progress.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "history.h"
#include "nativequery.h"
#include "recordreader.h"
#include "recordwriter.h"
#include "schema.h"
#include "server.h"
#include "windowsbase.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <unistd.h>

namespace SendToServer {

namespace {

// What the old base's stations are told when they try to write after it was sent.
const QString kRefusal =
    QStringLiteral("Esta base de dados foi enviada ao servidor do escritório e não aceita "
                   "mais alterações. Feche o programa e abra-o de novo.");
const char* const kWrites[] = {"INSERT", "UPDATE", "DELETE"};

QString triggerName(const char* write) {
    return QStringLiteral("velmora_enviada_%1").arg(QString::fromLatin1(write).toLower());
}

// Any station still connected to the old base is refused every change of a record from now on.
void refuseWrites(const Database& base) {
    for (const char* write : kWrites)
        NativeQuery::exec(base, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON clientes BEGIN SELECT "
                                               "RAISE(ABORT, '%3'); END")
                                    .arg(triggerName(write), QString::fromLatin1(write), kRefusal));
}

void acceptWrites(const Database& base) {
    for (const char* write : kWrites)
        NativeQuery::exec(base, QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(triggerName(write)));
}

qint64 count(const Database& db, const QString& table) {
    return NativeQuery::integers(db, QStringLiteral("SELECT count(*) FROM %1").arg(table), {}).value(0);
}

qint64 versionOf(const Database& base) {
    return NativeQuery::integers(base, QStringLiteral("PRAGMA user_version"), {}).value(0);
}

Database openBase(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw AppError(QStringLiteral("A base de dados %1 não foi encontrada.").arg(path));
    if (WindowsBase::isJetFile(path))
        throw AppError(QStringLiteral("A base %1 é da versão para Windows: abra-a antes no programa, que a "
                                      "converte, e então envie-a.")
                           .arg(path));
    const Database base = Database::openFile(path);
    if (versionOf(base) > Schema::kVersion)
        throw AppError(
            QStringLiteral("A base %1 foi gravada por uma versão mais nova do programa.").arg(path));
    return base;
}

void refuseUnlessEmpty(const Database& server) {
    if (NativeQuery::integers(server,
                              QStringLiteral("SELECT count(*) FROM pg_tables WHERE tablename = 'clientes' "
                                             "AND schemaname = current_schema()"),
                              {})
            .value(0) == 0)
        throw AppError(
            QStringLiteral("A base do servidor não foi preparada para o Velmora: o responsável pelo "
                           "servidor executa antes velmora-install --servidor."));
    // No station adds a record to the server while the base is sent.
    NativeQuery::exec(server, QStringLiteral("LOCK TABLE clientes IN EXCLUSIVE MODE"));
    const qint64 records = count(server, QStringLiteral("clientes"));
    const qint64 events = count(server, History::kTable);
    if (records > 0 || events > 0)
        throw AppError(QStringLiteral("A base do servidor já guarda %L1 registro(s) e %L2 evento(s) de "
                                      "histórico: uma base só é enviada a um servidor vazio.")
                           .arg(records)
                           .arg(events));
}

QVector<qint64> codes(const Database& db) {
    return NativeQuery::integers(
        db, QStringLiteral("SELECT %1 FROM clientes ORDER BY 1").arg(Columns::quoted(Columns::kCodigo)), {});
}

QList<int> everyColumn() {
    QList<int> columns(Columns::count());
    std::iota(columns.begin(), columns.end(), 0);
    return columns;
}

qint64 sendRecords(const Database& base, const QVector<qint64>& numbers, RecordWriter& writer) {
    RecordReader reader(base, numbers, everyColumn());
    Progress::begin(reader.count(), true);
    qint64 sent = 0;
    for (QStringList record; reader.next(record);) {
        writer.insertMany(record);
        if (++sent % 1000 == 0) {
            Progress::step(static_cast<int>(sent));
            if (Progress::cancelled())
                throw AppError(QStringLiteral("O envio foi cancelado."));
        }
    }
    writer.flush();
    return sent;
}

// Every record of the base is on the server with the same number and the same text in every
// column, and the server holds no other.
void compare(const Database& base, const QVector<qint64>& numbers, const Database& server) {
    const auto differs = [](const QString& what) {
        return AppError(
            QStringLiteral("O servidor não guardou a base como ela é (%1). Nada foi enviado.").arg(what));
    };
    if (codes(server) != numbers)
        throw differs(QStringLiteral("os números dos registros não conferem"));
    RecordReader sent(base, numbers, everyColumn());
    RecordReader kept(server, numbers, everyColumn());
    Progress::begin(sent.count());
    StoredRow original;
    StoredRow copy;
    for (int compared = 0; sent.next(original); ++compared) {
        if (!kept.next(copy))
            throw differs(QStringLiteral("faltam registros"));
        for (qsizetype column = 0; column < original.size(); ++column)
            if (original.value(column) != copy.value(column))
                throw differs(QStringLiteral("registro %1, coluna %2")
                                  .arg(QString::fromUtf8(original.value(0)),
                                       Columns::at(static_cast<int>(column)).name));
        if (compared % 1000 == 0)
            Progress::step(compared);
    }
    if (kept.next(copy))
        throw differs(QStringLiteral("há registros a mais"));
}

// The server goes on numbering where the base would have: past every number the base ever
// gave, those of records deleted since included, so none is given twice.
void continueNumbering(const Database& base, const Database& server) {
    const qint64 last = std::max(Schema::nextRecordNumber(base), Schema::nextRecordNumber(server)) - 1;
    if (last < 1)
        return;
    NativeQuery::Statement follow(server, QStringLiteral("SELECT setval(?::regclass, ?, true)"));
    follow.bindAll({Schema::serverSequence(server), last});
    follow.step();
}

// A base file named base.mdb gets a name no station opens: base-enviada.mdb, or with "-2",
// "-3" ... when the folder holds one already. Its path, or empty when it keeps its name.
QString renameOldBase(const QString& path) {
    const QFileInfo file(path);
    if (file.fileName() != SettingsFiles::kBase)
        return {};
    const QString stem = file.absolutePath() + u'/' + kSentName;
    QString kept = stem + QStringLiteral(".mdb");
    for (int copy = 2; QFileInfo::exists(kept); ++copy)
        kept = stem + QStringLiteral("-%1.mdb").arg(copy);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) != 0)
        throw AppError(QStringLiteral("Não foi possível renomear %1 para %2: %3")
                           .arg(path, kept, QString::fromLocal8Bit(std::strerror(errno))));
    Folders::syncFolder(file.absolutePath());
    return kept;
}

void restoreName(const QString& path, const QString& kept) {
    if (!kept.isEmpty())
        ::rename(QFile::encodeName(kept).constData(), QFile::encodeName(path).constData());
}

} // namespace

Sent send(const QString& basePath, const Database& server) {
    const Database base = openBase(basePath);
    const QString folder = QFileInfo(basePath).absolutePath() + u'/';
    const Progress::Scope progress(0);
    // No station writes to the base while it is sent, and no station adds to the server.
    base.beginWrite();
    Sent sent;
    QString notePath;
    try {
        RecordWriter writer(server);
        refuseUnlessEmpty(server);
        sent.events = History::copyEvents(base, server);
        if (versionOf(base) >= 3) // its hearings keep their names in the calendars
            Schema::setIdentity(server, Schema::identity(base));
        writer.setManySource(QStringLiteral("base enviada de %1").arg(basePath));
        const QVector<qint64> numbers = codes(base);
        sent.records = sendRecords(base, numbers, writer);
        continueNumbering(base, server);
        compare(base, numbers, server);
        if (count(server, History::kTable) != sent.events)
            throw AppError(QStringLiteral("O servidor não guardou o histórico inteiro. Nada foi enviado."));

        refuseWrites(base);
        base.commit();
        try {
            sent.keptAs = renameOldBase(basePath);
            if (!sent.keptAs.isEmpty()) {
                notePath = folder + kNoteFile;
                TextFile::writeText(notePath, Server::displayName(server.name()));
            }
            writer.commit();
        } catch (const AppError&) {
            if (!notePath.isEmpty())
                QFile::remove(notePath);
            restoreName(basePath, sent.keptAs);
            acceptWrites(base);
            throw;
        }
    } catch (const AppError&) {
        try {
            base.rollback();
        } catch (const AppError&) {
            // Already committed, or the connection gone: the failure is the one to report.
        }
        throw;
    }
    return sent;
}

QString serverOf(const QString& folder) {
    const QString note = folder + kNoteFile;
    if (!TextFile::exists(note) || QFileInfo::exists(folder + SettingsFiles::kBase))
        return {};
    try {
        const QString text = TextFile::readLines(note).value(0).trimmed();
        return Database::isServerText(text) ? text : QString();
    } catch (const AppError&) {
        return {};
    }
}

} // namespace SendToServer
