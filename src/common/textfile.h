#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringList>

// The settings and list files keep the Windows conventions: Windows-1252 without a
// byte-order mark, CR LF line breaks, read and written whole. A byte-order mark is
// honoured on reading. A text that Windows-1252 cannot hold is written as UTF-8 with a
// mark instead, so no character is lost. Every write replaces the file atomically.
namespace TextFile {

QString decode(const QByteArray& bytes);
// The bytes a text is written as: Windows-1252, or UTF-8 with a mark when needed.
QByteArray encode(const QString& text);

// Splits on CR LF, lone LF and lone CR; a last line without a break is a line, and a
// final break does not start another one.
QStringList splitLines(const QString& text);

bool exists(const QString& path);
// The whole text; throws AppError when the file exists but cannot be read.
QString readText(const QString& path);
QStringList readLines(const QString& path);

// A text set as a whole (a folder path): its lines joined by CR LF, no break after the last.
void writeText(const QString& path, const QString& text);
// One line added to an empty box ("sim", a drive letter): the line and one CR LF.
void writeLine(const QString& path, const QString& line);
// A list: every line followed by CR LF, the last included.
void writeLines(const QString& path, const QStringList& lines);
// The raw bytes, replacing the file atomically; throws AppError("Cannot create file ...").
void writeBytes(const QString& path, const QByteArray& bytes);

// A file written in pieces that replaces the old one only when commit() succeeds; until
// then, and after any failure, the old file stays whole. Failures throw AppError.
class AtomicFile {
  public:
    explicit AtomicFile(const QString& path);
    void write(const QByteArray& bytes);
    void commit();

  private:
    [[noreturn]] void throwWriteError();
    QSaveFile m_file;
};

} // namespace TextFile
