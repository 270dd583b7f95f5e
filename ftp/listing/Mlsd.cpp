// MLSD / MLST facts: "fact=value;fact=value; name". Facts are matched without regard to case;
// the ones we do not use are skipped.
#include <ctime>
#include <string>

#include "Families.h"

namespace ftp::listing {

namespace {

// "20230115123456[.sss]" (UTC) as "2023-01-15 12:34"; empty when it is not that shape.
std::string readModifyFact(std::string_view v) {
    if (v.size() < 14 || !allDigits(v.substr(0, 14))) {
        return {};
    }
    std::string out;
    out.append(v.substr(0, 4)).append(1, '-').append(v.substr(4, 2)).append(1, '-').append(v.substr(6, 2));
    out.append(1, ' ').append(v.substr(8, 2)).append(1, ':').append(v.substr(10, 2));
    return out;
}

// The same fact to the second, for comparing with local files.
std::optional<std::int64_t> modifySeconds(std::string_view v) {
    if (v.size() < 14 || !allDigits(v.substr(0, 14))) return std::nullopt;
    auto number = [&](std::size_t at, std::size_t n) { return std::stoi(std::string(v.substr(at, n))); };
    std::tm t{};
    t.tm_year = number(0, 4) - 1900;
    t.tm_mon = number(4, 2) - 1;
    t.tm_mday = number(6, 2);
    t.tm_hour = number(8, 2);
    t.tm_min = number(10, 2);
    t.tm_sec = number(12, 2);
    return static_cast<std::int64_t>(timegm(&t));
}

}  // namespace

Outcome parseMlsd(std::string_view line, Entry& out) {
    // Fact values never hold a blank, so the first blank ends the facts.
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return Outcome::NotMine;
    }
    std::string_view facts = line.substr(0, blank);
    bool directory = false;
    std::string_view link;
    bool isLink = false;
    std::optional<std::uint64_t> size;
    std::string_view modify;
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
                return Outcome::Noise;
            }
            directory = equalsNoCase(value, "dir");
            // "OS.unix=slink:/target" (or "symlink"): the server did not follow the link.
            isLink = startsWithNoCase(value, "OS.unix=slink") || startsWithNoCase(value, "OS.unix=symlink");
            const std::size_t colon = value.find(':');
            link = isLink && colon != std::string_view::npos ? value.substr(colon + 1) : std::string_view();
        } else if (equalsNoCase(key, "size") || (equalsNoCase(key, "sizd") && !size)) {
            size = parseNumber(value);
        } else if (equalsNoCase(key, "modify")) {
            modify = value;
        }
    }
    const Outcome made = makeEntry(line.substr(blank + 1), directory, size.value_or(0), out);
    if (made == Outcome::Entry && isLink) {
        out.link = true;
        out.linkTarget.assign(link);
    }
    if (made == Outcome::Entry) out.modifiedUtc = modifySeconds(modify);
    return withDate(made, readModifyFact(modify), out);
}

}  // namespace ftp::listing
