#include "server.h"

#include "common/apperror.h"

#include <QRegularExpression>
#include <QtEndian>
#include <libpq-fe.h>
#include <memory>
#include <utility>
#include <vector>

namespace Server {

namespace {

// The type numbers of PostgreSQL's integers, as binary results carry them.
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kBool = 16;

const QString kBusy =
    QStringLiteral("A base de dados está em uso por outra estação e não pôde ser acessada agora. "
                   "Tente novamente em alguns instantes.");

// libpq's text, on one line: it breaks its lines and indents them for a console.
QString withDetail(const QString& sentence, const QString& detail) {
    const QString trimmed = detail.simplified();
    return trimmed.isEmpty() ? sentence : sentence + QStringLiteral("\n\nDetalhe: ") + trimmed;
}

// Why a connection could not be made, in Portuguese.
QString connectionFailure(const QString& text, const QString& detail) {
    const QString where = displayName(text);
    const QString lower = detail.toLower();
    QString sentence;
    if (lower.contains(QStringLiteral("does not exist")) && lower.contains(QStringLiteral("database")))
        sentence = QStringLiteral("A base de dados indicada não existe no servidor (%1).").arg(where);
    else if (lower.contains(QStringLiteral("role")) && lower.contains(QStringLiteral("does not exist")))
        sentence = QStringLiteral("O usuário indicado não existe no servidor (%1).").arg(where);
    else if (lower.contains(QStringLiteral("password authentication failed")))
        sentence = QStringLiteral("A senha não confere (%1).").arg(where);
    else if (lower.contains(QStringLiteral("permission denied")) ||
             lower.contains(QStringLiteral("pg_hba.conf")) ||
             lower.contains(QStringLiteral("not permitted to log in")))
        sentence = QStringLiteral("O servidor recusou a conexão deste usuário: ele não tem permissão (%1).")
                       .arg(where);
    else if (lower.contains(QStringLiteral("ssl")))
        sentence = QStringLiteral("A conexão segura (SSL) com o servidor falhou (%1).").arg(where);
    else if (lower.contains(QStringLiteral("invalid")) || lower.contains(QStringLiteral("missing")) ||
             lower.contains(QStringLiteral("unrecognized")) ||
             lower.contains(QStringLiteral("definition of service")))
        sentence =
            QStringLiteral("O texto de conexão com o servidor não pôde ser entendido (%1).").arg(where);
    else
        sentence = QStringLiteral("O servidor da base de dados não pôde ser alcançado (%1).").arg(where);
    return withDetail(sentence, detail);
}

// The failure of a statement thrown as what it is: a record the server refused for what it
// holds (an integrity or data error, SQLSTATE classes 23 and 22), or any other failure.
[[noreturn]] void throwFailure(pg_conn* connection, const pg_result* result) {
    const QString message = errorMessage(connection, result);
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    if (state.startsWith("23") || state.startsWith("22"))
        throw RecordNotStored(message);
    throw AppError(message);
}

// "?" replaced by $1, $2 ... as libpq numbers its values; our statements hold no "?" in a
// quoted text.
QByteArray numbered(const QString& sql, int* count) {
    QByteArray out;
    const QByteArray text = sql.toUtf8();
    out.reserve(text.size() + 16);
    int n = 0;
    char quote = 0;
    for (const char ch : text) {
        if (quote) {
            if (ch == quote)
                quote = 0;
            out.append(ch);
        } else if (ch == '\'' || ch == '"') {
            quote = ch;
            out.append(ch);
        } else if (ch == '?') {
            out.append('$').append(QByteArray::number(++n));
        } else {
            out.append(ch);
        }
    }
    *count = n;
    return out;
}

class ServerStatement : public NativeQuery::StatementImpl {
  public:
    ServerStatement(pg_conn* connection, const QString& sql) : m_connection(connection) {
        m_sql = numbered(sql, &m_count);
        m_values.resize(m_count);
        m_null.assign(static_cast<size_t>(m_count), true);
    }
    ~ServerStatement() override { clearResult(); }

    void bind(int position, const QVariant& value) override {
        if (position < 1 || position > m_count)
            throw AppError(QStringLiteral("Valor fora dos lugares da instrução (%1).").arg(position));
        const bool null = value.isNull();
        m_null[static_cast<size_t>(position - 1)] = null;
        m_values[position - 1] = null ? QByteArray() : value.toString().toUtf8();
    }

    bool step() override {
        if (!m_result) {
            execute();
            m_row = -1;
        }
        ++m_row;
        return m_row < PQntuples(m_result);
    }

    void reset() override {
        clearResult();
        m_null.assign(static_cast<size_t>(m_count), true);
    }

