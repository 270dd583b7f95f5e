#include "RemoteWalk.h"

#include <algorithm>
#include <deque>
#include <map>

#include "RemoteTime.h"

namespace treesync {

namespace {

// A server can list a folder inside every folder forever; no real tree is this deep.
constexpr std::size_t kMaxDepth = 64;

bool lost(const ftp::Error& e) {
    using K = ftp::ErrorKind;
    return e.kind == K::Closed || e.kind == K::Connect || e.kind == K::Timeout || e.kind == K::Cancelled ||
           e.kind == K::Tls || e.kind == K::TooSlow;
}

}  // namespace

ftp::Result<RemoteTree> walkRemote(ftp::Connection& c, const std::string& top, const Excludes& excludes,
                                   std::int64_t now) {
    RemoteTree tree;
    // MLSD lists every name; LIST leaves dot names out on many servers (our temporary files too).
    tree.listsDotNames = c.features().mlsd;
    std::deque<std::string> pending{""};
    while (!pending.empty()) {
        const std::string folder = pending.front();
        pending.pop_front();
        if (ftp::Status s = c.changeDirectory(joinPath(top, folder)); s.failed()) {
            if (lost(s.error())) return s.error();
            if (folder.empty()) {
                tree.exists = false;
                return tree;
            }
            tree.problems.push_back(folder + ": " + s.error().message);
            tree.kept.push_back(folder + "/");
            continue;
        }
        auto find = c.findFiles("*.*");
        if (find.failed()) {
            if (lost(find.error())) return find.error();
            tree.problems.push_back((folder.empty() ? "." : folder) + ": " + find.error().message);
            tree.kept.push_back(folder + "/");
            continue;
        }
        for (const ftp::Entry& e : find.value()->entries()) {
            if (!isSafeSegment(e.name)) {
                tree.problems.push_back((folder.empty() ? "." : folder) +
                                        ": skipped a listed name that is not a plain file name");
                tree.kept.push_back(joinPath(folder, "?"));
                continue;
            }
            const std::string rel = joinPath(folder, e.name);
            if (excludes.excluded(rel)) {
                tree.kept.push_back(rel);
            } else if (e.isDirectory() && e.link) {
                tree.linkedFolders.push_back(rel);
            } else if (e.isDirectory()) {
                if (std::count(rel.begin(), rel.end(), '/') >= static_cast<long>(kMaxDepth)) {
                    tree.problems.push_back(rel + ": folders nested too deep; not entered");
                    tree.kept.push_back(rel);
                    continue;
                }
                tree.folders.push_back(rel);
                pending.push_back(rel);
            } else {
                tree.files.push_back({rel, e.size, remoteTime(e, now)});
            }
        }
    }
    return tree;
}

ftp::Status timesByMdtm(ftp::Connection& c, const std::string& top, const LocalTree& local, RemoteTree& remote) {
    if (!c.features().mdtm) return ftp::Status::ok();
    std::map<std::string, std::uint64_t> sizes;
    for (const auto& f : local.files) sizes[f.path] = f.size;
    for (auto& f : remote.files) {
        auto it = sizes.find(f.path);
        if (f.time || it == sizes.end() || it->second != f.size) continue;
        auto t = c.modificationTime(joinPath(top, f.path));
        if (t)
            f.time = RemoteTime{t.value().time_since_epoch().count(), 1};
        else if (lost(t.error()))
            return t.error();
    }
    return ftp::Status::ok();
}

}  // namespace treesync
