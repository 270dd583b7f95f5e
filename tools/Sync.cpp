#include "Sync.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

#include <sys/stat.h>

#include "Printable.h"
#include "Report.h"
#include "Signals.h"
#include "SyncProgress.h"
#include "sync/TreeSync.h"

namespace {

using treesync::Plan;

struct Tally {
    std::size_t sent = 0, deleted = 0, failed = 0;
    std::uint64_t bytes = 0;
};

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What the walks found that the plan cannot act on, said before anything is done. Returns how
// many count against the run.
std::size_t reportFindings(const char* command, const treesync::LocalTree& local, const treesync::RemoteTree& remote,
                           const Plan& plan) {
    for (const auto& link : local.linkedFolders)
        std::cerr << command << ": " << printableName(link) << ": a link to a folder; not followed\n";
    for (const auto& p : local.problems) std::cerr << command << ": " << printableName(p) << "\n";
    for (const auto& p : remote.problems) std::cerr << command << ": on the server: " << printableName(p) << "\n";
    for (const auto& c : plan.conflicts)
        std::cerr << command << ": " << printableName(c)
                  << ": a file on one side and a folder (or link) on the other; left alone\n";
    if (plan.comparedBySize > 0)
        std::cerr << command << ": " << plan.comparedBySize
                  << " file(s) compared by size only: the server's listing gives no time we can use\n";
    return local.problems.size() + remote.problems.size() + plan.conflicts.size();
}

void printLines(char mark, const std::vector<std::string>& paths, const char* suffix = "") {
    for (const auto& p : paths) std::cout << mark << ' ' << printableName(p) << suffix << '\n';
}

void printDeletions(const Plan& plan) {
    printLines('-', plan.onlyOnServer);
    printLines('-', plan.foldersOnlyOnServer, "/");
}

void printPlan(const Plan& plan) {
    printLines('+', plan.createFolders, "/");
    for (const auto& f : plan.newFiles) std::cout << "+ " << printableName(f.path) << '\n';
    for (const auto& f : plan.changedFiles) std::cout << "~ " << printableName(f.path) << '\n';
    printDeletions(plan);
}

std::string countsLine(const Plan& plan) {
    return std::to_string(plan.newFiles.size()) + " new, " + std::to_string(plan.changedFiles.size()) + " changed, " +
           std::to_string(plan.onlyOnServer.size()) + " only on the server, " + std::to_string(plan.same.size()) +
           " unchanged, " + std::to_string(plan.createFolders.size()) + " folder(s) to create";
}

// Where REMOTEDIR leads from the folder the login (and --cd) left us in.
ftp::Result<std::string> remoteTop(ftp::Connection& c, const std::string& given) {
    if (!given.empty() && given.front() == '/') return given;
    auto here = c.currentDirectory();
    if (here.failed()) return here.error();
    return treesync::joinPath(here.value(), given);
}

// Creates folders, sends files, deletes when asked: one tree, after its plan was shown.
Tally carryOut(std::unique_ptr<ftp::Connection>& c, const treesync::Opener& open, const CommandLine& cl,
               const std::string& localTop, const std::string& top, bool topExists, const Plan& plan,
               SyncProgress& progress) {
    treesync::CarryOptions options;
    options.type = cl.type;
    options.connections = cl.parallel;
    options.deleteExtra = cl.deleteExtra;
    auto failed = [&](const std::string& path, const ftp::Error& e) { progress.failed(path, e); };
    const treesync::Tally done = treesync::carryOut(c, open, localTop, top, topExists, plan, options, progress, failed);
    return {done.sent, done.deleted, done.failed, progress.bytesSent()};
}

// The summary is the last line, whatever happened.
int finish(const char* command, const Tally& t, std::size_t unchanged, std::chrono::steady_clock::time_point start) {
    char timing[64];
    std::snprintf(timing, sizeof timing, " (%llu bytes in %.1f s)", static_cast<unsigned long long>(t.bytes),
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::cout << command << ": " << t.sent << " sent, " << t.deleted << " deleted, " << unchanged << " unchanged, "
              << t.failed << " failed" << (interruption() ? ", interrupted" : "") << timing << std::endl;
    if (interruption()) return interruptedStatus(interruption());
    return t.failed ? 1 : 0;
}

}  // namespace

int syncCommand(std::unique_ptr<ftp::Connection>& c, const treesync::Opener& open, const CommandLine& cl) {
    const std::string& localTop = cl.args[0];
    if (!isFolder(localTop)) return failLocal("sync", localTop, "not a folder");
    std::string error;
    auto excludes = treesync::Excludes::make(cl.excludes, error);
    if (!excludes) return failLocal("sync", "--exclude", error);
    auto top = remoteTop(*c, cl.args.size() > 1 ? cl.args[1] : std::string());
    if (top.failed()) return fail("sync", ".", top.error());
    treesync::PlanOptions options;
    options.sizeOnly = cl.sizeOnly;
    auto scan = treesync::scanTrees(*c, localTop, top.value(), *excludes, options, std::time(nullptr));
    if (scan.failed())
        return interruption() ? interruptedStatus(interruption()) : fail("sync", top.value(), scan.error());
    const auto& [local, remote, plan] = scan.value();
    const std::size_t problems = reportFindings("sync", local, remote, plan);
    if (cl.dryRun) {
        printPlan(plan);
        std::cout << countsLine(plan) << std::endl;
        return problems ? 1 : 0;
    }
    // What --delete removes is shown before anything is done.
    if (cl.deleteExtra) printDeletions(plan);
    const auto start = std::chrono::steady_clock::now();
    SyncProgress progress("sync", plan.toSend(), treesync::bytesToSend(plan));
    Tally t = carryOut(c, open, cl, localTop, top.value(), remote.exists, plan, progress);
    progress.done();
    t.failed += problems;
    return finish("sync", t, plan.same.size(), start);
}

int putTrees(std::unique_ptr<ftp::Connection>& c, const treesync::Opener& open, const CommandLine& cl) {
    std::string error;
    auto excludes = treesync::Excludes::make(cl.excludes, error);
    if (!excludes) return failLocal("put", "--exclude", error);
    auto here = remoteTop(*c, "");
    if (here.failed()) return fail("put", ".", here.error());
    Tally all;
    const auto start = std::chrono::steady_clock::now();
    for (std::string dir : cl.args) {
        if (ftp::Status s = treesync::reconnect(c, open); s.failed()) {  // the last tree lost every connection
            ++all.failed;
            fail("put", dir, s.error());
            break;
        }
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (!isFolder(dir)) {
            failLocal("put", dir, "not a folder");
            ++all.failed;
            continue;
        }
        // "." and ".." name the folder they stand for; "/" names none.
        const std::string name =
            std::filesystem::absolute(dir + "/").lexically_normal().parent_path().filename().string();
        if (name.empty()) {
            failLocal("put", dir, "the root folder has no name to send it under");
            ++all.failed;
            continue;
        }
        const std::string top = treesync::joinPath(here.value(), name);
        treesync::PlanOptions options;
        options.sendAll = true;
        auto scan = treesync::scanTrees(*c, dir, top, *excludes, options, std::time(nullptr));
        if (scan.failed()) {
            if (!interruption()) fail("put", top, scan.error());
            ++all.failed;
            break;
        }
        const auto& [local, remote, plan] = scan.value();
        all.failed += reportFindings("put", local, remote, plan);
        SyncProgress progress("put", plan.toSend(), treesync::bytesToSend(plan));
        const Tally t = carryOut(c, open, cl, dir, top, remote.exists, plan, progress);
        progress.done();
        all.sent += t.sent;
        all.bytes += t.bytes;
        all.failed += t.failed;
        if (interruption()) break;
    }
    return finish("put", all, 0, start);
}
