#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>
#include <unistd.h>

QString SingleInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        return QDir::tempPath() + QStringLiteral("/pelicano-%1.lock").arg(::getuid());
    return dir + QStringLiteral("/pelicano.lock");
}

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
    // Never age a live lock out: only a lock whose process is gone counts as stale.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::acquire() {
    if (lock_.tryLock(0)) return true;
    return lock_.error() != QLockFile::LockFailedError;
}
