#include "jetstream.h"

#include <QtEndian>

namespace JetStream {

namespace {

void appendNumber(QByteArray& out, quint64 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

quint64 numberAt(QByteArrayView bytes, qsizetype offset, int length) {
    quint64 value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | static_cast<uchar>(bytes[offset + i]);
    return value;
}

QByteArray frameOf(char kind, const QByteArray& payload) {
    QByteArray frame;
    frame.reserve(payload.size() + 5);
    frame.append(kind);
    appendNumber(frame, static_cast<quint64>(payload.size()), 4);
    frame.append(payload);
    return frame;
}

} // namespace

QByteArray magic() {
    return kMagic.toByteArray();
}

QByteArray columnsFrame(const QList<QByteArray>& names) {
    QByteArray payload;
    for (const QByteArray& name : names) {
        appendNumber(payload, static_cast<quint64>(name.size()), 2);
        payload.append(name);
    }
    return frameOf('C', payload);
}

QByteArray countFrame(char kind, qint64 count) {
    QByteArray payload;
    appendNumber(payload, static_cast<quint64>(count), 8);
    return frameOf(kind, payload);
}

QByteArray recordFrame(const QList<QByteArrayView>& values) {
    QByteArray payload;
    for (QByteArrayView value : values) {
        appendNumber(payload, static_cast<quint64>(value.size()), 4);
        payload.append(value);
    }
    return frameOf('R', payload);
}

QByteArray errorFrame(const QString& message) {
    return frameOf('X', message.toUtf8());
}

void Decoder::feed(QByteArrayView bytes) {
    m_pending.append(bytes);
    qsizetype start = 0;
    if (!m_magicSeen) {
        if (m_pending.size() < kMagic.size())
            return;
        if (QByteArrayView(m_pending).first(kMagic.size()) != kMagic)
            bad(QStringLiteral("o leitor respondeu algo que não é uma base lida."));
        m_magicSeen = true;
        start = kMagic.size();
    }
    while (m_pending.size() - start >= 5) {
        const QByteArrayView pending(m_pending);
        const quint64 length = numberAt(pending, start + 1, 4);
        if (length > static_cast<quint64>(kLongestFrame))
            bad(QStringLiteral("o leitor mandou um bloco grande demais."));
        if (static_cast<quint64>(pending.size() - start - 5) < length)
            break;
        if (m_finished)
            bad(QStringLiteral("o leitor mandou dados depois do fim."));
        frame(pending[start], pending.sliced(start + 5, static_cast<qsizetype>(length)));
        start += 5 + static_cast<qsizetype>(length);
    }
    m_pending.remove(0, start);
}

void Decoder::frame(char kind, QByteArrayView payload) {
    switch (kind) {
    case 'C':
        columns(payload);
        break;
    case 'N':
        if (m_columns < 0 || m_expected >= 0 || payload.size() != 8)
            bad(QStringLiteral("a contagem de registros veio fora de ordem."));
        m_expected = static_cast<qint64>(numberAt(payload, 0, 8));
        if (m_expected < 0 || m_expected > kMostRecords)
            bad(QStringLiteral("a tabela diz ter %1 registros.").arg(m_expected));
        if (onExpected)
            onExpected(m_expected);
        break;
    case 'R':
        record(payload);
        break;
    case 'E': {
        if (m_expected < 0 || payload.size() != 8)
            bad(QStringLiteral("o fim veio fora de ordem."));
        const auto sent = static_cast<qint64>(numberAt(payload, 0, 8));
        if (sent != m_records)
            bad(QStringLiteral("o leitor diz ter mandado %1 registros, mas chegaram %2.")
                    .arg(sent)
                    .arg(m_records));
        m_finished = true;
        break;
    }
    case 'X':
        if (onError)
            onError(QString::fromUtf8(payload.first(std::min<qsizetype>(payload.size(), 1000))));
        break;
    default:
        bad(QStringLiteral("o leitor mandou um bloco de tipo desconhecido."));
    }
}

void Decoder::columns(QByteArrayView payload) {
    if (m_columns >= 0)
        bad(QStringLiteral("a lista de campos veio duas vezes."));
    QStringList names;
    qsizetype at = 0;
    while (at < payload.size()) {
        if (payload.size() - at < 2)
            bad(QStringLiteral("a lista de campos está cortada."));
        const auto length = static_cast<qsizetype>(numberAt(payload, at, 2));
        at += 2;
        if (length == 0 || length > 256 || payload.size() - at < length)
            bad(QStringLiteral("a lista de campos está cortada."));
        names << QString::fromUtf8(payload.sliced(at, length));
        at += length;
        if (names.size() > kMostColumns)
            bad(QStringLiteral("a tabela tem campos demais."));
    }
    m_columns = static_cast<int>(names.size());
    if (onColumns)
        onColumns(names);
}

void Decoder::record(QByteArrayView payload) {
    if (m_expected < 0)
        bad(QStringLiteral("um registro veio antes da lista de campos."));
    if (m_records >= m_expected)
        bad(QStringLiteral("chegaram mais registros do que a tabela diz ter."));
    QStringList values;
    values.reserve(m_columns);
    qsizetype at = 0;
    for (int column = 0; column < m_columns; ++column) {
        if (payload.size() - at < 4)
            bad(QStringLiteral("um registro está cortado."));
        const quint64 length = numberAt(payload, at, 4);
        at += 4;
        if (length > static_cast<quint64>(kLongestValue) ||
            static_cast<quint64>(payload.size() - at) < length)
            bad(QStringLiteral("um valor de um registro está cortado ou é longo demais."));
        values << QString::fromUtf8(payload.sliced(at, static_cast<qsizetype>(length)));
        at += static_cast<qsizetype>(length);
    }
    if (at != payload.size())
        bad(QStringLiteral("um registro tem mais valores do que campos."));
    ++m_records;
    if (onRecord)
        onRecord(values);
}

} // namespace JetStream
