#pragma once
// The remote side of a sync: one listing per folder, nothing per file. Names from the server are
// used only as single segments joined to a folder we chose; links to folders are not entered.

#include <cstdint>
#include <string>

#include "Names.h"
#include "Tree.h"
#include "ftp/Connection.h"

namespace treesync {

// `top` is absolute. A top that cannot be entered is a tree that does not exist yet; a listing
// that fails below it is a problem, and its folder is left alone. Fails only when the
// connection itself is lost or the walk was cancelled. The connection ends in some folder of
// the tree.
ftp::Result<RemoteTree> walkRemote(ftp::Connection& c, const std::string& top, const Excludes& excludes,
                                   std::int64_t now);

// MDTM for the same-size files whose listing gave no time the plan can use, where the server
// offers it: a command per such file, which a listing with readable dates never needs (so a run
// where nothing changed asks nothing per file). Fails only when the connection is lost.
ftp::Status timesByMdtm(ftp::Connection& c, const std::string& top, const LocalTree& local, RemoteTree& remote);

}  // namespace treesync
