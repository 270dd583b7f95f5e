#include "LocalPaths.h"

#include <QDir>
#include <QFileInfo>

namespace localpath {

QString normalizeFolder(const QString& path) {
    QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return p;
}

QString join(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

QStringList ancestors(const QString& folder) {
    QStringList out{QStringLiteral("/")};
    QString acc;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        acc += QLatin1Char('/') + part;
        out << acc;
    }
    return out;
}

bool isUnder(const QString& path, const QString& root) {
    if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace localpath
