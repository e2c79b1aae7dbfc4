#include "windowsbase.h"

#include "columns.h"
#include "common/apperror.h"
#include "common/folders.h"
#include "jetstream.h"
#include "nativequery.h"
#include "recordwriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <memory>
#include <optional>
#include <unistd.h>

namespace WindowsBase {

namespace {

// The reader gives a record at least this often on a real base; silence longer than this
// means it is stuck.
constexpr int kSilence = 60000;

QString baseName(const QString& path) {
    return QFileInfo(path).fileName();
}

[[noreturn]] void unreadable(const QString& path, const QString& why) {
    throw AppError(
        QStringLiteral("A base de dados da versão para Windows %1 não pôde ser lida inteira: %2 Ela não "
                       "foi alterada.")
            .arg(baseName(path), why));
}

QString uniqueName(const QString& folder, const QString& stem) {
    QString name = folder + stem + QStringLiteral(".mdb");
    for (int copy = 2; QFileInfo::exists(name); ++copy)
        name = folder + stem + QStringLiteral("-%1.mdb").arg(copy);
    return name;
}

// Keeps the original under `kept` while base.mdb stays in place: a second name for the
// same file where the folder allows it, else a copy.
void keepOriginal(const QString& base, const QString& kept) {
    if (::link(QFile::encodeName(base).constData(), QFile::encodeName(kept).constData()) == 0)
        return;
    if (!QFile::copy(base, kept))
        throw AppError(
            QStringLiteral("Não foi possível guardar a base original como %1.").arg(baseName(kept)));
}

// Every page of the new base read and its trees and records checked. Its indexes were built
// whole by the base itself from the records just written, so matching every index entry
// against its record, which takes far longer, finds nothing more.
QString integrityOf(const Database& db) {
    NativeQuery::Statement check(db, QStringLiteral("PRAGMA quick_check"));
    return check.step() ? check.text(0) : QString();
}

// The positions in clientes of the columns the reader found; Código and one more at least.
QVector<int> positionsOf(const QString& path, const QStringList& columns) {
    QVector<int> positions;
    for (const QString& name : columns) {
        const int position = Columns::indexOf(name);
        if (position < 0 || positions.contains(position))
            unreadable(path, QStringLiteral("a tabela clientes não tem os campos esperados."));
        positions << position;
    }
    if (!positions.contains(0) || positions.size() < 2)
        unreadable(path, QStringLiteral("a tabela clientes não tem os campos esperados."));
    return positions;
}

} // namespace

bool isJetFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.size() == 20 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

QString readerProgram() {
    const QString chosen = qEnvironmentVariable("VELMORA_LEITOR_MDB");
    if (!chosen.isEmpty())
        return chosen;
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-mdb");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStringLiteral(VELMORA_BUILD_BIN "/velmora-mdb");
}

int readClientes(const QString& path, const std::function<void(const Schema::Record&)>& take,
                 const std::function<void(int, int)>& progress) {
    QVector<int> positions;
    qint64 expected = 0;
    std::optional<QString> readerMessage;
    JetStream::Decoder decoder;
    decoder.onColumns = [&](const QStringList& columns) { positions = positionsOf(path, columns); };
    decoder.onExpected = [&](qint64 count) { expected = count; };
    decoder.onError = [&](const QString& message) { readerMessage = message; };
    decoder.onRecord = [&](const QStringList& values) {
        Schema::Record record = Schema::emptyRecord();
        for (qsizetype i = 0; i < values.size(); ++i)
            record[positions[i]] = values[i];
        take(record);
        if (progress)
            progress(static_cast<int>(decoder.records()), static_cast<int>(expected));
    };

    QProcess reader;
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(readerProgram(), {QFileInfo(path).absoluteFilePath()}, QIODevice::ReadOnly);
    if (!reader.waitForStarted(30000))
        unreadable(
            path,
            QStringLiteral("o leitor de bases do Windows (%1) não pôde ser iniciado.").arg(readerProgram()));
    try {
        while (reader.state() != QProcess::NotRunning || reader.bytesAvailable() > 0) {
            if (reader.bytesAvailable() == 0 && !reader.waitForReadyRead(kSilence) &&
                reader.state() != QProcess::NotRunning) {
                reader.kill();
                reader.waitForFinished();
                unreadable(path, QStringLiteral("o leitor parou de responder."));
            }
            decoder.feed(reader.readAll());
        }
    } catch (const JetStream::Decoder::BadStream& bad) {
        reader.kill();
        reader.waitForFinished();
        unreadable(path, bad.reason);
    } catch (const AppError&) {
        reader.kill();
        reader.waitForFinished();
        throw;
    }
    reader.waitForFinished();
    if (readerMessage)
        unreadable(path, *readerMessage);
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0 || !decoder.finished())
        unreadable(path, QStringLiteral("o arquivo está danificado (o leitor parou no registro %1).")
                             .arg(decoder.records()));
    if (decoder.records() != expected)
        unreadable(path,
                   QStringLiteral("foram lidos %1 dos %2 registros.").arg(decoder.records()).arg(expected));
    return static_cast<int>(decoder.records());
}

