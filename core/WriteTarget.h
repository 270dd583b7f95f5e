#pragma once
// Where writing a file may land. Users keep dotfiles as links to files elsewhere and expect a
// save to go through the link; a link to anything but a regular file (a device, a pipe, a
// folder, nothing at all) is refused, so a save never replaces or feeds such a thing.

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
