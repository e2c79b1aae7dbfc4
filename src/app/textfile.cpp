#include "textfile.h"

#include "apperror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned bytes map to the C1 controls,
// as Windows itself maps them.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

QString decodeWindows1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte <= 0x9F ? QChar(kHighTable[byte - 0x80]) : QChar(byte));
    }
    return text;
}

// Returns false when some character has no Windows-1252 byte.
bool encodeWindows1252(const QString& text, QByteArray& out) {
    out.clear();
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        const auto* found = std::find(kHighTable.begin(), kHighTable.end(), u);
        if (found == kHighTable.end())
            return false;
        out.append(static_cast<char>(0x80 + (found - kHighTable.begin())));
    }
    return true;
}

} // namespace

namespace TextFile {

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const auto encoding =
            bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        QStringDecoder decoder(encoding);
        return decoder.decode(bytes.mid(2));
    }
    return decodeWindows1252(bytes);
}

QByteArray encode(const QString& text) {
    QByteArray bytes;
    if (encodeWindows1252(text, bytes))
        return bytes;
    return kUtf8Bom + text.toUtf8();
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch != u'\r' && ch != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool exists(const QString& path) {
    return QFileInfo(path).isFile();
}

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    return decode(file.readAll());
}

QStringList readLines(const QString& path) {
    return splitLines(readText(path));
}

void writeText(const QString& path, const QString& text) {
    writeBytes(path, encode(splitLines(text).join(QStringLiteral("\r\n"))));
}

void writeLine(const QString& path, const QString& line) {
    writeLines(path, {line});
}

void writeLines(const QString& path, const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    writeBytes(path, encode(text));
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

} // namespace TextFile
