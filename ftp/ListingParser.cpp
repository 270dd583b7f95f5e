#include "ListingParser.h"

#include <array>
#include <cstdint>

namespace ftp {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool allDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (!isDigit(c)) {
            return false;
        }
    }
    return true;
}

// Decimal size; nullopt when not all digits or beyond 64 bits.
std::optional<std::uint64_t> parseSize(std::string_view s) {
    if (!allDigits(s)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : s) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

// Only one line end: a CR that is part of the name must stay and get the entry refused,
// not be trimmed into the name of some other file.
std::string_view stripLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// A listed name is used later as one path segment in commands: refuse anything that is not.
std::optional<Entry> makeEntry(std::string_view name, bool directory, std::uint64_t size) {
    if (name.empty() || name == "." || name == "..") {
        return std::nullopt;
    }
    for (char c : name) {
        if (c == '\r' || c == '\n' || c == '\0' || c == '/') {
            return std::nullopt;
        }
    }
    Entry entry;
    entry.name = std::string(name);
    entry.attributes = directory ? kDirectory : kNormalFile;
    entry.size = size;
    return entry;
}

// ---- whitespace-separated fields that remember where they are in the line ----

constexpr std::size_t kMaxFields = 16;

struct Fields {
    std::array<std::string_view, kMaxFields> f{};
    std::size_t count = 0;
    std::string_view line;

    std::size_t endOf(std::size_t i) const {
        return static_cast<std::size_t>(f[i].data() - line.data()) + f[i].size();
    }
};

// Splits the first kMaxFields fields; the name is taken from the line itself, not from fields.
Fields splitFields(std::string_view line) {
    Fields out;
    out.line = line;
    std::size_t pos = 0;
    while (out.count < kMaxFields) {
        while (pos < line.size() && isBlank(line[pos])) {
            ++pos;
        }
        if (pos >= line.size()) {
            break;
        }
        const std::size_t start = pos;
        while (pos < line.size() && !isBlank(line[pos])) {
            ++pos;
        }
        out.f[out.count++] = line.substr(start, pos - start);
    }
    return out;
}

// ---- Unix "ls -l" (and NetWare, which shares its tail) ----

bool isMonth(std::string_view s) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::string_view m : kMonths) {
        if (equalsNoCase(s, m)) {
            return true;
        }
    }
    return false;
}

bool isDay(std::string_view s) {
    if (!s.empty() && s.back() == '.') {  // "15." in some locales
        s.remove_suffix(1);
    }
    if (s.empty() || s.size() > 2 || !allDigits(s)) {
        return false;
    }
    const int day = s.size() == 1 ? s[0] - '0' : (s[0] - '0') * 10 + (s[1] - '0');
    return day >= 1 && day <= 31;
}

// "12:34" or "12:34:56" (optionally with fractional seconds).
bool isClock(std::string_view s) {
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || !allDigits(s.substr(0, colon))) {
        return false;
    }
    std::string_view rest = s.substr(colon + 1);
    if (rest.size() < 2 || !isDigit(rest[0]) || !isDigit(rest[1])) {
        return false;
    }
    rest.remove_prefix(2);
    if (rest.empty()) {
        return true;
    }
    if (rest[0] != ':' || rest.size() < 3 || !isDigit(rest[1]) || !isDigit(rest[2])) {
        return false;
    }
    rest.remove_prefix(3);
    return rest.empty() || (rest[0] == '.' && allDigits(rest.substr(1)));
}

bool isYear(std::string_view s) { return s.size() == 4 && allDigits(s); }

// "2023-01-15" (ls --time-style=long-iso / full-iso).
bool isIsoDate(std::string_view s) {
    return s.size() == 10 && allDigits(s.substr(0, 4)) && s[4] == '-' && allDigits(s.substr(5, 2)) &&
           s[7] == '-' && allDigits(s.substr(8, 2));
}

bool isZone(std::string_view s) {
    return s.size() == 5 && (s[0] == '+' || s[0] == '-') && allDigits(s.substr(1));
}

