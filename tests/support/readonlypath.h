#pragma once

#include <QString>

// Makes a file or folder unwritable for this process while the object lives: its write
// permissions removed, and for the superuser (whom permissions do not stop) the file
// system's immutable flag set. ok() is false where neither can be done here.
class ReadOnlyPath {
  public:
    explicit ReadOnlyPath(const QString& path);
    ~ReadOnlyPath();
    ReadOnlyPath(const ReadOnlyPath&) = delete;
    ReadOnlyPath& operator=(const ReadOnlyPath&) = delete;

    bool ok() const { return m_ok; }

  private:
    bool setImmutable(bool on) const;

    QString m_path;
    bool m_immutable = false;
    bool m_ok = false;
};
