// MLSD / MLST facts: "fact=value;fact=value; name". Facts are matched without regard to case;
// the ones we do not use are skipped, but every fact must keep to RFC 3659's grammar.
#include "../ReplyParsers.h"
#include "Families.h"

namespace ftp::listing {

namespace {

// RFC 3659's time-val "20230115123456[.sss]" (UTC) shown as "2023-01-15 12:34".
std::string shownTime(std::string_view v) {
    std::string out;
    out.append(v.substr(0, 4)).append(1, '-').append(v.substr(4, 2)).append(1, '-').append(v.substr(6, 2));
    out.append(1, ' ').append(v.substr(8, 2)).append(1, ':').append(v.substr(10, 2));
    return out;
}

struct Facts {
    bool directory = false;
    bool parentOrSelf = false;  // cdir and pdir: the listed folder and its parent
    bool isLink = false;
    std::string_view link;
    std::optional<std::uint64_t> size;
    std::string date;
    std::optional<std::int64_t> modifiedUtc;
};

// One "name=value" fact; false when it breaks the grammar of the facts we read.
bool readFact(std::string_view fact, Facts& facts) {
    const std::size_t eq = fact.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        return false;
    }
    const std::string_view key = fact.substr(0, eq);
    const std::string_view value = fact.substr(eq + 1);
    if (equalsNoCase(key, "type")) {
        facts.directory = equalsNoCase(value, "dir");
        facts.parentOrSelf = equalsNoCase(value, "cdir") || equalsNoCase(value, "pdir");
        // "OS.unix=slink:/target" (or "symlink"): the server did not follow the link.
        facts.isLink = startsWithNoCase(value, "OS.unix=slink") || startsWithNoCase(value, "OS.unix=symlink");
        const std::size_t colon = value.find(':');
        facts.link = facts.isLink && colon != std::string_view::npos ? value.substr(colon + 1) : std::string_view();
        return !value.empty();
    }
    if (equalsNoCase(key, "size") || equalsNoCase(key, "sizd")) {
        const auto size = parseNumber(value);
        if (!facts.size || equalsNoCase(key, "size")) {
            facts.size = size;
        }
        return size.has_value();
    }
    if (equalsNoCase(key, "modify") || equalsNoCase(key, "create")) {
        const auto time = parseTimeVal(value);  // a moment that exists, or the line is malformed
        if (time && equalsNoCase(key, "modify")) {
            facts.date = shownTime(value);
            facts.modifiedUtc = time->time_since_epoch().count();
        }
        return time.has_value();
    }
    return true;  // a fact we do not use: any value will do
}

}  // namespace

// "fact=value;fact=value; name": every fact ends with ';', and the facts end at the first blank.
Outcome parseMlsd(std::string_view line, Entry& out) {
    // Fact values never hold a blank, so the first blank ends the facts.
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return Outcome::NotMine;
    }
    std::string_view rest = line.substr(0, blank);
    if (!rest.empty() && rest.back() != ';') {
        return Outcome::NotMine;
    }
    Facts facts;
    while (!rest.empty()) {
        const std::size_t semicolon = rest.find(';');
        if (!readFact(rest.substr(0, semicolon), facts)) {
            return Outcome::NotMine;
        }
        rest.remove_prefix(semicolon + 1);
    }
    if (facts.parentOrSelf) {
        return Outcome::Noise;
    }
    const Outcome made = makeEntry(line.substr(blank + 1), facts.directory, facts.size.value_or(0), out);
    if (made == Outcome::Entry && facts.isLink) {
        out.link = true;
        out.linkTarget.assign(facts.link);
    }
    if (made == Outcome::Entry) {
        out.modifiedUtc = facts.modifiedUtc;
    }
    return withDate(made, std::move(facts.date), out);
}

}  // namespace ftp::listing
