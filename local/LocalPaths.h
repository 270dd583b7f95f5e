#pragma once
// Local paths are "/" paths. A folder path ends in "/" only at the root, and joining a folder
// with a name never doubles the separator.

#include <QString>
#include <QStringList>

namespace localpath {

// Absolute, cleaned, without a trailing "/" except for the root itself.
QString normalizeFolder(const QString& path);
// folder + "/" + name, with one separator whatever the folder ends in.
QString join(const QString& folder, const QString& name);
// The folders from the root down to folder itself: "/a/b" gives "/", "/a", "/a/b".
QStringList ancestors(const QString& folder);
// True when path is root or lies below it ("/mnt/usb" is not under "/mnt/us").
bool isUnder(const QString& path, const QString& root);

}  // namespace localpath
