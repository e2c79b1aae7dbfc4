#include "paradoxreader.h"

#include "common/apperror.h"
#include "common/windows1252.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTime>
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
    kBlob = 0x0D,
    kFormattedMemo = 0x0E,
    kOle = 0x0F,
    kGraphic = 0x10,
    kTime = 0x14,
    kTimestamp = 0x15,
    kAutoIncrement = 0x16,
    kBcd = 0x17,
    kBytes = 0x18,
};

// The part of a memo or blob kept in the record after its first characters: where the
// rest lies in the memo file (4 bytes), its length (4) and a modification number (2).
constexpr int kMemoTail = 10;
constexpr int kMostRows = 10'000'000;
constexpr quint32 kLongestMemo = 64 * 1024 * 1024;
constexpr qint64 kMemoBlock = 4096;

struct Field {
    quint8 type;
    int size;
    int offset; // in the record
};

// The width a field of this type must have, or 0 when the type allows several; -1 for a
// type that keeps the memo tail, which needs at least kMemoTail bytes.
int fixedWidth(quint8 type) {
    switch (type) {
    case kShort:
        return 2;
    case kDate:
    case kLong:
    case kTime:
    case kAutoIncrement:
        return 4;
    case kCurrency:
    case kNumber:
    case kTimestamp:
        return 8;
    case kLogical:
        return 1;
    case kBcd:
        return 17;
    case kMemo:
    case kBlob:
    case kFormattedMemo:
    case kOle:
    case kGraphic:
        return -1;
    default:
        return 0;
    }
}

quint16 little16(const uchar* p) {
    return static_cast<quint16>(p[0] | p[1] << 8);
}

quint32 little32(const uchar* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<quint32>(p[3]) << 24;
}

