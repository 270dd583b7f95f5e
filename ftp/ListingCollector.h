#pragma once
// Turns a listing into entries as its bytes arrive, one line at a time, so nothing but the
// kept entries and one partial line is ever held. Entries that could never be acted on safely
// and names the pattern does not match are dropped at once; the byte and entry limits end a
// listing that would exhaust memory.

#include <string>
#include <string_view>
#include <vector>

#include "Entry.h"
#include "ListingParser.h"
#include "Session.h"

namespace ftp {

class ListingCollector {
public:
    // mlsd: lines are MLSD facts, else LIST output. pattern "*.*", "*" or "" keeps everything.
    ListingCollector(bool mlsd, std::string pattern, const Limits& limits);

    // False once a limit is passed; error() then says which.
    bool feed(std::string_view bytes);
    // The data connection ended: a last line without its line end still counts.
    bool finish();
    std::vector<Entry> take();
    const std::string& error() const { return error_; }
    std::size_t unreadableLines() const { return reader_.unreadableLines(); }

    static constexpr std::size_t kMaxLineBytes = 64 * 1024;  // no real listing line comes close

private:
    bool line(std::string_view text);
    bool keep();

    bool mlsd_;
    std::string pattern_;
    bool everything_;
    Limits limits_;
    std::size_t received_ = 0;
    std::string partial_;
    bool skipping_ = false;  // inside an over-long line, dropped up to its end
    ListingReader reader_;       // carries what spans lines (a wrapped VMS entry, ...)
    std::vector<Entry> completed_;  // what the reader gave for the current line
    std::vector<Entry> entries_;
    std::string error_;
};

}  // namespace ftp
