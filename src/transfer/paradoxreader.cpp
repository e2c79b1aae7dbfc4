#include "paradoxreader.h"

#include "app/apperror.h"
#include "app/windows1252.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstring>
#include <optional>
#include <vector>

namespace ParadoxReader {

namespace {

enum FieldType : quint8 {
    kAlpha = 0x01,
    kDate = 0x02,
    kShort = 0x03,
    kLong = 0x04,
    kCurrency = 0x05,
    kNumber = 0x06,
    kLogical = 0x09,
    kMemo = 0x0C,
    kFormattedMemo = 0x0E,
    kAutoIncrement = 0x16,
};

struct Field {
    quint8 type;
    quint8 size;
};

// Bytes of a file, read whole; every access is checked against its end.
class Bytes {
  public:
    Bytes(const QByteArray& data, QString name)
        : m_data(data.cbegin(), data.cend()), m_name(std::move(name)) {}

    qint64 size() const { return static_cast<qint64>(m_data.size()); }
    const uchar* at(qint64 offset, qint64 length) const {
        if (offset < 0 || length < 0 || offset + length > size())
            throw AppError(QStringLiteral("O arquivo %1 está incompleto ou danificado.").arg(m_name));
        return m_data.data() + offset;
    }
    quint8 byte(qint64 offset) const { return *at(offset, 1); }
    quint16 little16(qint64 offset) const {
        const uchar* p = at(offset, 2);
        return static_cast<quint16>(p[0] | p[1] << 8);
    }
    quint32 little32(qint64 offset) const {
        const uchar* p = at(offset, 4);
        return p[0] | p[1] << 8 | p[2] << 16 | static_cast<quint32>(p[3]) << 24;
    }

