#pragma once
// Paths inside a synchronised tree: relative, '/'-separated, made only of segments that cannot
// leave the folder they are joined to, and the --exclude globs that leave parts of a tree out.

#include <optional>
#include <string>
#include <vector>

namespace treesync {

// A name from a listing is usable only as one plain segment: never "", "." or "..", never a '/',
// NUL, CR or LF (a hostile server could otherwise aim a later DELE or STOR elsewhere).
bool isSafeSegment(const std::string& name);

// "a/b" + "c" -> "a/b/c"; an empty folder or segment adds nothing; "/" is not doubled.
std::string joinPath(const std::string& folder, const std::string& segment);
// "a/b/c" -> "a/b" and "c"; a top-level path has an empty folder.
std::string parentOf(const std::string& path);
std::string lastSegment(const std::string& path);

// fnmatch globs. A pattern without '/' is tried on the last segment at every depth ("*.tmp",
// ".git"); one with '/' on the whole relative path ("cache/*"). An excluded folder is not
// entered, so nothing under it is sent or deleted.
class Excludes {
public:
    // nullopt with `error` set for an empty pattern, which would silently exclude nothing.
    static std::optional<Excludes> make(const std::vector<std::string>& patterns, std::string& error);
    bool excluded(const std::string& relativePath) const;

private:
    std::vector<std::string> patterns_;
};

}  // namespace treesync
