#pragma once
// The plan: a local tree against a remote one, file by file. A file is sent when it is new,
// when its size differs, or when the local copy is newer than the remote time allows (by more
// than that time's precision). A remote copy newer than the local one is the same file: a
// server that cannot set times keeps the time of the upload.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Tree.h"

namespace treesync {

struct PlanOptions {
    bool sizeOnly = false;  // ignore times altogether
    bool sendAll = false;   // put -r: every local file goes, whatever the server holds
};

struct Plan {
    std::vector<std::string> createFolders;  // parents first
    std::vector<LocalFile> newFiles;
    std::vector<LocalFile> changedFiles;
    std::vector<std::string> onlyOnServer;         // files
    std::vector<std::string> foldersOnlyOnServer;  // deepest first, after their files
    std::vector<std::string> same;
    // A file here and a folder there (or the reverse), or a local folder where the server has a
    // link: nothing is done to them, and the run does not count as a success.
    std::vector<std::string> conflicts;
    std::size_t comparedBySize = 0;  // same-size files compared without a usable remote time
    // The temporary files our uploads leave (AtomicUpload's names) are never the user's files:
    // never only on the server, and their folders stay. Of a file to send, the part of this very
    // version is continued; those of other versions go once the file is whole.
    std::set<std::string> resumable;  // files to send
    bool partsUnseen = false;         // the listing may hide them: ask the server about each file's part
    std::map<std::string, std::vector<std::string>> staleParts;  // file to send -> its old parts

    std::size_t toSend() const { return newFiles.size() + changedFiles.size(); }
};

Plan makePlan(const LocalTree& local, const RemoteTree& remote, const PlanOptions& options);

}  // namespace treesync
