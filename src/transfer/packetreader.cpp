#include "packetreader.h"

#include "app/apperror.h"
#include "app/windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <optional>

namespace PacketReader {

namespace {

// The bits of a row's RowState.
constexpr int kOriginal = 1;
constexpr int kDeleted = 2;
constexpr int kInserted = 4;
constexpr int kModified = 8;

struct Row {
    int state = 0;
    QStringList values; // by column position, null where the row holds nothing
};

struct ChangeEntry {
    int original; // rows count from 1, as the packet counts them
    int changed;
    int kind;
};

[[noreturn]] void refuse(const QString& fileName, const QString& why) {
    throw AppError(
        QStringLiteral("O arquivo %1 não pôde ser lido como base da versão gratuita: %2").arg(fileName, why));
}

// Whether the bytes are UTF-8 throughout, checked a piece at a time.
bool isUtf8(const QByteArray& bytes) {
    constexpr qsizetype kPiece = 1 << 20;
    QStringDecoder utf8(QStringDecoder::Utf8);
    for (qsizetype start = 0; start < bytes.size() && !utf8.hasError(); start += kPiece)
        const QString piece =
            utf8.decode(QByteArrayView(bytes.constData() + start, std::min(kPiece, bytes.size() - start)));
    return !utf8.hasError();
}

// The encoding the packet declares (lower case), or empty.
QString declaredEncoding(const QByteArray& bytes) {
    static const QRegularExpression declaration(
        QStringLiteral(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([^"']+)["'])"));
    return declaration.match(QString::fromLatin1(bytes.left(200))).captured(1).toLower();
}

// Line breaks written raw inside attribute values would be read as blanks by any XML
// reader; they are turned into character references first, as other writers wrote them.
// The bytes are ASCII-compatible (UTF-8 or Windows-1252); without such breaks they are
// given back untouched.
QByteArray keepBreaksInValues(const QByteArray& bytes) {
    QByteArray kept;
    qsizetype copied = 0;
    bool inTag = false;
    char quote = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (quote) {
            if (ch == quote) {
                quote = 0;
            } else if (ch == '\r' || ch == '\n') {
                kept.append(bytes.constData() + copied, i - copied);
                kept.append(ch == '\r' ? "&#13;" : "&#10;");
                copied = i + 1;
            }
        } else if (inTag) {
            if (ch == '"' || ch == '\'')
                quote = ch;
            else if (ch == '>')
                inTag = false;
        } else if (ch == '<') {
            inTag = true;
        }
    }
    if (copied == 0)
        return bytes;
    kept.append(bytes.constData() + copied, bytes.size() - copied);
    return kept;
}

// The packet as the XML reader takes it: UTF-8 bytes as they are, anything else decoded
// here (a packet declaring no encoding whose bytes are not UTF-8 is Windows-1252).
void feed(QXmlStreamReader& xml, const QByteArray& bytes) {
    const QByteArray text = keepBreaksInValues(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    const QString encoding = declaredEncoding(text);
    const bool utf8 = encoding == QStringLiteral("utf-8") || encoding == QStringLiteral("utf8") ||
                      bytes.startsWith("\xEF\xBB\xBF") || (encoding.isEmpty() && isUtf8(text));
    if (utf8) {
        xml.addData(text);
        return;
    }
    if (encoding.isEmpty() || encoding == QStringLiteral("windows-1252") ||
        encoding == QStringLiteral("iso-8859-1") || encoding == QStringLiteral("latin1")) {
        xml.addData(Windows1252::decode(text));
        return;
    }
    QStringDecoder named(qPrintable(encoding));
    xml.addData(named.isValid() ? named.decode(text) : Windows1252::decode(text));
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

// A packet's rows as they stood last: deleted rows left out, a changed row with its
// new values, in the order of the packet.
QList<Row> currentRows(QList<Row> rows, const QList<ChangeEntry>& changeLog) {
    QList<bool> gone(rows.size(), false);
    const auto apply = [&rows](int target, const Row& change) {
        for (qsizetype column = 0; column < change.values.size(); ++column) {
            if (!change.values[column].isNull())
                rows[target].values[column] = change.values[column];
        }
    };
    if (!changeLog.isEmpty()) {
        for (const ChangeEntry& entry : changeLog) {
            const int original = entry.original - 1;
            const int changed = entry.changed - 1;
            if (entry.kind == kModified && original >= 0 && original < rows.size() && changed >= 0 &&
                changed < rows.size() && changed != original) {
                apply(original, rows[changed]);
                gone[changed] = true;
            } else if (entry.kind == kDeleted) {
                for (int index : {original, changed}) {
                    if (index >= 0 && index < rows.size())
                        gone[index] = true;
                }
            }
        }
    } else {
        // Without a log, a change follows the row it changes.
        int last = -1;
        for (int i = 0; i < rows.size(); ++i) {
            if (rows[i].state & kModified && !(rows[i].state & (kOriginal | kInserted))) {
                if (last >= 0)
                    apply(last, rows[i]);
                gone[i] = true;
            } else {
                last = i;
            }
        }
    }
    QList<Row> current;
    for (int i = 0; i < rows.size(); ++i) {
        if (!gone[i] && !(rows[i].state & kDeleted))
            current.append(std::move(rows[i]));
    }
    return current;
}

QList<ChangeEntry> changeLogOf(const QString& text) {
    const QStringList numbers = text.simplified().split(u' ', Qt::SkipEmptyParts);
    QList<ChangeEntry> log;
    for (qsizetype i = 0; i + 2 < numbers.size(); i += 3)
        log.append({numbers[i].toInt(), numbers[i + 1].toInt(), numbers[i + 2].toInt()});
    return log;
}

// A row's values by column position: the value of each attribute named after a column,
// null for the columns the row does not hold. Attributes usually come in column order.
QStringList rowValues(const QXmlStreamAttributes& attributes, const QStringList& columns,
                      const QHash<QString, int>& positions, int* state) {
    QStringList values(columns.size());
    int expected = 0;
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringView name = attribute.name();
        if (name == u"RowState") {
            *state = attribute.value().toInt();
            continue;
        }
        const int position = expected < columns.size() && columns[expected] == name
                                 ? expected
                                 : positions.value(name.toString(), -1);
        if (position < 0)
            continue;
        const QString value = attribute.value().toString();
        values[position] = value.isNull() ? QStringLiteral("") : value;
        expected = position + 1;
    }
    return values;
}

} // namespace

SourceTable parse(const QByteArray& bytes, const QString& fileName) {
    QXmlStreamReader xml;
    feed(xml, bytes);
    SourceTable table;
    QList<bool> dated;
    QHash<QString, int> positions;
    // Rows with a state of their own wait until every row is read, for the change log.
    QList<Row> changed;
    QList<ChangeEntry> changeLog;
    bool packet = false;
    bool fields = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"ROW") {
            Row row;
            row.values = rowValues(xml.attributes(), table.columns, positions, &row.state);
            for (qsizetype column = 0; column < dated.size(); ++column) {
                if (dated[column] && !row.values[column].isNull())
                    row.values[column] = dateText(row.values[column]);
            }
            if (row.state == 0 && changeLog.isEmpty() && changed.isEmpty())
                table.addRow(row.values);
            else
                changed.append(std::move(row));
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (name == u"DATAPACKET") {
            packet = true;
        } else if (name == u"FIELDS") {
            fields = true;
        } else if (name == u"FIELD" && fields) {
            positions.insert(attributes.value(QStringLiteral("attrname")).toString(),
                             static_cast<int>(table.columns.size()));
            table.columns << attributes.value(QStringLiteral("attrname")).toString();
            const auto type = attributes.value(QStringLiteral("fieldtype"));
            dated << (type == u"date" || type == u"dateTime");
        } else if (name == u"PARAMS" && attributes.hasAttribute(QStringLiteral("CHANGE_LOG"))) {
            changeLog = changeLogOf(attributes.value(QStringLiteral("CHANGE_LOG")).toString());
        }
    }
    if (xml.hasError())
        refuse(fileName, QStringLiteral("%1 (linha %2)").arg(xml.errorString()).arg(xml.lineNumber()));
    if (!packet || table.columns.isEmpty())
        refuse(fileName, QStringLiteral("não há nele a lista de campos de um pacote de dados."));
    if (!changed.isEmpty()) {
        // The rows read before the first changed one are unchanged: they come first, as
        // the change log counts rows from the start of the packet.
        const int before = table.rowCount();
        QList<Row> all;
        for (int row = 0; row < before; ++row) {
            Row unchanged;
            for (int column = 0; column < table.columnCount(); ++column)
                unchanged.values << table.value(row, column);
            all.append(std::move(unchanged));
        }
        all.append(changed);
        SourceTable current;
        current.columns = table.columns;
        for (const Row& row : currentRows(std::move(all), changeLog))
            current.addRow(row.values);
        return current;
    }
    return table;
}

SourceTable read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(path, file.errorString()));
    return parse(file.readAll(), QFileInfo(path).fileName());
}

} // namespace PacketReader
