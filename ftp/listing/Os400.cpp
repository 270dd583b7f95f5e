// IBM i (OS/400):
//   QSYS           77824 02/23/00 15:09:55 *DIR       QSYS.LIB/
//   RENAUD          3584 01/08/09 13:45:14 *STMF      file.txt
//   MYLIB         360448 11/12/02 11:32:23 *FILE      MYFILE.FILE
//   MYLIB                                  *MEM       MYFILE.FILE/MEMBER.MBR
#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

namespace {

// "*DIR", "*STMF", ...: an asterisk and upper-case letters.
bool isObjectType(std::string_view s) {
    if (s.size() < 3 || s.size() > 11 || s[0] != '*') {
        return false;
    }
    for (char c : s.substr(1)) {
        if (!(c >= 'A' && c <= 'Z')) {
            return false;
        }
    }
    return true;
}

// Objects that hold others and can be entered; a *FILE holds its members.
bool isContainer(std::string_view type) {
    return type == "*DIR" || type == "*LIB" || type == "*FLR" || type == "*FILE" || type == "*DDIR";
}

bool isOwner(std::string_view s) {
    if (s.empty() || s.size() > 10) {
        return false;
    }
    for (char c : s) {
        if (!isAsciiLetter(c) && !isDigit(c) && c != '#' && c != '@' && c != '$' && c != '_') {
            return false;
        }
    }
    return true;
}

Outcome finish(std::string_view type, std::string_view name, std::uint64_t size, Entry& out) {
    while (!name.empty() && name.back() == '/') {
        name.remove_suffix(1);
    }
    // A member listed as "FILE.FILE/MEMBER.MBR" is the member.
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    return makeEntry(name, isContainer(type), size, out);
}

}  // namespace

Outcome parseOs400(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count < 3 || !isOwner(fs.f[0])) {
        return Outcome::NotMine;
    }
    if (isObjectType(fs.f[1])) {
        return finish(fs.f[1], fs.restAfter(1), 0, out);
    }
    if (fs.count < 6 || !allDigits(fs.f[1]) || !isNumericDate(fs.f[2]) || !isClock(fs.f[3]) ||
        !isObjectType(fs.f[4])) {
        return Outcome::NotMine;
    }
    return withDate(finish(fs.f[4], fs.restAfter(4), parseNumber(fs.f[1]).value_or(0), out), fs.joined(2, 2), out);
}

}  // namespace ftp::listing
