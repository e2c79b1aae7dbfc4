#pragma once

#include <QString>
#include <QStringList>

// A profile (INI) file read and written with the Windows rules: section and key names
// match without regard to case, a value is the text after "=" (trimmed, quotes removed)
// up to 2047 characters, a new key goes at the end of its section and a new section at
// the end of the file, a key written again is replaced in place, and every other line
// is kept as it was.
class ProfileFile {
  public:
    // Reads the file once; a missing file reads as empty. Throws AppError when the file
    // exists but cannot be read.
    explicit ProfileFile(QString path);

    static constexpr int kMaxValueLength = 2047;

    QString readString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // Replaces the file atomically; throws AppError("Unable to write to <file>") on failure.
    void writeString(const QString& section, const QString& key, const QString& value);

  private:
    QStringList linesOnDisk() const;

    QString m_path;
    QStringList m_lines; // as read when the object was made; reads use them
};
