#pragma once
// The plan's steps that run on one connection: folders before the files go into them, and the
// deletions on the server, which come last and only when the caller has shown them.

#include <functional>
#include <string>
#include <vector>

#include "Plan.h"
#include "Run.h"
#include "ftp/Connection.h"

namespace treesync {

// Told for each step that failed: the relative path and why.
using FailureSink = std::function<void(const std::string& path, const ftp::Error& error)>;

// Creates the top when it is missing (its parents too), then the plan's folders, parents first, each
// by its absolute path (one command apiece). Returns how many failed.
std::size_t createFolders(ftp::Connection& c, const std::string& top, bool topExists, const Plan& plan,
                          const FailureSink& failed);

// DELE of the files only on the server, then RMD of their folders, deepest first. Their paths
// are the walk's checked segments under `top`. Returns how many were removed.
std::size_t deleteOnServer(ftp::Connection& c, const std::string& top, const Plan& plan, const FailureSink& failed);

// The files to send, new ones first, each with its absolute remote folder.
std::vector<Job> jobsFor(const Plan& plan, const std::string& localTop, const std::string& remoteTop);

}  // namespace treesync
