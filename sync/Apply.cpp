#include "Apply.h"

#include "Names.h"

namespace treesync {

std::size_t createFolders(ftp::Connection& c, const std::string& top, bool topExists, const Plan& plan,
                          const FailureSink& failed) {
    std::size_t failures = 0;
    if (!topExists && c.createDirectory(top).failed()) {
        // Its parents may be missing too; those that exist refuse, which changes nothing.
        for (std::size_t i = top.find('/', 1); i != std::string::npos; i = top.find('/', i + 1))
            (void)c.createDirectory(top.substr(0, i));
        if (ftp::Status s = c.createDirectory(top); s.failed()) {
            failed(".", s.error());
            return 1;  // nothing can go below it
        }
    }
    for (const auto& folder : plan.createFolders) {
        if (ftp::Status s = c.createDirectory(joinPath(top, folder)); s.failed()) {
            failed(folder + "/", s.error());
            ++failures;
        }
    }
    return failures;
}

std::size_t deleteOnServer(ftp::Connection& c, const std::string& top, const Plan& plan, const FailureSink& failed) {
    std::size_t removed = 0;
    auto remove = [&](const std::string& path, bool folder) {
        const std::string full = joinPath(top, path);
        const ftp::Status s = folder ? c.removeDirectory(full) : c.deleteFile(full);
        if (s)
            ++removed;
        else
            failed(folder ? path + "/" : path, s.error());
    };
    for (const auto& file : plan.onlyOnServer) remove(file, false);
    for (const auto& folder : plan.foldersOnlyOnServer) remove(folder, true);
    return removed;
}

std::vector<Job> jobsFor(const Plan& plan, const std::string& localTop, const std::string& remoteTop) {
    std::vector<Job> jobs;
    for (const auto* list : {&plan.newFiles, &plan.changedFiles})
        for (const auto& f : *list) {
            auto stale = plan.staleParts.find(f.path);
            jobs.push_back({joinPath(localTop, f.path), joinPath(remoteTop, parentOf(f.path)), lastSegment(f.path),
                            f.path, f.size, plan.partsUnseen || plan.resumable.count(f.path) > 0,
                            stale == plan.staleParts.end() ? std::vector<std::string>() : stale->second});
        }
    return jobs;
}

}  // namespace treesync