// "01-15-23", "15.01.2023", "2023/01/15": three numeric groups, one separator.
bool isDosDate(std::string_view s) {
    int groups = 0;
    std::size_t digits = 0;
    char separator = 0;
    for (char c : s) {
        if (isDigit(c)) {
            ++digits;
            continue;
        }
        if ((c != '-' && c != '/' && c != '.') || digits == 0 || digits > 4 ||
            (separator != 0 && c != separator)) {
            return false;
        }
        separator = c;
        ++groups;
        digits = 0;
    }
    return groups == 2 && digits >= 2 && digits <= 4;
}

// Length in fields of a date starting at field i, or 0 when none starts there.
std::size_t dateLength(const Fields& fs, std::size_t i) {
    const auto at = [&](std::size_t k) { return i + k < fs.count ? fs.f[i + k] : std::string_view(); };
    if (isMonth(at(0)) && isDay(at(1)) && (isClock(at(2)) || isYear(at(2)))) {
        return 3;
    }
    if (isDay(at(0)) && isMonth(at(1)) && (isClock(at(2)) || isYear(at(2)))) {
        return 3;
    }
    if (isIsoDate(at(0)) && isClock(at(1))) {
        return isZone(at(2)) ? 3 : 2;
    }
    if (isDosDate(at(0)) && isClock(at(1))) {
        return 2;
    }
    return 0;
}

// "drwxr-xr-x", "-rw-r--r--+", "crw-rw-rw-.", ...
bool isUnixMode(std::string_view s) {
    static constexpr std::string_view kTypes = "-dlbcpsDn";
    static constexpr std::string_view kPerms = "-rwxsStTlL";
    if (s.size() < 10 || kTypes.find(s[0]) == std::string_view::npos) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (kPerms.find(s[i]) == std::string_view::npos) {
            return false;
        }
    }
    return s.size() == 10 || (s.size() == 11 && (s[10] == '+' || s[10] == '.' || s[10] == '@'));
}

// NetWare: "d [RWCEAFMS] owner ..." or "- [R----F--] owner ...".
bool isNetWareMode(const Fields& fs) {
    return fs.count > 1 && fs.f[0].size() == 1 && (fs.f[0][0] == 'd' || fs.f[0][0] == '-') &&
           fs.f[1].size() >= 2 && fs.f[1].front() == '[' && fs.f[1].back() == ']';
}

std::optional<Entry> parseUnixLine(std::string_view line) {
    const Fields fs = splitFields(line);
    if (fs.count < 4) {
        return std::nullopt;
    }
    if (!isUnixMode(fs.f[0]) && !isNetWareMode(fs)) {
        return std::nullopt;
    }
    const char type = fs.f[0][0];
    // The size is the field right before the date; the first date wins, so names that look
    // like dates stay intact.
    for (std::size_t i = 2; i < fs.count; ++i) {
        const std::size_t length = dateLength(fs, i);
        if (length == 0 || !allDigits(fs.f[i - 1])) {
            continue;
        }
        // ls puts exactly one blank between the date and the name; more blanks belong to it.
        const std::size_t nameStart = fs.endOf(i + length - 1) + 1;
        if (nameStart >= line.size()) {
            return std::nullopt;
        }
        std::string_view name = line.substr(nameStart);
        if (type == 'l') {
            const std::size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) {
                name = name.substr(0, arrow);
            }
        }
        // Device files show "major, minor" where the size would be.
        const bool device = type == 'b' || type == 'c';
        const std::uint64_t size = device ? 0 : parseSize(fs.f[i - 1]).value_or(0);
        return makeEntry(name, type == 'd', size);
    }
    return std::nullopt;
}

// ---- DOS / IIS: "01-15-23  12:34PM       <DIR>          name" ----

bool isDosTime(std::string_view s) {
    if (s.size() > 2) {
        const std::string_view suffix = s.substr(s.size() - 2);
        if (equalsNoCase(suffix, "AM") || equalsNoCase(suffix, "PM")) {
            s.remove_suffix(2);
        }
    }
    return isClock(s);
}

