#include "LocalWalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace treesync {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

std::string why(int error) { return std::strerror(error); }

// The entries of one folder, sorted so that runs and their output are repeatable.
bool readFolder(const std::string& path, std::vector<std::string>& names, int& error) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir) {
        error = errno;
        return false;
    }
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return true;
}

}  // namespace

LocalTree walkLocal(const std::string& top, const Excludes& excludes) {
    LocalTree tree;
    std::deque<std::string> pending{""};  // breadth first: parents before children
    while (!pending.empty()) {
        const std::string folder = pending.front();
        pending.pop_front();
        std::vector<std::string> names;
        int error = 0;
        if (!readFolder(joinPath(top, folder), names, error)) {
            tree.problems.push_back((folder.empty() ? "." : folder) + ": " + why(error));
            continue;
        }
        for (const auto& name : names) {
            const std::string rel = joinPath(folder, name);
            if (excludes.excluded(rel)) continue;
            const std::string full = joinPath(top, rel);
            struct stat own {};
            if (::lstat(full.c_str(), &own) != 0) {
                tree.problems.push_back(rel + ": " + why(errno));
                continue;
            }
            struct stat st = own;
            if (S_ISLNK(own.st_mode) && ::stat(full.c_str(), &st) != 0) {
                tree.problems.push_back(rel + ": link to nothing (" + why(errno) + ")");
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                if (S_ISLNK(own.st_mode)) {
                    tree.linkedFolders.push_back(rel);
                } else {
                    tree.folders.push_back(rel);
                    pending.push_back(rel);
                }
            } else if (S_ISREG(st.st_mode)) {
                tree.files.push_back({rel, static_cast<std::uint64_t>(st.st_size),
                                      static_cast<std::int64_t>(st.st_mtim.tv_sec),
                                      static_cast<std::int64_t>(st.st_mtim.tv_nsec)});
            } else {
                tree.problems.push_back(rel + ": not a regular file");
            }
        }
    }
    return tree;
}

}  // namespace treesync
