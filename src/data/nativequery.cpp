#include "nativequery.h"

#include "common/apperror.h"

#include "server.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace NativeQuery {

const QString kNumberTaken =
    QStringLiteral("Já há na base um registro com o número deste; este registro não foi gravado.");

namespace {

// The folder of the base open on `handle`, for the messages.
QString folderOf(sqlite3* handle) {
    const char* file = handle ? sqlite3_db_filename(handle, "main") : nullptr;
    return file && *file ? QFileInfo(QFile::decodeName(file)).absolutePath() : QString();
}

QString sentenceFor(sqlite3* handle, int code) {
    const QString folder = folderOf(handle);
    switch (code & 0xff) {
    case SQLITE_READONLY:
        return QStringLiteral("A base de dados só pode ser lida nesta estação: o arquivo ou a pasta %1 não "
                              "permite gravação. Nada foi gravado.")
            .arg(folder);
    case SQLITE_FULL:
        return QStringLiteral("Não há espaço no disco da base de dados (%1); nada foi gravado. Libere espaço "
                              "e tente de novo.")
            .arg(folder);
    case SQLITE_IOERR:
        return QStringLiteral(
                   "Houve um erro de leitura ou gravação no disco ou na rede da base de dados (%1); "
                   "nada foi gravado. Verifique o disco ou a conexão e tente de novo.")
            .arg(folder);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("O arquivo da base de dados em %1 está danificado. Restaure o último backup.")
            .arg(folder);
    case SQLITE_CANTOPEN:
        if (!folder.isEmpty() && !QFileInfo(folder).isDir())
            return QStringLiteral(
                       "A pasta da base de dados, %1, não pode mais ser alcançada; a rede pode ter "
                       "caído. Nada foi gravado.")
                .arg(folder);
        return QStringLiteral("A base de dados em %1 não pôde ser aberta para gravação: a pasta não permite "
                              "gravação ou não pode mais ser alcançada. Nada foi gravado.")
            .arg(folder);
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Esta estação não tem permissão para usar a base de dados em %1.").arg(folder);
    case SQLITE_NOMEM:
        return QStringLiteral("Falta memória para trabalhar com a base de dados.");
    case SQLITE_CONSTRAINT:
        if (code == SQLITE_CONSTRAINT_TRIGGER)
            return {}; // a refusal of ours, already a sentence (a base sent to the server)
        return code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE
                   ? kNumberTaken
                   : QStringLiteral("A base de dados recusou um valor deste registro; ele não foi gravado.");
    default:
        return {};
    }
}

} // namespace

QString errorMessage(sqlite3* handle, int code) {
    const int primary = code & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return QStringLiteral("A base de dados está em uso por outra estação e não pôde ser acessada agora. "
                              "Tente novamente em alguns instantes.");
    const QString detail = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code));
    const QString sentence = sentenceFor(handle, code);
    return sentence.isEmpty() ? detail : sentence + QStringLiteral("\n\nDetalhe: ") + detail;
}

namespace {

// A statement of SQLite.
class FileStatement : public StatementImpl {
  public:
    FileStatement(sqlite3* handle, const QString& sql) : m_handle(handle) {
        const QByteArray text = sql.toUtf8();
        const int code = sqlite3_prepare_v2(m_handle, text.constData(), static_cast<int>(text.size()),
                                            &m_statement, nullptr);
        if (code != SQLITE_OK)
            throw AppError(errorMessage(m_handle, code));
        m_texts.resize(sqlite3_bind_parameter_count(m_statement));
    }
    ~FileStatement() override { sqlite3_finalize(m_statement); }

    // A text bound stays here until it is bound again, so SQLite reads it without a copy of
    // its own: many records are written a value at a time.
    void bind(int position, const QVariant& value) override {
        if (value.isNull()) {
            sqlite3_bind_null(m_statement, position);
        } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
            sqlite3_bind_int64(m_statement, position, value.toLongLong());
        } else if (position >= 1 && position <= m_texts.size()) {
            QByteArray& text = m_texts[position - 1];
            text = value.toString().toUtf8();
            sqlite3_bind_text(m_statement, position, text.constData(), static_cast<int>(text.size()),
                              SQLITE_STATIC);
        }
    }
    bool step() override {
        const int code = sqlite3_step(m_statement);
        if (code == SQLITE_ROW)
            return true;
        if (code == SQLITE_DONE)
            return false;
        sqlite3_reset(m_statement);
        if ((code & 0xff) == SQLITE_CONSTRAINT)
            throw RecordNotStored(errorMessage(m_handle, code));
        throw AppError(errorMessage(m_handle, code));
    }
    void reset() override {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    qint64 integer(int column) const override { return sqlite3_column_int64(m_statement, column); }
    QByteArrayView bytesView(int column) const override {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return data ? QByteArrayView(data, sqlite3_column_bytes(m_statement, column)) : QByteArrayView();
    }
    int changes() const override { return sqlite3_changes(m_handle); }

  private:
    sqlite3* m_handle;
    sqlite3_stmt* m_statement = nullptr;
    QVector<QByteArray> m_texts; // by position less one
};

} // namespace

Statement::Statement(const Database& db, const QString& sql) : m_db(db) {
    if (db.isServer())
        m_impl = Server::statement(db.serverHandle(), sql);
    else
        m_impl = std::make_unique<FileStatement>(db.fileHandle(), sql);
}

Statement::~Statement() = default;

void Statement::bindAll(const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
}

void exec(const Database& db, const QString& sql) {
    Statement statement(db, sql);
    while (statement.step()) {
    }
}

QVector<qint64> integers(const Database& db, const QString& sql, const QVariantList& values) {
    Statement query(db, sql);
    query.bindAll(values);
    QVector<qint64> result;
    while (query.step())
        result.append(query.integer(0));
    return result;
}

} // namespace NativeQuery
