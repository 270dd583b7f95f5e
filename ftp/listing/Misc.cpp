// Single-line shapes of less common servers: EPLF, Tandem Guardian, Stratus VOS and the ctime
// style some embedded servers (Windows CE among them) print.
#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

// "+i8388621.48594,m825718503,r,s280,\tdjb.html": every fact ends with a comma; facts we do not
// know are skipped, but a size or a time that is not a number makes the line no entry.
Outcome parseEplf(std::string_view line, Entry& out) {
    if (line.size() < 2 || line[0] != '+') {
        return Outcome::NotMine;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || (tab > 1 && line[tab - 1] != ',')) {  // no facts at all is allowed
        return Outcome::NotMine;
    }
    std::string_view facts = line.substr(1, tab - 1);
    bool directory = false;
    std::uint64_t size = 0;
    std::string date;
    while (!facts.empty()) {
        const std::size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        facts = comma == std::string_view::npos ? std::string_view() : facts.substr(comma + 1);
        if (fact == "/") {
            directory = true;
        } else if (!fact.empty() && (fact[0] == 's' || fact[0] == 'm')) {
            const auto value = parseNumber(fact.substr(1));
            if (!value) {
                return Outcome::NotMine;
            }
            if (fact[0] == 's') {
                size = *value;
            } else {
                date = utcMinute(*value);
            }
        }
    }
    return withDate(makeEntry(line.substr(tab + 1), directory, size, out), std::move(date), out);
}

// Tandem: "File Code EOF Last Modification Owner RWEP" then
//         "ALTERLOG        101         5431 15-Sep-05 10:23:01 255, 0 "oooo"".
Outcome parseTandem(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count >= 3 && fs.f[0] == "File" && fs.f[1] == "Code" && fs.f[2] == "EOF") {
        return Outcome::Noise;
    }
    if (fs.count < 5 || fs.f[0].size() > 8 || !isAsciiLetter(fs.f[0][0]) || !allDigits(fs.f[1]) ||
        !allDigits(fs.f[2]) || !isNamedDate(fs.f[3]) || !isClock(fs.f[4])) {
        return Outcome::NotMine;
    }
    return withDate(makeEntry(fs.f[0], false, parseNumber(fs.f[2]).value_or(0), out), fs.joined(3, 2), out);
}

// Stratus VOS lists files, then folders, then links, each after a count line:
//   Files: 2  Blocks: 3
//   w        1  seq       21-05-10 10:00:00  notes.txt
//   Dirs: 1
//   m        2            21-05-10 10:00:00  sub
Outcome parseVos(std::string_view line, ReaderState& state, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count >= 2 && allDigits(fs.f[1])) {
        const std::string_view head = fs.f[0];
        const char section = head == "Files:" ? 'f' : head == "Dirs:" ? 'd' : head == "Links:" ? 'l' : 0;
        if (section != 0) {
            state.vosSection = section;
            return Outcome::Noise;
        }
    }
    if (state.vosSection == 0 || fs.count < 5 || fs.f[0].size() != 1 || !isAsciiLetter(fs.f[0][0]) ||
        !allDigits(fs.f[1])) {
        return Outcome::NotMine;
    }
    std::size_t date = 2;
    if (!isNumericDate(fs.f[date])) {
        ++date;  // the organisation column ("seq", "rel", "stm") of files
    }
    if (date + 2 >= fs.count || !isNumericDate(fs.f[date]) || !isClock(fs.f[date + 1])) {
        return Outcome::NotMine;
    }
    std::string_view name = fs.restAfter(date + 1);
    if (state.vosSection == 'l') {
        name = name.substr(0, name.find(" -> "));
    }
    constexpr std::uint64_t kBlockBytes = 4096;
    const std::uint64_t blocks = parseNumber(fs.f[1]).value_or(0);
    const Outcome made =
        makeEntry(name, state.vosSection == 'd', blocks <= UINT64_MAX / kBlockBytes ? blocks * kBlockBytes : 0, out);
    return withDate(made, fs.joined(date, 2), out);
}

// "Sun Nov 12 18:33:58 2006 <DIR> Folder", "Mon Jan 15 12:34:56 2023 1234 file.txt".
Outcome parseCtime(std::string_view line, Entry& out) {
    const Fields fs = splitFields(line);
    static constexpr std::string_view kDays = "sunmontuewedthufrisat";
    if (fs.count < 7 || fs.f[0].size() != 3 || !isAsciiLetter(fs.f[0][0])) {
        return Outcome::NotMine;
    }
    bool weekday = false;
    for (std::size_t i = 0; i < kDays.size(); i += 3) {
        weekday = weekday || equalsNoCase(fs.f[0], kDays.substr(i, 3));
    }
    if (!weekday || !isMonthName(fs.f[1]) || !isDay(fs.f[2]) || !isClock(fs.f[3]) || !isYear(fs.f[4])) {
        return Outcome::NotMine;
    }
    const bool directory = equalsNoCase(fs.f[5], "<DIR>");
    const auto size = directory ? std::optional<std::uint64_t>(0) : parseSizeColumn(fs.f[5]);
    if (!size) {
        return Outcome::NotMine;
    }
    return withDate(makeEntry(fs.restAfter(5), directory, *size, out), fs.joined(0, 5), out);
}

}  // namespace ftp::listing
