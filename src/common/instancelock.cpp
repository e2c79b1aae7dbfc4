#include "instancelock.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(const QString& name) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    m_path = folder + u'/' + name + QStringLiteral(".lock");
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool InstanceLock::tryAcquire() {
    if (m_fd >= 0)
        return true;
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // an unusable runtime folder must not keep the office out of its data
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}