    qint64 integer(int column) const override {
        if (!current(column))
            return 0;
        const char* value = PQgetvalue(m_result, m_row, column);
        switch (PQftype(m_result, column)) {
        case kInt8:
            return qFromBigEndian<qint64>(value);
        case kInt4:
            return qFromBigEndian<qint32>(value);
        case kInt2:
            return qFromBigEndian<qint16>(value);
        case kBool:
            return value[0] != 0;
        default:
            return QByteArray(value, PQgetlength(m_result, m_row, column)).toLongLong();
        }
    }

    // Integers come binary; their text is made here, valid until the next call.
    QByteArrayView bytesView(int column) const override {
        if (!current(column))
            return {};
        switch (PQftype(m_result, column)) {
        case kInt8:
        case kInt4:
        case kInt2:
        case kBool:
            m_numberText = QByteArray::number(integer(column));
            return m_numberText;
        default:
            return QByteArrayView(PQgetvalue(m_result, m_row, column), PQgetlength(m_result, m_row, column));
        }
    }

    int changes() const override { return m_changes; }

  private:
    bool current(int column) const {
        return m_result && m_row >= 0 && m_row < PQntuples(m_result) && column < PQnfields(m_result) &&
               !PQgetisnull(m_result, m_row, column);
    }

    void execute() {
        std::vector<const char*> values(static_cast<size_t>(m_count));
        std::vector<int> lengths(static_cast<size_t>(m_count));
        for (int i = 0; i < m_count; ++i) {
            values[static_cast<size_t>(i)] =
                m_null[static_cast<size_t>(i)] ? nullptr : m_values[i].constData();
            lengths[static_cast<size_t>(i)] = static_cast<int>(m_values[i].size());
        }
        m_result = PQexecParams(m_connection, m_sql.constData(), m_count, nullptr, values.data(),
                                lengths.data(), nullptr, 1);
        const ExecStatusType status = PQresultStatus(m_result);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            const std::unique_ptr<pg_result, void (*)(pg_result*)> failed(std::exchange(m_result, nullptr),
                                                                          PQclear);
            m_row = -1;
            throwFailure(m_connection, failed.get());
        }
        m_changes = QByteArray(PQcmdTuples(m_result)).toInt();
    }

    void clearResult() {
        if (m_result)
            PQclear(m_result);
        m_result = nullptr;
        m_row = -1;
    }

