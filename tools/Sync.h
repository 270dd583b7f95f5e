#pragma once
// sync LOCALDIR [REMOTEDIR] and put -r DIR...: local trees sent over several connections.

#include <memory>

#include "CommandLine.h"
#include "ftp/Connection.h"
#include "sync/Run.h"

// `c` is the logged-in connection (it may be replaced when it drops); `open` logs in another.
int syncCommand(std::unique_ptr<ftp::Connection>& c, const treesync::Opener& open, const CommandLine& cl);
int putTrees(std::unique_ptr<ftp::Connection>& c, const treesync::Opener& open, const CommandLine& cl);
