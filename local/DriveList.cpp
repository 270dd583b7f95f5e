#include "DriveList.h"

#include <QStorageInfo>
#include <algorithm>

#include "LocalPaths.h"

QString driveText(const QString& root, const QString& label) {
    if (label.isEmpty()) return root;
    return root + QStringLiteral(" [") + label + QLatin1Char(']');
}

QList<Drive> mountedDrives() {
    QList<Drive> drives;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        if (!s.isValid()) continue;
        const QString root = s.rootPath();
        if (std::any_of(drives.cbegin(), drives.cend(), [&](const Drive& d) { return d.root == root; })) continue;
        drives.append({root, driveText(root, s.name())});
    }
    std::stable_sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) {
        const bool ar = a.root == QLatin1String("/"), br = b.root == QLatin1String("/");
        if (ar != br) return ar;
        return a.root < b.root;
    });
    if (drives.isEmpty() || drives.first().root != QLatin1String("/"))
        drives.prepend({QStringLiteral("/"), QStringLiteral("/")});
    return drives;
}

int driveIndexOf(const QList<Drive>& drives, const QString& folder) {
    int best = -1;
    for (int i = 0; i < drives.size(); ++i) {
        if (!localpath::isUnder(folder, drives[i].root)) continue;
        if (best < 0 || drives[i].root.size() > drives[best].root.size()) best = i;
    }
    return best;
}