struct NewBase::Writing {
    Database db;
    std::optional<RecordWriter> writer;
};

NewBase::NewBase(const QString& path) : m_path(path), m_writing(std::make_unique<Writing>()) {
    try {
        m_writing->db = Database::openFile(path, true);
        // A file of our own under a temporary name needs no journal: a conversion cut short
        // is thrown away. It is made durable once, whole, before it gets its name. The
        // indexes are built once at the end, far faster than row by row.
        NativeQuery::exec(m_writing->db, QStringLiteral("PRAGMA journal_mode = OFF"));
        NativeQuery::exec(m_writing->db, QStringLiteral("PRAGMA synchronous = OFF"));
        NativeQuery::exec(m_writing->db, QStringLiteral("PRAGMA cache_size = -16384"));
        Schema::create(m_writing->db, false);
        m_writing->writer.emplace(m_writing->db);
    } catch (const AppError&) {
        discard();
        throw;
    }
}

NewBase::~NewBase() {
    if (m_writing)
        discard();
}

void NewBase::discard() {
    m_writing.reset();
    QFile::remove(m_path);
    QFile::remove(m_path + QStringLiteral("-journal"));
}

void NewBase::add(const Schema::Record& record) {
    if (record[0].toLongLong() <= 0)
        throw AppError(QStringLiteral("Um registro da base original não tem número (Código)."));
    m_writing->writer->insertMany(record);
}

void NewBase::finish(qint64 expected) {
    try {
        Schema::createIndexes(m_writing->db);
        m_writing->writer->commit();
        m_writing->writer.reset();
        const qint64 stored =
            NativeQuery::integers(m_writing->db, QStringLiteral("SELECT count(*) FROM clientes"), {})
                .value(0);
        const QString check = integrityOf(m_writing->db);
        if (stored != expected || check != QStringLiteral("ok"))
            throw AppError(QStringLiteral("A nova base não conferiu com a original (%1 de %2 registros; "
                                          "verificação: %3).")
                               .arg(stored)
                               .arg(expected)
                               .arg(check));
        m_writing.reset();
        Folders::syncToDisk(m_path);
    } catch (const AppError&) {
        discard();
        throw;
    }
}

Converted convert(const QString& folder, const std::function<void(int, int)>& progress) {
    const QString base = folder + QStringLiteral("base.mdb");
    const QString converting = folder + QStringLiteral("base-convertendo.mdb");
    // What a conversion cut short left behind.
    QFile::remove(converting);
    QFile::remove(converting + QStringLiteral("-journal"));
    int total = 0;
    {
        NewBase newBase(converting);
        total = readClientes(
            base, [&newBase](const Schema::Record& record) { newBase.add(record); }, progress);
        newBase.finish(total);
    }
    const QString kept = uniqueName(folder, QStringLiteral("base-windows"));
    try {
        keepOriginal(base, kept);
    } catch (const AppError&) {
        QFile::remove(converting);
        throw;
    }
    if (::rename(QFile::encodeName(converting).constData(), QFile::encodeName(base).constData()) != 0) {
        QFile::remove(kept);
        QFile::remove(converting);
        throw AppError(QStringLiteral("Não foi possível pôr a nova base no lugar da original."));
    }
    Folders::syncFolder(folder);
    return {total, kept};
}

} // namespace WindowsBase
