// "ls -l": its standard shape first, then its relatives: NetWare, numeric modes, glued columns,
// other languages' dates.
#include <array>

#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

namespace {

// The type letters ls prints: file, directory, link, devices, pipe, socket, door, contiguous,
// migrated, network special, port, whiteout, unknown.
bool isTypeLetter(char c) {
    static constexpr std::string_view kTypes = "-dlbcpsDCmMnPw?";
    return kTypes.find(c) != std::string_view::npos;
}

// Nine permission marks, each from what its place allows ("?" where ls could not tell).
bool isPermissions(std::string_view s) {
    static constexpr std::array<std::string_view, 3> kAllowed = {"r-?", "w-?", "xsStTlL-?"};
    for (std::size_t i = 0; i < 9; ++i) {
        if (kAllowed[i % 3].find(s[i]) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// "drwxr-xr-x", "-rw-r--r--+", "crw-rw-rw-.": a type letter, nine permission marks, and an ACL
// or attribute mark. `rest` is what follows: a link count some servers glue on.
bool readModeText(std::string_view s, char& type, std::string_view& rest) {
    if (s.size() < 10 || !isTypeLetter(s[0]) || !isPermissions(s.substr(1, 9))) {
        return false;
    }
    rest = s.substr(10);
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '@' || rest[0] == '.')) {
        rest.remove_prefix(1);
    }
    type = s[0];
    return true;
}

// A mode as ls prints it, or with a link count glued on ("drwxr-x---+1464", "drwxr-xr-x1732").
bool readSymbolicMode(std::string_view s, char& type) {
    std::string_view rest;
    return readModeText(s, type, rest) && (rest.empty() || allDigits(rest));
}

// "100644", "40755", "120777": the file type bits of an octal st_mode.
bool readOctalMode(std::string_view s, char& type) {
    if (s.size() < 5 || s.size() > 6) {
        return false;
    }
    unsigned mode = 0;
    for (char c : s) {
        if (c < '0' || c > '7') {
            return false;
        }
        mode = mode * 8 + static_cast<unsigned>(c - '0');
    }
    switch (mode & 0170000u) {
        case 0040000u: type = 'd'; return true;
        case 0120000u: type = 'l'; return true;
        case 0100000u: case 0020000u: case 0060000u: case 0010000u: case 0140000u: type = '-'; return true;
        default: return false;
    }
}

// NetWare: "d [RWCEAFMS] owner ..." or "- [R----F--] owner ...": eight rights, each a letter
// of the set or a dash.
bool readNetWareMode(const Fields& fs, char& type) {
    if (fs.count < 2 || fs.f[0].size() != 1 || (fs.f[0][0] != 'd' && fs.f[0][0] != '-') || fs.f[1].size() != 10 ||
        fs.f[1].front() != '[' || fs.f[1].back() != ']') {
        return false;
    }
    for (char c : fs.f[1].substr(1, 8)) {
        if (std::string_view("RWCEAFMS-").find(c) == std::string_view::npos) {
            return false;
        }
    }
    type = fs.f[0][0];
    return true;
}

bool isDevice(char type) { return type == 'b' || type == 'c'; }

// The size column right before the date at field i.
std::optional<std::uint64_t> sizeBefore(const Fields& fs, std::size_t i, char type) {
    if (i < 2) {
        return std::nullopt;
    }
    const std::string_view s = fs.f[i - 1];
    if (isDevice(type)) {
        // "major, minor", "major,minor" or a plain 0: a device has no size.
        const bool pair = allDigits(s) || (s.find(',') != std::string_view::npos && isDigit(s[0]));
        return pair ? std::optional<std::uint64_t>(0) : std::nullopt;
    }
    if (auto size = parseSizeColumn(s)) {
        return size;
    }
    // An owner or group glued to the size: "ftpadmin125435904".
    std::size_t digits = 0;
    while (digits < s.size() && isDigit(s[s.size() - 1 - digits])) {
        ++digits;
    }
    if (i >= 3 && digits > 0 && digits < s.size() && isAsciiLetter(s[0])) {
        return parseNumber(s.substr(s.size() - digits));
    }
    return std::nullopt;
}

Outcome finish(std::string_view name, char type, std::uint64_t size, Entry& out) {
    std::string_view target;
    if (type == 'l') {
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos) {
            target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }
    const Outcome made = makeEntry(name, type == 'd', isDevice(type) ? 0 : size, out);
    if (made == Outcome::Entry && type == 'l') {
        out.link = true;
        out.linkTarget.assign(target);
    }
    return made;
}

// Nothing that starts like a date may become a name: that is a truncated line.
bool looksLikeDateStart(std::string_view s) {
    return s.empty() || isDigit(s[0]) || isMonthName(s) || isCjkMonth(s) || looksLikeClock(s);
}

// A time or a year after the size means a date we could not read, not a dateless line.
bool hasDateParts(const Fields& fs, std::size_t from) {
    for (std::size_t i = from; i < fs.count; ++i) {
        if (looksLikeClock(fs.f[i]) || isYear(fs.f[i])) {
            return true;
        }
    }
    return false;
}

// No date at all: "mode size name", or "mode links owner [group] size name".
Outcome parseDateless(const Fields& fs, char type, Entry& out) {
    for (std::size_t k : {4u, 3u, 1u}) {
        if (k + 1 >= fs.count || !allDigits(fs.f[k]) || (k > 1 && !allDigits(fs.f[1])) ||
            (k == 1 && fs.count != 3) || looksLikeDateStart(fs.f[k + 1]) || hasDateParts(fs, k + 1)) {
            continue;
        }
        return finish(fs.restAfter(k), type, parseNumber(fs.f[k]).value_or(0), out);
    }
    return Outcome::NotMine;
}

bool isSmallNumber(std::string_view s, std::size_t digits) { return s.size() <= digits && allDigits(s); }

// ls's dates: "Jan 15 12:34", "Jan 15  2023", "Jan 15 12:34:56 2023", "2023-01-15 12:34" and its full form
// "2023-01-15 12:34:56.123456789 +0100". The fields the date takes, 0 when it is not there;
// `real` says whether that date can exist.
std::size_t standardDateLength(const Fields& fs, std::size_t i, bool& real) {
    const std::string_view a = fs.at(i), b = fs.at(i + 1), c = fs.at(i + 2);
    if (isMonthName(a) && !b.empty() && isSmallNumber(b, 2)) {
        const bool year = c.size() == 4 && allDigits(c);
        if (!year && !looksLikeClock(c)) {
            return 0;
        }
        const int month = englishMonth(a);
        real = isDayOfMonth(parseSmall(b, 0, 99).value_or(0), month, year ? *parseSmall(c, 0, 9999) : 0) &&
               (year || isClock(c));
        const std::string_view d = fs.at(i + 3);
        return c.size() > 5 && d.size() == 4 && allDigits(d) ? 4 : 3;  // BSD's "ls -lT": "Jan 15 12:34:56 2023"
    }
    const bool isoShape = a.size() == 10 && a[4] == '-' && a[7] == '-' && allDigits(a.substr(0, 4)) &&
                          allDigits(a.substr(5, 2)) && allDigits(a.substr(8));
    if (!isoShape || !looksLikeClock(b)) {
        return 0;
    }
    real = isIsoDate(a) && isClock(b);
    // Only the full form, with seconds, has a zone: "-2023" after "12:34" is a name.
    const bool zone = b.size() > 5 && c.size() == 5 && (c[0] == '+' || c[0] == '-') && allDigits(c.substr(1));
    return zone ? 3 : 2;
}

// The size column of the standard shape at field i; a device's "major, minor" may take two.
std::optional<std::uint64_t> standardSize(const Fields& fs, std::size_t i, char type, std::size_t& taken) {
    taken = 1;
    const std::string_view s = fs.at(i);
    if (!isDevice(type) || allDigits(s)) {
        return parseNumber(s);
    }
    const std::size_t comma = s.find(',');
    if (comma == std::string_view::npos || !allDigits(s.substr(0, comma))) {
        return std::nullopt;
    }
    if (comma + 1 == s.size()) {
        taken = 2;  // "8, 0"
        return allDigits(fs.at(i + 1)) ? std::optional<std::uint64_t>(0) : std::nullopt;
    }
    return allDigits(s.substr(comma + 1)) ? std::optional<std::uint64_t>(0) : std::nullopt;  // "8,0"
}

// The shape nearly every server prints, "mode links owner [group] size date name": nullopt when
// the line is not of it. A line of this shape is read this way and no other; a truncated one, or
// one whose date cannot exist, is no entry.
std::optional<Outcome> readStandard(std::string_view line, const Fields& fs, Entry& out) {
    char type = 0;
    std::string_view glued;
    if (fs.count < 2 || !readModeText(fs.f[0], type, glued) || !glued.empty() || !allDigits(fs.f[1])) {
        return std::nullopt;
    }
    for (std::size_t sizeAt : {4u, 3u}) {  // with a group, then without
        std::size_t taken = 0;
        const auto size = standardSize(fs, sizeAt, type, taken);
        bool real = false;
        const std::size_t dateAt = sizeAt + taken;
        const std::size_t length = size ? standardDateLength(fs, dateAt, real) : 0;
        if (length == 0) {
            continue;
        }
        // ls puts one blank between the date and the name; more blanks belong to the name.
        const std::size_t nameStart = fs.endOf(dateAt + length - 1) + 1;
        if (!real || dateAt + length >= fs.count || nameStart >= line.size()) {
            return Outcome::NotMine;
        }
        return withDate(finish(line.substr(nameStart), type, *size, out), fs.joined(dateAt, length), out);
    }
    return std::nullopt;
}

// Everything else ls-like: year-first and other languages' dates, glued columns, groups with
// blanks, vendor columns, NetWare and octal modes, no date at all.
Outcome readOther(std::string_view line, const Fields& fs, Entry& out) {
    char type = 0;
    if (fs.count < 3 ||
        !(readSymbolicMode(fs.f[0], type) || readOctalMode(fs.f[0], type) || readNetWareMode(fs, type))) {
        return Outcome::NotMine;
    }
    if (isDigit(fs.f[1][0]) && !allDigits(fs.f[1])) {
        return Outcome::NotMine;  // "1ftp": a link count run into the owner is no column we know
    }
    // The first date wins, so names that look like dates stay whole.
    for (auto dateLength : {strongDateLength, weakDateLength}) {
        for (std::size_t i = 2; i < fs.count; ++i) {
            const std::size_t length = dateLength(fs, i);
            if (length == 0) {
                continue;
            }
            const auto size = sizeBefore(fs, i, type);
            if (!size) {
                continue;
            }
            const std::size_t nameStart = fs.endOf(i + length - 1) + 1;
            if (nameStart >= line.size() || i + length >= fs.count) {
                return Outcome::NotMine;  // truncated
            }
            return withDate(finish(line.substr(nameStart), type, *size, out), fs.joined(i, length), out);
        }
    }
    return parseDateless(fs, type, out);
}

}  // namespace

Outcome parseUnix(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    if (const auto standard = readStandard(line, fs, out)) {
        return *standard;
    }
    return readOther(line, fs, out);
}

}  // namespace ftp::listing