  private:
    std::vector<uchar> m_data;
    QString m_name;
};

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

[[noreturn]] void notATable(const QString& name) {
    throw AppError(QStringLiteral("O arquivo %1 não é uma tabela Paradox da versão 6.0.").arg(name));
}

// Numbers in a record are big-endian with the sign bit flipped; all zero bytes mean null.
bool allZero(const uchar* p, int length) {
    for (int i = 0; i < length; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

qint64 signedBigEndian(const uchar* p, int length) {
    quint64 value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | p[i];
    value ^= quint64(1) << (length * 8 - 1);
    const quint64 sign = quint64(1) << (length * 8 - 1);
    return static_cast<qint64>((value ^ sign) - sign); // sign-extend
}

double numberOf(const uchar* p) {
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | p[i];
    bits = bits & (quint64(1) << 63) ? bits ^ (quint64(1) << 63) : ~bits;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

class Table {
  public:
    Table(const QString& path)
        : m_db(readWhole(path), QFileInfo(path).fileName()), m_name(QFileInfo(path).fileName()),
          m_path(path) {}

    SourceTable read() {
        readHeader();
        SourceTable table;
        table.columns = m_names;
        qint64 block = m_firstBlock;
        qint64 visited = 0;
        while (block != 0) {
            if (++visited > m_blockCount + 1)
                notATable(m_name); // the chain of blocks loops
            const qint64 offset = m_headerSize + (block - 1) * m_blockSize;
            const qint64 next = m_db.little16(offset);
            const auto lastOffset = static_cast<qint16>(m_db.little16(offset + 4));
            const qint64 records = lastOffset < 0 ? 0 : lastOffset / m_recordSize + 1;
            for (qint64 record = 0; record < records; ++record)
                table.addRow(recordValues(offset + 6 + record * m_recordSize));
            block = next;
        }
        return table;
    }

  private:
    void readHeader() {
        if (m_db.size() < 0x78)
            notATable(m_name);
        m_recordSize = m_db.little16(0);
        m_headerSize = m_db.little16(2);
        const quint8 fileType = m_db.byte(4);
        m_blockSize = qint64(m_db.byte(5)) * 1024;
        m_blockCount = m_db.little16(0x0C);
        m_firstBlock = m_db.little16(0x0E);
        const int fieldCount = m_db.byte(0x21);
        const quint8 version = m_db.byte(0x39);
        if ((fileType != 0 && fileType != 2) || m_blockSize == 0 || m_recordSize == 0 || fieldCount == 0 ||
            m_headerSize < 0x58 || version < 3 || version > 12)
            notATable(m_name);
        const qint64 fieldArray = version >= 5 ? 0x78 : 0x58;
        int recordSize = 0;
        for (int i = 0; i < fieldCount; ++i) {
            const Field field{m_db.byte(fieldArray + 2 * i), m_db.byte(fieldArray + 2 * i + 1)};
            m_fields.append(field);
            recordSize += field.size;
        }
        if (recordSize != m_recordSize)
            notATable(m_name);
        const qint64 tableNameLength = version >= 12 ? 261 : 79;
        qint64 name = fieldArray + 2 * fieldCount + 4 + 4 * fieldCount + tableNameLength;
        for (int i = 0; i < fieldCount; ++i) {
            const auto* start = reinterpret_cast<const char*>(m_db.at(name, 1));
            const qint64 length =
                qstrnlen(start, static_cast<uint>(std::min<qint64>(m_headerSize, m_db.size()) - name));
            m_names << QString::fromLatin1(start, length);
            name += length + 1;
        }
        const quint16 codePage = version >= 5 ? m_db.little16(0x6A) : 0;
        m_decoder = codePage == 0 || codePage == 1252 ? QString() : QStringLiteral("cp%1").arg(codePage);
    }

    QString text(const uchar* p, qint64 length) const {
        const QByteArray bytes(reinterpret_cast<const char*>(p), length);
        if (m_decoder.isEmpty())
            return Windows1252::decode(bytes);
        QStringDecoder decoder(qPrintable(m_decoder));
        return decoder.isValid() ? decoder.decode(bytes) : Windows1252::decode(bytes);
    }

    QStringList recordValues(qint64 offset) {
        QStringList values;
        qint64 position = offset;
        for (qsizetype i = 0; i < m_fields.size(); ++i) {
            const Field field = m_fields[i];
            values << fieldValue(field, m_db.at(position, field.size));
            position += field.size;
        }
        return values;
    }

    QString fieldValue(const Field& field, const uchar* p) {
        switch (field.type) {
        case kAlpha:
            return allZero(p, field.size) ? QString()
                                          : text(p, qstrnlen(reinterpret_cast<const char*>(p), field.size));
        case kShort:
        case kLong:
        case kAutoIncrement:
            return allZero(p, field.size) ? QString() : QString::number(signedBigEndian(p, field.size));
        case kDate:
            if (allZero(p, 4))
                return {};
            // Days since 1 January of the year 1, that day being day 1.
            return QDate(1, 1, 1).addDays(signedBigEndian(p, 4) - 1).toString(QStringLiteral("dd/MM/yyyy"));
        case kNumber:
        case kCurrency:
            return allZero(p, 8) ? QString() : QString::number(numberOf(p), 'g', 15);
        case kLogical:
            return p[0] == 0 ? QString() : (p[0] & 0x7F ? QStringLiteral("True") : QStringLiteral("False"));
        case kMemo:
        case kFormattedMemo:
            return memo(field, p);
        default:
            throw AppError(
                QStringLiteral("A tabela %1 tem um campo de um tipo que a transferência não lê (código %2).")
                    .arg(m_name)
                    .arg(field.type));
        }
    }

    // A memo: its beginning stands in the record; a longer one lies in the .mb file.
    QString memo(const Field& field, const uchar* p) {
        const int leader = field.size - 10;
        const quint32 place =
            p[leader] | p[leader + 1] << 8 | p[leader + 2] << 16 | quint32(p[leader + 3]) << 24;
        const quint32 length =
            p[leader + 4] | p[leader + 5] << 8 | p[leader + 6] << 16 | quint32(p[leader + 7]) << 24;
        if (length == 0)
            return {};
        if (length <= static_cast<quint32>(leader))
            return text(p, length);
        const Bytes& blobs = memoFile();
        const qint64 block = place & 0xFFFFFF00;
        const quint8 index = place & 0xFF;
        if (index == 0xFF) { // a block of its own
            if (blobs.byte(block) != 2)
                damagedMemos();
            return text(blobs.at(block + 9, length), length);
        }
        if (blobs.byte(block) != 3)
            damagedMemos();
        const qint64 entry = block + 12 + 5 * qint64(index);
        const qint64 start = block + qint64(blobs.byte(entry)) * 16;
        const qint64 stored = (qint64(blobs.byte(entry + 1)) - 1) * 16 + blobs.byte(entry + 4);
        if (stored != length)
            damagedMemos();
        return text(blobs.at(start, length), length);
    }

    [[noreturn]] void damagedMemos() const {
        throw AppError(QStringLiteral("O arquivo de anotações da tabela %1 está danificado.").arg(m_name));
    }

    const Bytes& memoFile() {
        if (!m_memos) {
            const QFileInfo db(m_path);
            QString path;
            for (const QString& suffix :
                 {QStringLiteral(".mb"), QStringLiteral(".MB"), QStringLiteral(".Mb")}) {
                const QString candidate = db.dir().filePath(db.completeBaseName() + suffix);
                if (QFileInfo::exists(candidate)) {
                    path = candidate;
                    break;
                }
            }
            if (path.isEmpty())
                throw AppError(QStringLiteral("O arquivo de anotações %1.mb da tabela %2 não foi encontrado.")
                                   .arg(db.completeBaseName(), m_name));
            m_memos.emplace(readWhole(path), QFileInfo(path).fileName());
        }
        return *m_memos;
    }

    Bytes m_db;
    QString m_name;
    QString m_path;
    std::optional<Bytes> m_memos;
    QList<Field> m_fields;
    QStringList m_names;
    QString m_decoder; // empty: Windows-1252
    qint64 m_recordSize = 0;
    qint64 m_headerSize = 0;
    qint64 m_blockSize = 0;
    qint64 m_blockCount = 0;
    qint64 m_firstBlock = 0;
};

} // namespace

SourceTable read(const QString& path) {
    return Table(path).read();
}

} // namespace ParadoxReader
