#include "TreeSync.h"

#include "LocalWalk.h"
#include "RemoteWalk.h"

namespace treesync {

ftp::Result<Scan> scanTrees(ftp::Connection& c, const std::string& localTop, const std::string& remoteTop,
                            const Excludes& excludes, const PlanOptions& options, std::int64_t now) {
    Scan scan;
    scan.local = walkLocal(localTop, excludes);
    auto remote = walkRemote(c, remoteTop, excludes, now);
    if (remote.failed()) return remote.error();
    scan.remote = std::move(remote).value();
    if (!options.sizeOnly && !options.sendAll)
        if (ftp::Status s = timesByMdtm(c, remoteTop, scan.local, scan.remote); s.failed()) return s.error();
    scan.plan = makePlan(scan.local, scan.remote, options);
    return scan;
}

ftp::Status reconnect(std::unique_ptr<ftp::Connection>& c, const Opener& open) {
    if (c) return ftp::Status::ok();
    auto again = open();
    if (again.failed()) return again.error();
    c = std::move(again).value();
    return ftp::Status::ok();
}

Tally carryOut(std::unique_ptr<ftp::Connection>& c, const Opener& open, const std::string& localTop,
               const std::string& top, bool topExists, const Plan& plan, const CarryOptions& options,
               RunObserver& observer, const FailureSink& failed) {
    Tally t;
    t.failed += createFolders(*c, top, topExists, plan, failed);
    AtomicFileStep step(options.type);
    RunSettings settings;
    settings.connections = options.connections;
    const auto run = runJobs(c, open, jobsFor(plan, localTop, top), step, observer, settings);
    t.sent = run.sent;
    t.failed += run.failed;
    const std::size_t toDelete = plan.onlyOnServer.size() + plan.foldersOnlyOnServer.size();
    if (!options.deleteExtra || observer.cancelled() || toDelete == 0) return t;
    if (ftp::Status s = reconnect(c, open); s.failed()) {
        failed(".", s.error());
        t.failed += toDelete;
        return t;
    }
    t.deleted = deleteOnServer(*c, top, plan, failed);
    t.failed += toDelete - t.deleted;
    return t;
}

std::uint64_t bytesToSend(const Plan& plan) {
    std::uint64_t n = 0;
    for (const auto* list : {&plan.newFiles, &plan.changedFiles})
        for (const auto& f : *list) n += f.size;
    return n;
}

}  // namespace treesync
