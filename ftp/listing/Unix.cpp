// "ls -l" and its relatives: NetWare, numeric modes, glued columns, other languages' dates.
#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

namespace {

bool isPermission(char c) {
    static constexpr std::string_view kPerms = "-rwxsStTlL?";
    return kPerms.find(c) != std::string_view::npos;
}

// "drwxr-xr-x", "-rw-r--r--+", "crw-rw-rw-.", "drwxr-x---+1464", "drwxr-xr-x1732": any type
// letter (an unknown one is a file), nine permission marks, an ACL or attribute mark, and a link
// count that some servers glue on.
bool readSymbolicMode(std::string_view s, char& type) {
    if (s.size() < 10 || (s[0] != '-' && !isAsciiLetter(s[0]))) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (!isPermission(s[i])) {
            return false;
        }
    }
    std::string_view rest = s.substr(10);
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '@' || rest[0] == '.')) {
        rest.remove_prefix(1);
    }
    if (!rest.empty() && !allDigits(rest)) {
        return false;
    }
    type = s[0];
    return true;
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

// NetWare: "d [RWCEAFMS] owner ..." or "- [R----F--] owner ...".
bool readNetWareMode(const Fields& fs, char& type) {
    if (fs.count < 2 || fs.f[0].size() != 1 || (fs.f[0][0] != 'd' && fs.f[0][0] != '-') ||
        fs.f[1].size() < 2 || fs.f[1].front() != '[' || fs.f[1].back() != ']') {
        return false;
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
    return s.empty() || isDigit(s[0]) || isMonthName(s) || isCjkMonth(s) || isClock(s);
}

// A time or a year after the size means a date we could not read, not a dateless line.
bool hasDateParts(const Fields& fs, std::size_t from) {
    for (std::size_t i = from; i < fs.count; ++i) {
        if (isClock(fs.f[i]) || isYear(fs.f[i])) {
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

}  // namespace

Outcome parseUnix(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    char type = 0;
    if (fs.count < 3 ||
        !(readSymbolicMode(fs.f[0], type) || readOctalMode(fs.f[0], type) || readNetWareMode(fs, type))) {
        return Outcome::NotMine;
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
            // ls puts one blank between the date and the name; more blanks belong to the name.
            const std::size_t nameStart = fs.endOf(i + length - 1) + 1;
            if (nameStart >= line.size() || i + length >= fs.count) {
                return Outcome::NotMine;  // truncated
            }
            return withDate(finish(line.substr(nameStart), type, *size, out), fs.joined(i, length), out);
        }
    }
    return parseDateless(fs, type, out);
}

}  // namespace ftp::listing
