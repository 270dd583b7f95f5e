#pragma once
// The "drives" of this system: its mounted file systems, "/" first.

#include <QList>
#include <QString>

struct Drive {
    QString root;  // mount point
    QString text;  // mount point, then the volume label in square brackets where there is one
};

QList<Drive> mountedDrives();
QString driveText(const QString& root, const QString& label);
// The drive holding folder: the one with the longest mount point above it; -1 when none.
int driveIndexOf(const QList<Drive>& drives, const QString& folder);
