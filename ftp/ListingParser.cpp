#include "ListingParser.h"

#include <array>

namespace ftp {

using listing::Outcome;

namespace {

// Only one line end: a CR that is part of the name must stay and get the entry refused, not be
// trimmed into the name of some other file.
std::string_view stripLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool isBlankLine(std::string_view line) { return listing::trimBlanks(line).empty(); }

// "total 12", "Total 3": the block count ls prints first.
bool isTotalLine(std::string_view line) {
    const listing::Fields fs = listing::splitFields(line);
    return fs.count == 2 && listing::equalsNoCase(fs.f[0], "total") && listing::allDigits(fs.f[1]);
}

using Family = Outcome (*)(std::string_view, listing::ReaderState&, Entry&);

template <Outcome (*Parse)(std::string_view, Entry&)>
Outcome stateless(std::string_view line, listing::ReaderState&, Entry& out) {
    return Parse(line, out);
}

// Most likely first; every family rejects a foreign line within its first fields.
constexpr std::array<Family, 10> kFamilies = {
    stateless<listing::parseUnix>,  stateless<listing::parseDos>,   stateless<listing::parseEplf>,
    listing::parseVms,              stateless<listing::parseOs400>, listing::parseMvs,
    stateless<listing::parseOs2>,   stateless<listing::parseTandem>, listing::parseVos,
    stateless<listing::parseCtime>,
};
constexpr int kMvsFamily = 5;

}  // namespace

void ListingReader::setSystemHint(std::string_view systReply) {
    const listing::Fields fs = listing::splitFields(systReply);
    for (std::size_t i = 0; i < fs.count; ++i) {
        if (fs.f[i] == "MVS" || fs.f[i] == "z/OS") {
            state_.mvsHint = true;
            preferred_ = kMvsFamily;
        }
    }
}

Outcome ListingReader::parseLine(std::string_view line, Entry& entry) {
    if (format_ == Format::Mlsd) {
        return listing::parseMlsd(line, entry);
    }
    if (preferred_ >= 0) {
        const Outcome o = kFamilies[static_cast<std::size_t>(preferred_)](line, state_, entry);
        if (o != Outcome::NotMine) {
            return o;
        }
    }
    for (std::size_t i = 0; i < kFamilies.size(); ++i) {
        if (static_cast<int>(i) == preferred_) {
            continue;
        }
        const Outcome o = kFamilies[i](line, state_, entry);
        if (o != Outcome::NotMine) {
            preferred_ = static_cast<int>(i);
            return o;
        }
    }
    return Outcome::NotMine;
}

void ListingReader::add(std::string_view line, std::vector<Entry>& out) {
    line = stripLineEnd(line);
    Entry entry;
    if (!state_.vmsPending.empty()) {
        const Outcome o = listing::continueVms(line, state_, entry);
        if (o == Outcome::Entry) {
            out.push_back(std::move(entry));
        }
        if (o != Outcome::NotMine) {
            return;
        }
        if (listing::takeVmsPending(state_, entry)) {
            out.push_back(std::move(entry));
        }
    }
    if (isBlankLine(line) || (format_ == Format::List && isTotalLine(line))) {
        return;
    }
    switch (parseLine(line, entry)) {
        case Outcome::Entry: out.push_back(std::move(entry)); break;
        case Outcome::Noise: break;
        case Outcome::NotMine: ++unreadable_; break;
    }
}

void ListingReader::finish(std::vector<Entry>& out) {
    Entry entry;
    if (listing::takeVmsPending(state_, entry)) {
        out.push_back(std::move(entry));
    }
}

std::vector<Entry> ListingReader::addAll(std::string_view data) {
    std::vector<Entry> entries;
    while (!data.empty()) {
        const std::size_t lf = data.find('\n');
        add(data.substr(0, lf), entries);
        data = lf == std::string_view::npos ? std::string_view() : data.substr(lf + 1);
    }
    finish(entries);
    return entries;
}

namespace {

std::optional<Entry> parseOne(std::string_view line, ListingReader::Format format) {
    ListingReader reader(format);
    std::vector<Entry> out;
    reader.add(line, out);
    reader.finish(out);
    if (out.empty()) {
        return std::nullopt;
    }
    return std::move(out.front());
}

std::vector<Entry> parseAll(std::string_view data, ListingReader::Format format, std::size_t* unreadable) {
    ListingReader reader(format);
    std::vector<Entry> entries = reader.addAll(data);
    if (unreadable != nullptr) {
        *unreadable = reader.unreadableLines();
    }
    return entries;
}

}  // namespace

std::optional<Entry> parseListLine(std::string_view line) { return parseOne(line, ListingReader::Format::List); }
std::optional<Entry> parseMlsdLine(std::string_view line) { return parseOne(line, ListingReader::Format::Mlsd); }

std::vector<Entry> parseListing(std::string_view data, std::size_t* unreadable) {
    return parseAll(data, ListingReader::Format::List, unreadable);
}

std::vector<Entry> parseMlsdListing(std::string_view data, std::size_t* unreadable) {
    return parseAll(data, ListingReader::Format::Mlsd, unreadable);
}

}  // namespace ftp
