#pragma once
// Where writing a file may land, for the windows' files: ftp::saveTarget's rule in Qt's types
// (a link is written through to a regular file; anything else that is not one is refused).

#include <QString>

namespace writetarget {

struct Target {
    QString path;     // the file to write: `path` itself, or the link's final target
    QString refusal;  // empty when writing is allowed; otherwise why not, for the user
    bool allowed() const { return refusal.isEmpty(); }
};

Target resolve(const QString& path);

// Creates `folder` (and its parents) when missing; a folder made here is the user's alone.
bool makePrivateFolder(const QString& folder);

}  // namespace writetarget
