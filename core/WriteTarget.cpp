#include "WriteTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ftp/SaveTarget.h"

namespace writetarget {

// The rule is the engine's, which saves its own file the same way.
Target resolve(const QString& path) {
    const ftp::SaveTarget target = ftp::saveTarget(QFile::encodeName(path).toStdString());
    return {QFile::decodeName(target.path.c_str()), QFile::decodeName(target.refusal.c_str())};
}

bool makePrivateFolder(const QString& folder) {
    if (QFileInfo(folder).isDir()) return true;
    if (!QDir().mkpath(folder)) return false;
    return QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace writetarget
