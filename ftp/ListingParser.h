#pragma once
// Parsers for directory listings. Lines are read one at a time, so a caller can feed them as
// they arrive. A line that cannot be read gives no entry and is counted; "." and ".." (and MLSD
// cdir/pdir) are never returned, nor any name that is not a single path segment. Directories
// get attributes kDirectory (16) exactly; everything else kNormalFile. Symbolic links are
// marked (Entry::link) and listed as files: their target's kind is the engine's to find out.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "Entry.h"
#include "listing/Families.h"

namespace ftp {

// Reads one listing line by line, carrying what a family needs across lines (a VMS entry
// wrapped over two lines, a z/OS member list header, a VOS section) and the server's SYST hint.
class ListingReader {
public:
    enum class Format { List, Mlsd };
    explicit ListingReader(Format format = Format::List) : format_(format) {}

    // The SYST reply's text. Only a hint: every line is still recognised by its shape.
    void setSystemHint(std::string_view systReply);

    // One line, with or without its CR/LF. Appends the entries it completes to `out` (none,
    // one, or two when it ends a pending VMS name without continuing it).
    void add(std::string_view line, std::vector<Entry>& out);
    // The end of the listing: a name still waiting for its details becomes an entry.
    void finish(std::vector<Entry>& out);

    // A whole payload split on CRLF or LF, then finish().
    std::vector<Entry> addAll(std::string_view data);

    std::size_t unreadableLines() const { return unreadable_; }

private:
    listing::Outcome parseLine(std::string_view line, Entry& entry);

    Format format_;
    listing::ReaderState state_;
    int preferred_ = -1;  // the family that read the last line: tried first on the next
    std::size_t unreadable_ = 0;
};

// One line on its own (no state across lines): nullopt for headers, blank and unreadable lines.
std::optional<Entry> parseListLine(std::string_view line);
std::optional<Entry> parseMlsdLine(std::string_view line);

// Whole data-connection payloads, split on CRLF or LF. `unreadable`, when given, receives the
// count of lines that could not be read.
std::vector<Entry> parseListing(std::string_view data, std::size_t* unreadable = nullptr);
std::vector<Entry> parseMlsdListing(std::string_view data, std::size_t* unreadable = nullptr);

}  // namespace ftp
