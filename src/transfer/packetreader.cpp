#include "packetreader.h"

#include "common/apperror.h"
#include "markupscanner.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>
#include <array>

namespace PacketReader {

namespace {

// The bits of a row's RowState.
constexpr int kOriginal = 1;
constexpr int kDeleted = 2;
constexpr int kInserted = 4;
constexpr int kModified = 8;

// More records than any office keeps; the index of a larger file would not fit in memory.
constexpr int kMostRows = 10'000'000;
constexpr int kMostColumns = 1024;

// A row's old number as indexed: a whole number, or one of these.
constexpr qint64 kNoNumber = std::numeric_limits<qint64>::min();       // the row does not hold it
constexpr qint64 kNotANumber = std::numeric_limits<qint64>::min() + 1; // it holds another text

const QByteArray kNumberColumn = QByteArrayLiteral("AGE_COD");

[[noreturn]] void refuse(const QString& fileName, const QString& why) {
    throw AppError(
        QStringLiteral("O arquivo %1 não pôde ser lido como base da versão gratuita: %2").arg(fileName, why));
}

bool isPath(const QVector<QByteArray>& parents, std::initializer_list<const char*> expected) {
    if (parents.size() != static_cast<qsizetype>(expected.size()))
        return false;
    qsizetype i = 0;
    for (const char* name : expected) {
        if (parents[i++] != name)
            return false;
    }
    return true;
}

// A "date" (yyyymmdd) or "dateTime" (yyyymmddThh:mm:ss...) value as dd/mm/yyyy; a value
// of another form stays as it is.
QString dateText(const QString& value) {
    if (value.size() < 8)
        return value;
    const QString digits = value.left(8);
    for (QChar ch : digits) {
        if (ch < u'0' || ch > u'9')
            return value;
    }
    return digits.mid(6, 2) + u'/' + digits.mid(4, 2) + u'/' + digits.left(4);
}

int rowState(QByteArrayView raw) {
    bool ok = false;
    const int state = QByteArray(raw.data(), raw.size()).trimmed().toInt(&ok);
    return ok && state >= 0 && state <= 255 ? state : 0;
}

bool isUtf16(const QByteArray& head) {
    return head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
           head.startsWith(QByteArrayLiteral("<\0?\0")) || head.startsWith(QByteArrayLiteral("\0<\0?"));
}

// A UTF-16 packet copied as UTF-8 into a temporary file, a piece at a time.
std::unique_ptr<QIODevice> utf8Copy(QIODevice& utf16, const QString& fileName) {
    const QByteArray head = utf16.peek(2);
    const bool bigEndian = head.startsWith("\xFE\xFF") || head.startsWith(QByteArrayLiteral("\0<"));
    QStringDecoder decoder(bigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
    QStringEncoder encoder(QStringEncoder::Utf8);
    auto copy = std::make_unique<QTemporaryFile>();
    if (!copy->open())
        refuse(fileName, QStringLiteral("não foi possível criar uma cópia temporária para lê-lo."));
    while (true) {
        const QByteArray piece = utf16.read(64 * 1024);
        if (piece.isEmpty())
            break;
        if (copy->write(encoder.encode(decoder.decode(piece))) < 0)
            refuse(fileName, QStringLiteral("não foi possível gravar a cópia temporária."));
    }
    if (!copy->flush() || !copy->seek(0))
        refuse(fileName, QStringLiteral("não foi possível ler a cópia temporária."));
    return copy;
}

// The attributes of the tags met while indexing: the field list, the change log, and of
// each row its state and old number.
class IndexAttributes : public MarkupScanner::Attributes {
  public:
    enum class Context { Other, Field, Params, Row };
    Context context = Context::Other;
    QByteArray fieldName;
    QByteArray fieldType;
    QByteArray changeLog;
    int state = 0;
    std::optional<QByteArray> number;
    bool numbered = false; // the packet has an AGE_COD column
    bool packet = false;   // the root is DATAPACKET

    void begin(const QVector<QByteArray>& parents, QByteArrayView name) override {
        fieldName.clear();
        fieldType.clear();
        state = 0;
        number.reset();
        if (parents.isEmpty())
            packet = name == "DATAPACKET";
        if (name == "FIELD" && isPath(parents, {"DATAPACKET", "METADATA", "FIELDS"}))
            context = Context::Field;
        else if (name == "PARAMS" && isPath(parents, {"DATAPACKET", "METADATA"}))
            context = Context::Params;
        else if (name == "ROW" && isPath(parents, {"DATAPACKET", "ROWDATA"}))
            context = Context::Row;
        else
            context = Context::Other;
    }
    bool wants(QByteArrayView name) override {
        switch (context) {
        case Context::Field:
            return name == "attrname" || name == "fieldtype";
        case Context::Params:
            return name == "CHANGE_LOG";
        case Context::Row:
            return name == "RowState" || (numbered && name == kNumberColumn);
        case Context::Other:
            break;
        }
        return false;
    }
    void take(QByteArrayView name, QByteArrayView raw) override {
        if (name == "attrname")
            fieldName = raw.toByteArray();
        else if (name == "fieldtype")
            fieldType = raw.toByteArray();
        else if (name == "CHANGE_LOG")
            changeLog = raw.toByteArray();
        else if (name == "RowState")
            state = rowState(raw);
        else
            number = raw.toByteArray();
    }
};

// The values of one row read on demand, by column position.
class RowAttributes : public MarkupScanner::Attributes {
  public:
    RowAttributes(const QVector<QByteArray>& names, const QHash<QByteArray, int>& positions)
        : m_names(names), m_positions(positions) {}

    QVector<QByteArray> raw; // by position; null where the row holds nothing
    void begin(const QVector<QByteArray>&, QByteArrayView) override {
        raw = QVector<QByteArray>(m_names.size());
        m_expected = 0;
    }
    bool wants(QByteArrayView name) override {
        // Attributes usually come in column order.
        if (m_expected < m_names.size() && m_names[m_expected] == name) {
            m_position = m_expected;
        } else {
            m_position = m_positions.value(name.toByteArray(), -1);
            if (m_position < 0)
                return false;
        }
        m_expected = m_position + 1;
        return raw[m_position].isNull();
    }
    void take(QByteArrayView, QByteArrayView value) override {
        raw[m_position] = value.isEmpty() ? QByteArray("") : value.toByteArray();
    }

  private:
    const QVector<QByteArray>& m_names;
    const QHash<QByteArray, int>& m_positions;
    int m_expected = 0;
    int m_position = -1;
};

// A packet indexed: where each row lies in the file, its state and old number, and how
// the rows as they stood last are made of the rows the file holds.
class PacketRows : public SourceRows {
  public:
    PacketRows(std::unique_ptr<QIODevice> device, QString fileName, bool forcedUtf8)
        : m_device(std::move(device)), m_fileName(std::move(fileName)), m_forcedUtf8(forcedUtf8) {}

    void index();
    QStringList columnNames() const;

    int count() const override {
        return static_cast<int>(m_changesResolved ? m_bases.size() : m_offsets.size());
    }
    SourceRow read(int row) const override;
    std::vector<std::optional<qint64>> wholeNumbers(int column) const override;

  private:
    void addField(const IndexAttributes& field);
    void addRow(qint64 offset, const IndexAttributes& row);
    void resolveChanges(const QVector<std::array<int, 3>>& log);
    QVector<std::array<int, 3>> changeLogOf(const QByteArray& raw) const;
    int physicalRow(int row) const { return m_changesResolved ? m_bases[row] : row; }
    QVector<QByteArray> rawRow(int physical) const;
    qint64 numberOf(int physical) const { return m_numbers.isEmpty() ? kNoNumber : m_numbers[physical]; }

    std::unique_ptr<QIODevice> m_device;
    QString m_fileName;
    bool m_forcedUtf8;
    ValueDecoder m_decoder;
    mutable std::unique_ptr<MarkupScanner> m_rowReader;

    QVector<QByteArray> m_names;
    QHash<QByteArray, int> m_positions;
    QVector<bool> m_dated;
    int m_numberColumn = -1;

    QVector<qint64> m_offsets; // of each ROW the file holds
    QVector<quint8> m_states;
    QVector<qint64> m_numbers;
    bool m_anyState = false;
    // The rows as they stood last, once the changes are resolved: the file's row each one
    // starts from, and the rows whose values are laid over it, in order.
    bool m_changesResolved = false;
    std::vector<int> m_bases;
    QHash<int, QVector<int>> m_overlays;
};

void PacketRows::addField(const IndexAttributes& field) {
    if (!m_offsets.isEmpty())
        refuse(m_fileName, QStringLiteral("a lista de campos continua depois dos registros."));
    if (m_names.size() >= kMostColumns)
        refuse(m_fileName, QStringLiteral("há campos demais."));
    const int position = static_cast<int>(m_names.size());
    m_names << field.fieldName;
    if (!m_positions.contains(field.fieldName))
        m_positions.insert(field.fieldName, position);
    m_dated << (field.fieldType == "date" || field.fieldType == "dateTime");
    if (field.fieldName == kNumberColumn && m_numberColumn < 0)
        m_numberColumn = position;
}

void PacketRows::addRow(qint64 offset, const IndexAttributes& row) {
    if (m_offsets.size() >= kMostRows)
        refuse(m_fileName, QStringLiteral("há mais de %1 registros.").arg(kMostRows));
    m_offsets << offset;
    m_states << static_cast<quint8>(row.state);
    m_anyState = m_anyState || row.state != 0;
    if (m_numberColumn >= 0) {
        qint64 number = kNoNumber;
        if (row.number) {
            const auto whole = wholeNumber(ValueDecoder().decode(*row.number));
            number = whole && *whole > kNotANumber ? *whole : kNotANumber;
        }
        m_numbers << number;
    }
}

QVector<std::array<int, 3>> PacketRows::changeLogOf(const QByteArray& raw) const {
    const QList<QByteArray> numbers = raw.simplified().split(' ');
    QVector<std::array<int, 3>> log;
    for (qsizetype i = 0; i + 2 < numbers.size(); i += 3)
        log.append({numbers[i].toInt(), numbers[i + 1].toInt(), numbers[i + 2].toInt()});
    return log;
}

void PacketRows::index() {
    MarkupScanner scanner(*m_device);
    IndexAttributes attributes;
    QVector<std::array<int, 3>> changeLog;
    try {
        while (true) {
            const MarkupScanner::Tag tag = scanner.next(attributes);
            if (tag.kind == MarkupScanner::Kind::Finished)
                break;
            if (tag.kind != MarkupScanner::Kind::Start)
                continue;
            if (!attributes.packet)
                refuse(m_fileName, QStringLiteral("não há nele a lista de campos de um pacote de dados."));
            switch (attributes.context) {
            case IndexAttributes::Context::Field:
                addField(attributes);
                attributes.numbered = m_numberColumn >= 0;
                break;
            case IndexAttributes::Context::Params:
                if (!attributes.changeLog.isEmpty())
                    changeLog = changeLogOf(attributes.changeLog);
                attributes.changeLog.clear();
                break;
            case IndexAttributes::Context::Row:
                addRow(tag.offset, attributes);
                break;
            case IndexAttributes::Context::Other:
                break;
            }
        }
    } catch (const MarkupScanner::ScanError& error) {
        refuse(m_fileName, error.reason);
    }
    if (m_names.isEmpty())
        refuse(m_fileName, QStringLiteral("não há nele a lista de campos de um pacote de dados."));
    m_decoder = ValueDecoder::forEncoding(m_forcedUtf8 ? QStringLiteral("utf-8") : scanner.declaredEncoding(),
                                          scanner.valuesAreUtf8());
    if (m_anyState)
        resolveChanges(changeLog);
    m_rowReader = std::make_unique<MarkupScanner>(*m_device);
}

// Which rows the packet holds as they stood last. A change row (RowState 8) holds the new
// values of the fields that changed, and perhaps only those: it is laid over the row it
// changes. The row states say which row of a log entry is the change, whatever the order
// of the entry's numbers; without a log, a change follows the row it changes.
void PacketRows::resolveChanges(const QVector<std::array<int, 3>>& log) {
    const int rows = static_cast<int>(m_offsets.size());
    std::vector<bool> gone(static_cast<size_t>(rows), false);
    std::vector<int> mergedInto(static_cast<size_t>(rows), -1);
    const auto isChange = [this](int row) {
        return (m_states[row] & kModified) && !(m_states[row] & (kOriginal | kInserted));
    };
    // The row a row's values now live in, following changes of changes.
    const auto rootOf = [&mergedInto](int row) {
        for (int steps = 0; mergedInto[row] >= 0 && steps < static_cast<int>(mergedInto.size()); ++steps)
            row = mergedInto[row];
        return row;
    };
    const auto layOver = [&](int change, int original) {
        const int root = rootOf(original);
        if (root == change || gone[change])
            return;
        m_overlays[root].append(change);
        mergedInto[change] = root;
        gone[change] = true;
    };
    const auto valid = [rows](int row) { return row >= 0 && row < rows; };
    if (!log.isEmpty()) {
        for (const auto& [first, second, kind] : log) {
            const int a = first - 1;
            const int b = second - 1;
            if ((kind & kModified) && valid(a) && valid(b) && a != b) {
                if (isChange(b) && !isChange(a))
                    layOver(b, a);
                else
                    layOver(a, b);
            } else if ((kind & kDeleted) && valid(a)) {
                gone[a] = true;
                gone[rootOf(a)] = true;
            }
        }
    } else {
        int last = -1;
        for (int row = 0; row < rows; ++row) {
            if (isChange(row)) {
                if (last >= 0)
                    layOver(row, last);
                gone[row] = true;
            } else {
                last = row;
            }
        }
    }
    for (int row = 0; row < rows; ++row) {
        if (!gone[row] && !(m_states[row] & kDeleted) && !isChange(row))
            m_bases.push_back(row);
    }
    m_changesResolved = true;
}

QStringList PacketRows::columnNames() const {
    QStringList names;
    for (const QByteArray& name : m_names)
        names << m_decoder.decode(name);
    return names;
}

QVector<QByteArray> PacketRows::rawRow(int physical) const {
    RowAttributes attributes(m_names, m_positions);
    try {
        m_rowReader->tagAt(m_offsets[physical], attributes);
    } catch (const MarkupScanner::ScanError& error) {
        refuse(m_fileName, error.reason);
    }
    return attributes.raw;
}

SourceRow PacketRows::read(int row) const {
    const int physical = physicalRow(row);
    QVector<QByteArray> raw = rawRow(physical);
    for (int change : m_overlays.value(physical)) {
        const QVector<QByteArray> changed = rawRow(change);
        for (qsizetype column = 0; column < changed.size(); ++column) {
            if (!changed[column].isNull())
                raw[column] = changed[column];
        }
    }
    SourceRow values(raw.size());
    for (qsizetype column = 0; column < raw.size(); ++column) {
        if (raw[column].isNull())
            continue;
        values[column] = m_decoder.decode(raw[column]);
        if (m_dated[column])
            values[column] = dateText(values[column]);
    }
    return values;
}

std::vector<std::optional<qint64>> PacketRows::wholeNumbers(int column) const {
    if (column != m_numberColumn || column < 0)
        return SourceRows::wholeNumbers(column);
    std::vector<std::optional<qint64>> numbers;
    numbers.reserve(static_cast<size_t>(count()));
    for (int row = 0; row < count(); ++row) {
        const int physical = physicalRow(row);
        qint64 number = numberOf(physical);
        for (int change : m_overlays.value(physical)) {
            if (numberOf(change) != kNoNumber)
                number = numberOf(change);
        }
        numbers.push_back(number > kNotANumber ? std::optional<qint64>(number) : std::nullopt);
    }
    return numbers;
}

SourceTable fromDevice(std::unique_ptr<QIODevice> device, const QString& fileName) {
    bool transcoded = false;
    if (isUtf16(device->peek(4))) {
        device = utf8Copy(*device, fileName);
        transcoded = true;
    }
    auto rows = std::make_shared<PacketRows>(std::move(device), fileName, transcoded);
    rows->index();
    return SourceTable(rows->columnNames(), rows);
}

} // namespace

SourceTable read(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(path, file->errorString()));
    return fromDevice(std::move(file), QFileInfo(path).fileName());
}

SourceTable parse(const QByteArray& bytes, const QString& fileName) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return fromDevice(std::move(buffer), fileName);
}

} // namespace PacketReader
