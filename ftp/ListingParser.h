#pragma once
// Pure parsers for directory listings. Each line is parsed on its own; a line that cannot be
// parsed is skipped, never fatal. "." and ".." (and MLSD cdir/pdir) are never returned.
// Directories get attributes kDirectory (16) exactly; everything else kNormalFile.

#include <optional>
#include <string_view>
#include <vector>

#include "Entry.h"

namespace ftp {

// One line of LIST output: Unix "ls -l" (with or without group, numeric and named dates,
// years, device files, "name -> target" symlinks listed as name, names with spaces and leading
// blanks), DOS/IIS, EPLF. nullopt for "total N", blank and unparseable lines.
std::optional<Entry> parseListLine(std::string_view line);

// One line of MLSD output: "fact=value;fact=value; name".
std::optional<Entry> parseMlsdLine(std::string_view line);

// Whole data-connection payloads, split on CRLF or LF.
std::vector<Entry> parseListing(std::string_view data);
std::vector<Entry> parseMlsdListing(std::string_view data);

}  // namespace ftp