// Numbers in a record are big-endian with the sign bit flipped; all zero bytes mean null.
bool allZero(const uchar* p, int length) {
    for (int i = 0; i < length; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

// A signed number of 2, 4 or 8 bytes.
qint64 signedBigEndian(const uchar* p, int length) {
    Q_ASSERT(length >= 1 && length <= 8);
    quint64 value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | p[i];
    const quint64 sign = quint64(1) << (length * 8 - 1);
    value ^= sign;
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

QString timeText(qint64 milliseconds) {
    if (milliseconds < 0 || milliseconds >= 24 * 3600 * 1000)
        return {};
    const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(milliseconds));
    return time.toString(time.second() == 0 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss"));
}

// Reads a device at given places, every read checked against its length.
class Source {
  public:
    Source(std::unique_ptr<QIODevice> device, QString name)
        : m_device(std::move(device)), m_name(std::move(name)) {}

    qint64 size() const { return m_device->size(); }
    const QString& name() const { return m_name; }

    QByteArray read(qint64 offset, qint64 length) const {
        if (offset < 0 || length < 0 || offset > size() || length > size() - offset)
            damaged();
        QByteArray bytes;
        if (!m_device->seek(offset))
            damaged();
        bytes = m_device->read(length);
        if (bytes.size() != length)
            damaged();
        return bytes;
    }

    [[noreturn]] void damaged() const {
        throw AppError(QStringLiteral("O arquivo %1 está incompleto ou danificado.").arg(m_name));
    }

  private:
    std::unique_ptr<QIODevice> m_device;
    QString m_name;
};

[[noreturn]] void notATable(const QString& name, const QString& why) {
    throw AppError(
        QStringLiteral("O arquivo %1 não é uma tabela Paradox da versão 6.0 que possa ser lida: %2")
            .arg(name, why));
}

// The header of a table, checked whole.
struct Header {
    qint64 recordSize = 0;
    qint64 headerSize = 0;
    qint64 blockSize = 0;
    int firstBlock = 0;
    QList<Field> fields;
    QStringList names;
    quint16 codePage = 0;
};

Header readHeader(const Source& db) {
    const QString& name = db.name();
    if (db.size() < 0x78)
        notATable(name, QStringLiteral("o arquivo é curto demais."));
    const QByteArray start = db.read(0, 0x78);
    const auto* p = reinterpret_cast<const uchar*>(start.constData());
    Header header;
    header.recordSize = little16(p);
    header.headerSize = little16(p + 2);
    const quint8 fileType = p[4];
    header.blockSize = qint64(p[5]) * 1024;
    header.firstBlock = little16(p + 0x0E);
    const int fieldCount = p[0x21];
    const quint8 version = p[0x39];
    if ((fileType != 0 && fileType != 2) || version < 3 || version > 12)
        notATable(name, QStringLiteral("o cabeçalho não é o de uma tabela."));
    if (header.blockSize == 0 || header.recordSize == 0 || fieldCount == 0 || header.headerSize < 0x58 ||
        header.headerSize > db.size() || header.recordSize > header.blockSize - 6)
        notATable(name, QStringLiteral("o cabeçalho dá tamanhos impossíveis."));
    const QByteArray bytes = db.read(0, header.headerSize);
    p = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 fieldArray = version >= 5 ? 0x78 : 0x58;
    const qint64 tableNameLength = version >= 12 ? 261 : 79;
    qint64 nameStart = fieldArray + 2 * fieldCount + 4 + 4 * fieldCount + tableNameLength;
    if (nameStart >= header.headerSize)
        notATable(name, QStringLiteral("a lista de campos não cabe no cabeçalho."));

    int offset = 0;
    for (int i = 0; i < fieldCount; ++i) {
        const Field field{p[fieldArray + 2 * i], p[fieldArray + 2 * i + 1], offset};
        const int width = fixedWidth(field.type);
        if (field.size == 0 || (width > 0 && field.size != width) || (width < 0 && field.size < kMemoTail))
            notATable(name, QStringLiteral("o campo %1 tem um tamanho (%2) que o seu tipo não admite.")
                                .arg(i + 1)
                                .arg(field.size));
        header.fields.append(field);
        offset += field.size;
    }
    if (offset != header.recordSize)
        notATable(name, QStringLiteral("os campos não somam o tamanho do registro."));
    for (int i = 0; i < fieldCount; ++i) {
        const auto* text = reinterpret_cast<const char*>(p + nameStart);
        const auto* end = static_cast<const char*>(std::memchr(text, 0, header.headerSize - nameStart));
        if (!end)
            notATable(name, QStringLiteral("os nomes dos campos passam do fim do cabeçalho."));
        header.names << QString::fromLatin1(text, end - text);
        nameStart += (end - text) + 1;
        if (nameStart > header.headerSize || (i + 1 < fieldCount && nameStart == header.headerSize))
            notATable(name, QStringLiteral("os nomes dos campos passam do fim do cabeçalho."));
    }
    header.codePage = version >= 5 ? little16(p + 0x6A) : 0;
    return header;
}

// A table opened: its header, where its records lie, and its files kept open to read them.
class TableRows : public SourceRows {
  public:
    TableRows(std::unique_ptr<QIODevice> table, const QString& fileName,
              std::function<std::unique_ptr<QIODevice>()> openMemos)
        : m_db(std::move(table), fileName), m_openMemos(std::move(openMemos)) {
        m_header = readHeader(m_db);
        if (m_header.codePage != 0 && m_header.codePage != 1252)
            m_decoder = QStringDecoder(qPrintable(QStringLiteral("cp%1").arg(m_header.codePage)));
        indexBlocks();
    }

    QStringList names() const { return m_header.names; }
    int count() const override { return m_rows; }
    SourceRow read(int row) const override;
    std::vector<std::optional<qint64>> wholeNumbers(int column) const override;

  private:
    struct Block {
        qint64 offset; // of its first record
        int firstRow;
        int rows;
    };
    void indexBlocks();
    const uchar* record(int row) const;
    QString text(const uchar* p, qint64 length) const;
    QString fieldValue(const Field& field, const uchar* p) const;
    QString memo(const Field& field, const uchar* p) const;
    QByteArray memoBytes(quint32 place, quint32 length) const;
    [[noreturn]] void damagedMemos() const {
        throw AppError(
            QStringLiteral("O arquivo de anotações da tabela %1 está danificado.").arg(m_db.name()));
    }
    const Source& memoFile() const;

    Source m_db;
    std::function<std::unique_ptr<QIODevice>()> m_openMemos;
    mutable std::optional<Source> m_memos;
    Header m_header;
    QStringDecoder m_decoder; // invalid: Windows-1252
    std::vector<Block> m_blocks;
    int m_rows = 0;
    mutable qsizetype m_cachedBlock = -1;
    mutable QByteArray m_cachedRecords;
};

// Follows the chain of blocks from the first, each block once: a chain that comes back to
// a block it has passed, leaves the file, or holds more records than a block can is damaged.
void TableRows::indexBlocks() {
    const qint64 dataSize = m_db.size() - m_header.headerSize;
    const qint64 blockCount = dataSize / m_header.blockSize;
    const qint64 perBlock = (m_header.blockSize - 6) / m_header.recordSize;
    std::vector<bool> visited(static_cast<size_t>(blockCount) + 1, false);
    qint64 block = m_header.firstBlock;
    qint64 rows = 0;
    while (block != 0) {
        if (block > blockCount)
            m_db.damaged();
        if (visited[static_cast<size_t>(block)])
            notATable(m_db.name(), QStringLiteral("a cadeia de blocos volta a um bloco já lido."));
        visited[static_cast<size_t>(block)] = true;
        const qint64 offset = m_header.headerSize + (block - 1) * m_header.blockSize;
        const QByteArray head = m_db.read(offset, 6);
        const auto* p = reinterpret_cast<const uchar*>(head.constData());
        const auto lastOffset = static_cast<qint16>(little16(p + 4));
        const qint64 records = lastOffset < 0 ? 0 : lastOffset / m_header.recordSize + 1;
        if (lastOffset >= 0 && (lastOffset % m_header.recordSize != 0 || records > perBlock))
            notATable(m_db.name(), QStringLiteral("um bloco diz ter mais registros do que cabem nele."));
        if (rows + records > kMostRows)
            notATable(m_db.name(), QStringLiteral("há mais de %1 registros.").arg(kMostRows));
        if (records > 0)
            m_blocks.push_back({offset + 6, static_cast<int>(rows), static_cast<int>(records)});
        rows += records;
        block = little16(p);
    }
    m_rows = static_cast<int>(rows);
}

const uchar* TableRows::record(int row) const {
    const auto found =
        std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                         [](int wanted, const Block& block) { return wanted < block.firstRow; });
    const qsizetype index = (found - m_blocks.begin()) - 1;
    const Block& block = m_blocks[static_cast<size_t>(index)];
    if (index != m_cachedBlock) {
        m_cachedRecords = m_db.read(block.offset, block.rows * m_header.recordSize);
        m_cachedBlock = index;
    }
    return reinterpret_cast<const uchar*>(m_cachedRecords.constData()) +
           (row - block.firstRow) * m_header.recordSize;
}

QString TableRows::text(const uchar* p, qint64 length) const {
    const QByteArrayView bytes(reinterpret_cast<const char*>(p), length);
    if (!m_decoder.isValid())
        return Windows1252::decode(bytes.toByteArray());
    auto& decoder = const_cast<QStringDecoder&>(m_decoder);
    decoder.resetState();
    return decoder.decode(bytes);
}

SourceRow TableRows::read(int row) const {
    const uchar* p = record(row);
    SourceRow values;
    values.reserve(m_header.fields.size());
    for (const Field& field : m_header.fields)
        values << fieldValue(field, p + field.offset);
    return values;
}

// Only the one field is read of each record.
std::vector<std::optional<qint64>> TableRows::wholeNumbers(int column) const {
    if (column < 0 || column >= m_header.fields.size())
        return std::vector<std::optional<qint64>>(static_cast<size_t>(m_rows));
    std::vector<std::optional<qint64>> numbers;
    const Field& field = m_header.fields[column];
    numbers.reserve(static_cast<size_t>(m_rows));
    for (int row = 0; row < m_rows; ++row)
        numbers.push_back(wholeNumber(fieldValue(field, record(row) + field.offset)));
    return numbers;
}

QString TableRows::fieldValue(const Field& field, const uchar* p) const {
    switch (field.type) {
    case kAlpha:
        return allZero(p, field.size) ? QString()
                                      : text(p, qstrnlen(reinterpret_cast<const char*>(p), field.size));
    case kShort:
    case kLong:
    case kAutoIncrement:
        return allZero(p, field.size) ? QString() : QString::number(signedBigEndian(p, field.size));
    case kDate: {
        if (allZero(p, 4))
            return {};
        // Days since 1 January of the year 1, that day being day 1.
        const QDate date = QDate(1, 1, 1).addDays(signedBigEndian(p, 4) - 1);
        return date.toString(QStringLiteral("dd/MM/yyyy"));
    }
    case kTime:
        return allZero(p, 4) ? QString() : timeText(signedBigEndian(p, 4));
    case kTimestamp: {
        if (allZero(p, 8))
            return {};
        const double milliseconds = numberOf(p);
        if (!(milliseconds >= 0 && milliseconds < 1e15))
            return {};
        const qint64 whole = static_cast<qint64>(milliseconds);
        const QDate date = QDate(1, 1, 1).addDays(whole / 86400000 - 1);
        return date.toString(QStringLiteral("dd/MM/yyyy")) + u' ' + timeText(whole % 86400000);
    }
    case kNumber:
    case kCurrency:
        return allZero(p, 8) ? QString() : QString::number(numberOf(p), 'g', 15);
    case kLogical:
        return p[0] == 0 ? QString() : (p[0] & 0x7F ? QStringLiteral("True") : QStringLiteral("False"));
    case kMemo:
    case kFormattedMemo:
        return memo(field, p);
    default:
        return {}; // pictures, binary data, BCD: nothing the transfer reads
    }
}

// A memo: its beginning stands in the record; a longer one lies in the .mb file.
QString TableRows::memo(const Field& field, const uchar* p) const {
    const int leader = field.size - kMemoTail;
    const quint32 place = little32(p + leader);
    const quint32 length = little32(p + leader + 4);
    if (length == 0)
        return {};
    if (length <= static_cast<quint32>(leader))
        return text(p, length);
    const QByteArray bytes = memoBytes(place, length);
    return text(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

QByteArray TableRows::memoBytes(quint32 place, quint32 length) const {
    const Source& blobs = memoFile();
    if (length > kLongestMemo || length > blobs.size())
        damagedMemos();
    const qint64 block = place & 0xFFFFFF00;
    const quint8 index = place & 0xFF;
    if (block + 12 > blobs.size())
        damagedMemos();
    if (index == 0xFF) { // a block of its own: type 2, then the blob after 9 bytes
        const QByteArray head = blobs.read(block, 9);
        if (head[0] != 2 || little32(reinterpret_cast<const uchar*>(head.constData()) + 3) != length)
            damagedMemos();
        return blobs.read(block + 9, length);
    }
    // A block shared by small blobs: type 3, then a table of five-byte entries.
    if (index >= 64 || blobs.read(block, 1)[0] != 3)
        damagedMemos();
    const QByteArray entry = blobs.read(block + 12 + 5 * qint64(index), 5);
    const auto* e = reinterpret_cast<const uchar*>(entry.constData());
    const qint64 start = block + qint64(e[0]) * 16;
    const qint64 stored = (qint64(e[1]) - 1) * 16 + e[4];
    if (stored != length || start + length > block + kMemoBlock)
        damagedMemos();
    return blobs.read(start, length);
}

const Source& TableRows::memoFile() const {
    if (!m_memos) {
        std::unique_ptr<QIODevice> device = m_openMemos ? m_openMemos() : nullptr;
        if (!device)
            throw AppError(QStringLiteral("O arquivo de anotações (.mb) da tabela %1 não foi encontrado.")
                               .arg(m_db.name()));
        m_memos.emplace(std::move(device), m_db.name());
    }
    return *m_memos;
}

std::unique_ptr<QIODevice> openFile(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(path, file->errorString()));
    return file;
}

// The memo file beside a table: the same name with .mb, in any case.
std::unique_ptr<QIODevice> openMemoFileOf(const QString& tablePath) {
    const QFileInfo db(tablePath);
    for (const QString& suffix : {QStringLiteral(".mb"), QStringLiteral(".MB"), QStringLiteral(".Mb")}) {
        const QString candidate = db.dir().filePath(db.completeBaseName() + suffix);
        if (QFileInfo::exists(candidate))
            return openFile(candidate);
    }
    return nullptr;
}

} // namespace

SourceTable read(std::unique_ptr<QIODevice> table, const QString& fileName,
                 std::function<std::unique_ptr<QIODevice>()> openMemos) {
    auto rows = std::make_shared<TableRows>(std::move(table), fileName, std::move(openMemos));
    return SourceTable(rows->names(), rows);
}

SourceTable read(const QString& path) {
    return read(openFile(path), QFileInfo(path).fileName(), [path] { return openMemoFileOf(path); });
}

} // namespace ParadoxReader
