#include "textfile.h"

#include "apperror.h"
#include "windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

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
    return Windows1252::decode(bytes);
}

QByteArray encode(const QString& text) {
    QByteArray bytes;
    if (Windows1252::encode(text, bytes))
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
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

AtomicFile::AtomicFile(const QString& path) : m_file(path) {
    if (!m_file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, m_file.errorString()));
}

void AtomicFile::write(const QByteArray& bytes) {
    if (m_file.write(bytes) != bytes.size())
        throwWriteError();
}

void AtomicFile::commit() {
    if (!m_file.commit())
        throwWriteError();
}

void AtomicFile::throwWriteError() {
    const QString reason = m_file.errorString();
    m_file.cancelWriting();
    throw AppError(QStringLiteral("Cannot write file \"%1\". %2").arg(m_file.fileName(), reason));
}

} // namespace TextFile
