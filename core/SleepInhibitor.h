#pragma once
// Keeps the computer from going to sleep while it lives, where the login manager (logind) offers
// that: the lock is a file descriptor logind hands out, released when it is closed. Without a
// system bus or logind it does nothing, quietly; a transfer must not fail for it.

#include <QString>

class SleepInhibitor {
public:
    explicit SleepInhibitor(const QString& reason);
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

private:
    int fd_ = -1;
};
