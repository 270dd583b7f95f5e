#pragma once
// The listing families. Each looks at one line (its line end already removed) and says whether
// the line is its own; a family that needs to remember something between lines keeps it in
// ReaderState, which the reader carries from line to line.

#include <string>
#include <string_view>

#include "Text.h"

namespace ftp::listing {

struct ReaderState {
    bool mvsHint = false;      // the server said it is z/OS: bare member names are entries
    bool mvsMembers = false;   // a member list header was seen
    std::string vmsPending;    // a VMS name whose details are on the next line
    bool vmsPendingDir = false;
    char vosSection = 0;       // Stratus VOS: 'f' files, 'd' dirs, 'l' links, 0 none seen
};

Outcome parseUnix(std::string_view line, Entry& out);
Outcome parseDos(std::string_view line, Entry& out);
Outcome parseEplf(std::string_view line, Entry& out);
Outcome parseOs2(std::string_view line, Entry& out);
Outcome parseVms(std::string_view line, ReaderState& state, Entry& out);
Outcome parseMvs(std::string_view line, ReaderState& state, Entry& out);
Outcome parseOs400(std::string_view line, Entry& out);
Outcome parseTandem(std::string_view line, Entry& out);
Outcome parseVos(std::string_view line, ReaderState& state, Entry& out);
Outcome parseCtime(std::string_view line, Entry& out);
Outcome parseMlsd(std::string_view line, Entry& out);

}  // namespace ftp::listing

namespace ftp::listing {

// The second line of a wrapped VMS entry; NotMine when the line does not continue it.
Outcome continueVms(std::string_view line, ReaderState& state, Entry& out);
// A pending VMS name that no detail line followed: an entry of unknown size.
bool takeVmsPending(ReaderState& state, Entry& out);

}  // namespace ftp::listing
