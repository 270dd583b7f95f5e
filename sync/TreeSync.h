#pragma once
// One tree's sync from start to end, as both the command-line tool and the window run it: the
// two walks and the plan, then the folders, the files over N connections and the deletions.
// Showing the plan (and the deletions before they happen) is the caller's part in between.

#include <cstdint>
#include <memory>
#include <string>

#include "Apply.h"
#include "Names.h"
#include "Plan.h"
#include "Run.h"
#include "Tree.h"
#include "ftp/Connection.h"

namespace treesync {

struct Scan {
    LocalTree local;
    RemoteTree remote;
    Plan plan;
};

// Walks both trees (MDTM only where the listing gave no usable time and times matter) and
// compares them. Fails only when the connection is lost or the walk was cancelled.
ftp::Result<Scan> scanTrees(ftp::Connection& c, const std::string& localTop, const std::string& remoteTop,
                            const Excludes& excludes, const PlanOptions& options, std::int64_t now);

// The connection a run handed back, or a new one when the run lost them all.
ftp::Status reconnect(std::unique_ptr<ftp::Connection>& c, const Opener& open);

struct CarryOptions {
    ftp::TransferType type = ftp::TransferType::Binary;
    int connections = 2;
    bool deleteExtra = false;  // the files only on the server, which the caller has shown
};

struct Tally {
    std::size_t sent = 0, deleted = 0, failed = 0;
};

// Creates folders, sends files, deletes when asked (and not cancelled). Every failure outside
// the run's files is told to `failed`; the files' own through the observer.
Tally carryOut(std::unique_ptr<ftp::Connection>& c, const Opener& open, const std::string& localTop,
               const std::string& top, bool topExists, const Plan& plan, const CarryOptions& options,
               RunObserver& observer, const FailureSink& failed);

// What the files to send weigh together.
std::uint64_t bytesToSend(const Plan& plan);

}  // namespace treesync