    pg_conn* m_connection;
    QByteArray m_sql;
    int m_count = 0;
    QVector<QByteArray> m_values;
    std::vector<bool> m_null;
    pg_result* m_result = nullptr;
    int m_row = -1;
    int m_changes = 0;
    mutable QByteArray m_numberText;
};

// A value as COPY's text form writes it.
void appendCopyValue(QByteArray& line, const QVariant& value) {
    if (value.isNull()) {
        line.append("\\N");
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    for (const char ch : text) {
        switch (ch) {
        case '\\':
            line.append("\\\\");
            break;
        case '\t':
            line.append("\\t");
            break;
        case '\n':
            line.append("\\n");
            break;
        case '\r':
            line.append("\\r");
            break;
        default:
            line.append(ch);
        }
    }
}

} // namespace

pg_conn* connect(const QString& connectionText, const QString& password, int lockTimeout) {
    // Our defaults first; what the office's text says (its own settings, sslmode, a
    // service) comes after and wins; then the password the user typed, if any.
    const QByteArray text = connectionText.trimmed().toUtf8();
    const QByteArray secret = password.toUtf8();
    std::vector<const char*> keywords = {"connect_timeout", "application_name", "client_encoding", "dbname"};
    std::vector<const char*> values = {"10", "Velmora", "UTF8", text.constData()};
    if (!password.isEmpty()) {
        keywords.push_back("password");
        values.push_back(secret.constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    pg_conn* connection = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (!connection)
        throw AppError(QStringLiteral("Falta memória para conectar ao servidor."));
    if (PQstatus(connection) != CONNECTION_OK) {
        const QString detail = QString::fromUtf8(PQerrorMessage(connection));
        const bool needsPassword = PQconnectionNeedsPassword(connection) ||
                                   detail.contains(QStringLiteral("password authentication failed"));
        PQfinish(connection);
        if (needsPassword)
            throw PasswordNeeded(connectionFailure(connectionText, detail));
        throw AppError(connectionFailure(connectionText, detail));
    }
    // The server's notices ("skipping", "drop cascades") are for a console; the program
    // reports failures, never notices.
    PQsetNoticeProcessor(
        connection, [](void*, const char*) {}, nullptr);
    try {
        exec(connection, QStringLiteral("SET lock_timeout = %1").arg(lockTimeout));
    } catch (const AppError&) {
        PQfinish(connection);
        throw;
    }
    return connection;
}

bool reconnect(pg_conn* connection, int lockTimeout) {
    // Reading what has arrived finds a connection the server has closed meanwhile.
    if (PQstatus(connection) == CONNECTION_OK && PQconsumeInput(connection) == 1)
        return true;
    PQreset(connection);
    if (PQstatus(connection) != CONNECTION_OK)
        return false;
    try {
        exec(connection, QStringLiteral("SET lock_timeout = %1").arg(lockTimeout));
    } catch (const AppError&) {
        return false;
    }
    return true;
}

void disconnect(pg_conn* connection) {
    if (connection)
        PQfinish(connection);
}

QString displayName(const QString& connectionText) {
    QString shown = connectionText.trimmed();
    static const QRegularExpression uriPassword(QStringLiteral(R"(^(postgres(?:ql)?://[^:/@?]*):[^@/?]*@)"));
    shown.replace(uriPassword, QStringLiteral("\\1:***@"));
    static const QRegularExpression parameter(QStringLiteral(R"(\bpassword\s*=\s*('[^']*'|[^\s&]*))"),
                                              QRegularExpression::CaseInsensitiveOption);
    shown.replace(parameter, QStringLiteral("password=***"));
    return shown;
}

std::unique_ptr<NativeQuery::StatementImpl> statement(pg_conn* connection, const QString& sql) {
    return std::make_unique<ServerStatement>(connection, sql);
}

void exec(pg_conn* connection, const QString& sql) {
    ServerStatement statement(connection, sql);
    while (statement.step()) {
    }
}

void copyRows(pg_conn* connection, const QString& table, const QStringList& columns,
              const QVector<QVariantList>& rows) {
    const QByteArray command =
        QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(u',')).toUtf8();
    pg_result* started = PQexec(connection, command.constData());
    if (PQresultStatus(started) != PGRES_COPY_IN) {
        const QString message = errorMessage(connection, started);
        PQclear(started);
        throw AppError(message);
    }
    PQclear(started);
    QByteArray chunk;
    const auto send = [&] {
        if (!chunk.isEmpty() &&
            PQputCopyData(connection, chunk.constData(), static_cast<int>(chunk.size())) != 1)
            throw AppError(errorMessage(connection, nullptr));
        chunk.clear();
    };
    bool sending = true;
    try {
        for (const QVariantList& row : rows) {
            for (qsizetype column = 0; column < row.size(); ++column) {
                if (column > 0)
                    chunk.append('\t');
                appendCopyValue(chunk, row[column]);
            }
            chunk.append('\n');
            if (chunk.size() > (1 << 18))
                send();
        }
        send();
        sending = false;
        PQputCopyEnd(connection, nullptr);
    } catch (const AppError&) {
        if (sending)
            PQputCopyEnd(connection, "interrompido");
        while (pg_result* result = PQgetResult(connection))
            PQclear(result);
        throw;
    }
    std::unique_ptr<pg_result, void (*)(pg_result*)> failed(nullptr, PQclear);
    while (pg_result* result = PQgetResult(connection)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK && !failed)
            failed.reset(result);
        else
            PQclear(result);
    }
    if (failed)
        throwFailure(connection, failed.get());
}

QString errorMessage(pg_conn* connection, const pg_result* result) {
    const QString detail =
        QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection));
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    // A failure the server sent has its SQLSTATE; one without is libpq's own, the
    // connection lost (libpq may not have marked it so yet).
    if (PQstatus(connection) != CONNECTION_OK || state.isEmpty())
        return withDetail(
            QStringLiteral("A conexão com o servidor da base de dados caiu; nada foi gravado. Verifique "
                           "a rede ou o servidor e tente de novo."),
            detail);
    if (state == "55P03" || state == "40001" || state == "40P01")
        return kBusy;
    if (state == "53100")
        return withDetail(
            QStringLiteral("Não há espaço no disco do servidor da base de dados; nada foi gravado."), detail);
    if (state == "42501")
        return withDetail(
            QStringLiteral("Este usuário não tem permissão para isto na base de dados do servidor."), detail);
    if (state == "42P01" || state == "42703")
        return withDetail(
            QStringLiteral("A base de dados do servidor não é uma base do Velmora (falta nela o que o "
                           "programa usa)."),
            detail);
    if (state.startsWith("57P") || state.startsWith("08"))
        return withDetail(
            QStringLiteral("O servidor da base de dados foi desligado ou desfez a conexão; nada foi "
                           "gravado."),
            detail);
    if (state == "23505")
        return withDetail(NativeQuery::kNumberTaken, detail);
    if (state.startsWith("23") || state.startsWith("22"))
        return withDetail(
            QStringLiteral("A base de dados do servidor recusou um valor deste registro; ele não foi "
                           "gravado."),
            detail);
    if (state == "25P02")
        return withDetail(QStringLiteral("A operação anterior falhou; nada foi gravado."), detail);
    return detail.trimmed();
}

} // namespace Server