std::optional<Entry> parseDosLine(std::string_view line) {
    const Fields fs = splitFields(line);
    if (fs.count < 4 || !isDosDate(fs.f[0]) || !isDosTime(fs.f[1])) {
        return std::nullopt;
    }
    std::size_t sizeField = 2;
    // "12:34 PM" with a blank before the suffix.
    if (equalsNoCase(fs.f[2], "AM") || equalsNoCase(fs.f[2], "PM")) {
        sizeField = 3;
        if (fs.count < 5) {
            return std::nullopt;
        }
    }
    const std::string_view sizeText = fs.f[sizeField];
    const bool directory = equalsNoCase(sizeText, "<DIR>");
    std::uint64_t size = 0;
    if (!directory) {
        std::string digits;  // "1,234" when the server groups thousands
        for (char c : sizeText) {
            if (c != ',') {
                digits.push_back(c);
            }
        }
        const auto parsed = parseSize(digits);
        if (!parsed) {
            return std::nullopt;
        }
        size = *parsed;
    }
    std::size_t nameStart = fs.endOf(sizeField);
    while (nameStart < line.size() && isBlank(line[nameStart])) {
        ++nameStart;
    }
    return makeEntry(line.substr(nameStart), directory, size);
}

// ---- EPLF: "+i8388621.48594,m825718503,r,s280,\tdjb.html" ----

std::optional<Entry> parseEplfLine(std::string_view line) {
    if (line.size() < 2 || line[0] != '+') {
        return std::nullopt;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view facts = line.substr(1, tab - 1);
    bool directory = false;
    std::uint64_t size = 0;
    while (!facts.empty()) {
        const std::size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        if (fact == "/") {
            directory = true;
        } else if (fact.size() > 1 && fact[0] == 's') {
            size = parseSize(fact.substr(1)).value_or(0);
        }
        facts = comma == std::string_view::npos ? std::string_view() : facts.substr(comma + 1);
    }
    return makeEntry(line.substr(tab + 1), directory, size);
}

}  // namespace

std::optional<Entry> parseListLine(std::string_view line) {
    line = stripLineEnd(line);
    if (line.empty()) {
        return std::nullopt;
    }
    if (line[0] == '+') {
        return parseEplfLine(line);
    }
    if (isDigit(line[0])) {
        return parseDosLine(line);
    }
    return parseUnixLine(line);
}

std::optional<Entry> parseMlsdLine(std::string_view line) {
    line = stripLineEnd(line);
    // Fact values never hold a blank, so the first blank ends the facts.
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view facts = line.substr(0, blank);
    bool directory = false;
    std::optional<std::uint64_t> size;
    while (!facts.empty()) {
        const std::size_t semicolon = facts.find(';');
        const std::string_view fact = facts.substr(0, semicolon);
        facts = semicolon == std::string_view::npos ? std::string_view() : facts.substr(semicolon + 1);
        const std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = fact.substr(0, eq);
        const std::string_view value = fact.substr(eq + 1);
        if (equalsNoCase(key, "type")) {
            if (equalsNoCase(value, "cdir") || equalsNoCase(value, "pdir")) {
                return std::nullopt;
            }
            directory = equalsNoCase(value, "dir");
        } else if (equalsNoCase(key, "size") || (equalsNoCase(key, "sizd") && !size)) {
            size = parseSize(value);
        }
    }
    return makeEntry(line.substr(blank + 1), directory, size.value_or(0));
}

namespace {

template <class LineParser>
std::vector<Entry> parseLines(std::string_view data, LineParser parse) {
    std::vector<Entry> entries;
    while (!data.empty()) {
        const std::size_t lf = data.find('\n');
        const std::string_view line = data.substr(0, lf);
        data = lf == std::string_view::npos ? std::string_view() : data.substr(lf + 1);
        if (auto entry = parse(line)) {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

}  // namespace

std::vector<Entry> parseListing(std::string_view data) { return parseLines(data, parseListLine); }

std::vector<Entry> parseMlsdListing(std::string_view data) { return parseLines(data, parseMlsdLine); }

}  // namespace ftp
