#pragma once
// Where saving a file may land. Users keep dotfiles as links to files elsewhere and expect a
// save to go through the link; a link to anything but a regular file (a device, a pipe, a
// folder, nothing at all) is refused, so a save never replaces or feeds such a thing.

#include <string>

namespace ftp {

struct SaveTarget {
    std::string path;     // the file to write: `path` itself, or the link's final target
    std::string refusal;  // empty when writing is allowed; otherwise why not, for the user
    bool allowed() const { return refusal.empty(); }
};

SaveTarget saveTarget(const std::string& path);

}  // namespace ftp
