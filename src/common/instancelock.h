#pragma once

#include <QString>

// The single-instance lock "InstanciaVelmora": a file in the user's runtime folder held
// with flock. The kernel drops the lock when the holding process ends, however it ends.
class InstanceLock {
  public:
    explicit InstanceLock(const QString& name = QStringLiteral("InstanciaVelmora"));
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting; false when a running process holds it.
    bool tryAcquire();
    QString path() const { return m_path; }

  private:
    QString m_path;
    int m_fd = -1;
};
