#pragma once
// A listing entry's time as a UTC instant with its precision: MLSD's modify fact to the second,
// else the date the listing printed, read as UTC at its own precision (a minute, or a day when
// only the year is given). nullopt when there is none the plan can use.

#include <cstdint>
#include <optional>

#include "Tree.h"
#include "ftp/Entry.h"

namespace treesync {

// `now` decides the year of a Unix date that shows the time instead ("Jan 15 12:34"): the latest
// such date not after tomorrow, as ls prints only dates of the last six months that way.
std::optional<RemoteTime> remoteTime(const ftp::Entry& entry, std::int64_t now);

}  // namespace treesync
