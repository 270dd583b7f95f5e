#include "Plan.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <utility>

#include "Names.h"
#include "ftp/AtomicUpload.h"

namespace treesync {

namespace {

bool changed(const LocalFile& l, const RemoteFile& r, const PlanOptions& o, std::size_t& bySize) {
    if (l.size != r.size) return true;
    if (o.sizeOnly) return false;
    if (!r.time) {
        ++bySize;
        return false;
    }
    // A listing truncates: the remote time may lie up to one precision below the real one.
    return l.modified > r.time->utc + r.time->precision;
}

bool under(const std::string& path, const std::set<std::string>& folders) {
    for (std::string p = parentOf(path); !p.empty(); p = parentOf(p))
        if (folders.count(p)) return true;
    return false;
}

std::string temporaryName(const LocalFile& f) {
    const std::chrono::sys_time<std::chrono::nanoseconds> t{std::chrono::seconds(f.modified) +
                                                            std::chrono::nanoseconds(f.nanoseconds)};
    return ftp::AtomicUpload::temporaryName(lastSegment(f.path), f.size, t);
}

// Sorts the parts found in the files' folders: this version's, to continue, or older ones.
void matchParts(Plan& plan, const std::map<std::string, std::vector<std::string>>& partsByFolder) {
    for (const auto* list : {&plan.newFiles, &plan.changedFiles})
        for (const auto& f : *list) {
            auto it = partsByFolder.find(parentOf(f.path));
            if (it == partsByFolder.end()) continue;
            const std::string name = lastSegment(f.path), current = temporaryName(f);
            for (const auto& part : it->second) {
                const std::string segment = lastSegment(part);
                if (segment == current)
                    plan.resumable.insert(f.path);
                else if (ftp::AtomicUpload::isTemporaryNameOf(segment, name))
                    plan.staleParts[f.path].push_back(segment);
            }
        }
}

std::size_t depth(const std::string& path) { return std::count(path.begin(), path.end(), '/'); }

}  // namespace

Plan makePlan(const LocalTree& local, const RemoteTree& remote, const PlanOptions& options) {
    Plan plan;
    plan.partsUnseen = !remote.listsDotNames;
    std::map<std::string, const RemoteFile*> remoteFiles;
    for (const auto& f : remote.files) remoteFiles[f.path] = &f;
    const std::set<std::string> remoteFolders(remote.folders.begin(), remote.folders.end());
    const std::set<std::string> remoteLinks(remote.linkedFolders.begin(), remote.linkedFolders.end());
    const std::set<std::string> localFolders(local.folders.begin(), local.folders.end());
    std::set<std::string> localFiles;
    // A local folder the server has as a file or a link: nothing goes into it or below it.
    std::set<std::string> blocked;

    for (const auto& folder : local.folders) {
        if (under(folder, blocked)) continue;
        if (remoteFiles.count(folder) || remoteLinks.count(folder)) {
            plan.conflicts.push_back(folder + "/");
            blocked.insert(folder);
        } else if (!remoteFolders.count(folder)) {
            plan.createFolders.push_back(folder);
        }
    }
    for (const auto& file : local.files) {
        localFiles.insert(file.path);
        if (under(file.path, blocked)) continue;
        if (remoteFolders.count(file.path) || remoteLinks.count(file.path)) {
            plan.conflicts.push_back(file.path);
            continue;
        }
        auto it = remoteFiles.find(file.path);
        if (it == remoteFiles.end())
            plan.newFiles.push_back(file);
        else if (options.sendAll || changed(file, *it->second, options, plan.comparedBySize))
            plan.changedFiles.push_back(file);
        else
            plan.same.push_back(file.path);
    }
    // A name that is a local file too is the user's, whatever it looks like.
    std::vector<std::string> parts;
    std::map<std::string, std::vector<std::string>> partsByFolder;
    for (const auto& f : remote.files) {
        if (localFiles.count(f.path) || localFolders.count(f.path)) continue;
        if (ftp::AtomicUpload::isTemporaryName(lastSegment(f.path))) {
            parts.push_back(f.path);
            partsByFolder[parentOf(f.path)].push_back(f.path);
        } else {
            plan.onlyOnServer.push_back(f.path);
        }
    }
    matchParts(plan, partsByFolder);
    if (options.sendAll) {  // put -r never deletes
        plan.onlyOnServer.clear();
        return plan;
    }
    for (const auto& folder : remote.folders)
        if (!localFolders.count(folder) && !localFiles.count(folder)) plan.foldersOnlyOnServer.push_back(folder);
    // A folder still holding what we leave alone (a link, an excluded name) cannot be removed.
    // Its holders' ancestors are gathered once: testing each folder against every kept path
    // would be folders times paths.
    std::set<std::string> holding;
    for (const auto* list : {&remote.linkedFolders, &remote.kept, &std::as_const(parts)})
        for (const auto& p : *list)
            for (std::string f = parentOf(p); !f.empty() && holding.insert(f).second; f = parentOf(f)) {
            }
    std::erase_if(plan.foldersOnlyOnServer, [&](const std::string& folder) { return holding.count(folder) > 0; });
    std::stable_sort(plan.foldersOnlyOnServer.begin(), plan.foldersOnlyOnServer.end(),
                     [](const std::string& a, const std::string& b) { return depth(a) > depth(b); });
    return plan;
}

}  // namespace treesync
