// Windows (IIS, DOS "dir") and OS/2 listings: the date comes first or right after the size.
#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

namespace {

bool isMeridiem(std::string_view s) { return equalsNoCase(s, "AM") || equalsNoCase(s, "PM"); }

// "12:34", "12:34PM", or "12:34" before a separate "PM": a twelve-hour clock has hours 1-12.
bool isDosTime(std::string_view s, bool twelveHours) {
    if (s.size() > 2 && isMeridiem(s.substr(s.size() - 2))) {
        s.remove_suffix(2);
        twelveHours = true;
    }
    return isClock(s) && (!twelveHours || parseSmall(s.substr(0, s.find(':')), 1, 12).has_value());
}

bool isDosDate(std::string_view s) { return isNumericDate(s) || isIsoDate(s); }

// "<DIR>", "<JUNCTION>" and "<SYMLINKD>" can be entered; "<SYMLINK>" is a link to a file.
bool isDirectoryMark(std::string_view s) {
    return equalsNoCase(s, "<DIR>") || equalsNoCase(s, "<JUNCTION>") || equalsNoCase(s, "<SYMLINKD>");
}

}  // namespace

// "01-15-23  12:34PM       <DIR>          name", "2023-01-15  09:05:07   1,234 name".
Outcome parseDos(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count < 4 || !isDosDate(fs.f[0]) || !isDosTime(fs.f[1], isMeridiem(fs.f[2]))) {
        return Outcome::NotMine;
    }
    std::size_t sizeField = 2;
    if (isMeridiem(fs.f[2])) {
        sizeField = 3;  // "12:34 PM"
        if (fs.count < 5) {
            return Outcome::NotMine;
        }
    }
    const std::string_view sizeText = fs.f[sizeField];
    const bool directory = isDirectoryMark(sizeText);
    std::optional<std::uint64_t> size;
    if (directory || equalsNoCase(sizeText, "<SYMLINK>")) {
        size = 0;
    } else {
        size = parseSizeColumn(sizeText);
    }
    if (!size) {
        return Outcome::NotMine;
    }
    std::string_view name = fs.restAfter(sizeField);
    if (directory && !equalsNoCase(sizeText, "<DIR>")) {
        const std::size_t bracket = name.rfind(" [");  // "link [C:\target]"
        if (bracket != std::string_view::npos && name.back() == ']') {
            name = name.substr(0, bracket);
        }
    }
    return withDate(makeEntry(name, directory, *size, out), fs.joined(0, sizeField), out);
}

// OS/2: "       73098      A          04-06-97   15:22  ENV.CMD",
//       "           0           DIR   12-18-96   12:50  MYDIR".
Outcome parseOs2(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count < 4 || !allDigits(fs.f[0])) {
        return Outcome::NotMine;
    }
    bool directory = false;
    std::size_t i = 1;
    for (; i < fs.count && i < 5 && !isDosDate(fs.f[i]); ++i) {
        const std::string_view attr = fs.f[i];
        if (attr == "DIR") {
            directory = true;
            continue;
        }
        for (char c : attr) {
            if (c != 'A' && c != 'H' && c != 'R' && c != 'S') {
                return Outcome::NotMine;
            }
        }
    }
    if (i + 2 >= fs.count || !isDosDate(fs.f[i]) || !isClock(fs.f[i + 1])) {
        return Outcome::NotMine;
    }
    return withDate(makeEntry(fs.restAfter(i + 1), directory, parseNumber(fs.f[0]).value_or(0), out),
                    fs.joined(i, 2), out);
}

}  // namespace ftp::listing
