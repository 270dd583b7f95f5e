#pragma once
// One running program per user: a lock file in the user's runtime folder. A lock left behind by
// a process that no longer runs is taken over, so a crash never blocks the next start.

#include <QLockFile>
#include <QString>

class SingleInstance {
public:
    // The lock file in $XDG_RUNTIME_DIR (or the temporary folder when there is none).
    static QString defaultLockPath();

    explicit SingleInstance(const QString& lockPath = defaultLockPath());
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process may run: it now holds the lock, or the lock cannot be made at all
    // (a program that cannot tell is better started than silently refused). False only when
    // another live process holds it.
    bool acquire();
    bool holdsLock() const { return lock_.isLocked(); }

private:
    QLockFile lock_;
};
