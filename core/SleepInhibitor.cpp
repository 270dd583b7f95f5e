#include "SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

SleepInhibitor::SleepInhibitor(const QString& reason) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    // A plain call: an interface object would first ask the bus to describe logind.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Pelicano") << reason << QStringLiteral("block");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);  // a stuck bus must not hold up a transfer
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    const auto fd = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    if (!fd.isValid()) return;
    // The reply's descriptor closes with the reply; the lock lives in a copy of our own.
    fd_ = ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

SleepInhibitor::~SleepInhibitor() {
    if (fd_ >= 0) ::close(fd_);
}
