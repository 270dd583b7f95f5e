#include "WriteTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace writetarget {

namespace {

bool isRegularFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool exists(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

}  // namespace

Target resolve(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        if (!exists(path) || isRegularFile(path)) return {path, {}};
        return {path, path + QStringLiteral(" is not a regular file; nothing was written")};
    }
    const QString target = info.canonicalFilePath();  // empty when the link leads nowhere
    if (target.isEmpty())
        return {path, path + QStringLiteral(" is a link to a file that does not exist; nothing was written")};
    if (!isRegularFile(target))
        return {path, path + QStringLiteral(" is a link to ") + target +
                          QStringLiteral(", which is not a regular file; nothing was written")};
    return {target, {}};
}

bool makePrivateFolder(const QString& folder) {
    if (QFileInfo(folder).isDir()) return true;
    if (!QDir().mkpath(folder)) return false;
    return QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace writetarget
