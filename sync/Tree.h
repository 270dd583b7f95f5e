#pragma once
// What the two walks found: the local tree and the remote one, paths relative to their tops.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace treesync {

struct LocalFile {
    std::string path;  // relative, '/'-separated
    std::uint64_t size = 0;
    std::int64_t modified = 0;     // seconds since 1970
    std::int64_t nanoseconds = 0;  // and the part of a second, which names an upload's temporary file
};

struct LocalTree {
    std::vector<std::string> folders;        // parents before children
    std::vector<LocalFile> files;            // links to files carry their target's size and time
    std::vector<std::string> linkedFolders;  // links to folders: reported, never followed
    std::vector<std::string> problems;       // "path: why" for what could not be read
};

// A remote time and how coarse it is: 1 s from MLSD, 60 s or a day from a listing's date.
struct RemoteTime {
    std::int64_t utc = 0;
    std::int64_t precision = 1;
};

struct RemoteFile {
    std::string path;
    std::uint64_t size = 0;
    std::optional<RemoteTime> time;
};

struct RemoteTree {
    bool exists = true;                // false: the top folder is not there yet
    bool listsDotNames = true;         // false: a plain LIST, which many servers give without dot names
    std::vector<std::string> folders;  // parents before children
    std::vector<RemoteFile> files;
    std::vector<std::string> linkedFolders;  // links to folders: never entered nor deleted
    std::vector<std::string> kept;           // excluded or unsafe: left alone, their folders too
    std::vector<std::string> problems;       // unsafe names and folders that could not be listed
};

}  // namespace treesync
