#include "readonlypath.h"

#include <QFile>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadOnlyPath::ReadOnlyPath(const QString& path) : m_path(path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0)
        return;
    ::chmod(name.constData(), info.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
    if (::geteuid() == 0)
        m_immutable = setImmutable(true);
    m_ok = ::access(name.constData(), W_OK) != 0 || m_immutable;
}

ReadOnlyPath::~ReadOnlyPath() {
    if (m_immutable)
        setImmutable(false);
    ::chmod(QFile::encodeName(m_path).constData(), 0755);
}

bool ReadOnlyPath::setImmutable(bool on) const {
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}
