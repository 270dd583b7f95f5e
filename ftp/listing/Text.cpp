#include "Text.h"

namespace ftp::listing {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(s[i]) != lower(prefix[i])) {
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

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<std::uint64_t> parseNumber(std::string_view s) {
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

std::optional<int> parseSmall(std::string_view s, int lo, int hi) {
    if (s.empty() || s.size() > 4 || !allDigits(s)) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : s) {
        value = value * 10 + (c - '0');
    }
    return value >= lo && value <= hi ? std::optional<int>(value) : std::nullopt;
}

namespace {

// "1,234,567": groups of three after the first.
std::optional<std::uint64_t> parseGrouped(std::string_view s) {
    std::uint64_t value = 0;
    std::size_t run = 0;
    bool grouped = false;
    for (char c : s) {
        if (c == ',') {
            if (run == 0 || run > 3 || (grouped && run != 3)) {
                return std::nullopt;
            }
            grouped = true;
            run = 0;
            continue;
        }
        if (!isDigit(c) || value > (UINT64_MAX - 9) / 10) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        ++run;
    }
    if (!grouped || run != 3) {
        return std::nullopt;
    }
    return value;
}

// "33.5k", "12M", "1.2G", "7KiB", "3KB".
std::optional<std::uint64_t> parseSuffixed(std::string_view s) {
    std::size_t i = 0;
    std::uint64_t whole = 0;
    while (i < s.size() && isDigit(s[i]) && i < 15) {
        whole = whole * 10 + static_cast<std::uint64_t>(s[i++] - '0');
    }
    if (i == 0) {
        return std::nullopt;
    }
    std::uint64_t tenths = 0;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        if (i + 1 >= s.size() || !isDigit(s[i + 1])) {
            return std::nullopt;
        }
        tenths = static_cast<std::uint64_t>(s[i + 1] - '0');
        i += 2;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
        }
    }
    if (i >= s.size()) {
        return std::nullopt;
    }
    static constexpr std::string_view kUnits = "kmgtp";
    const std::size_t unit = kUnits.find(lower(s[i]));
    if (unit == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view tail = s.substr(i + 1);
    if (!tail.empty() && !equalsNoCase(tail, "b") && !equalsNoCase(tail, "ib")) {
        return std::nullopt;
    }
    std::uint64_t multiplier = 1024;
    for (std::size_t k = 0; k < unit; ++k) {
        multiplier *= 1024;
    }
    return whole * multiplier + tenths * multiplier / 10;
}

}  // namespace

std::optional<std::uint64_t> parseSizeColumn(std::string_view s) {
    if (s.empty()) {
        return std::nullopt;
    }
    if (isDigit(s[0])) {
        if (auto plain = parseNumber(s)) {
            return plain;
        }
        if (auto grouped = parseGrouped(s)) {
            return grouped;
        }
        return parseSuffixed(s);
    }
    // A negative size is a 32-bit counter that wrapped: the entry is real, its size unknown.
    if (s[0] == '-' && s.size() > 1 && allDigits(s.substr(1))) {
        return 0;
    }
    return std::nullopt;
}

std::string_view Fields::restAfter(std::size_t i) const {
    std::size_t pos = endOf(i);
    while (pos < line.size() && isBlank(line[pos])) {
        ++pos;
    }
    return line.substr(pos);
}

Outcome withDate(Outcome made, std::string date, Entry& out) {
    if (made == Outcome::Entry) {
        out.date = std::move(date);
    }
    return made;
}

std::string Fields::joined(std::size_t from, std::size_t n) const {
    std::string out;
    for (std::size_t k = from; k < from + n && k < count; ++k) {
        if (!out.empty()) {
            out += ' ';
        }
        out.append(f[k]);
    }
    return out;
}

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

Outcome makeEntry(std::string_view name, bool directory, std::uint64_t size, Entry& out) {
    if (name.empty() || name == "." || name == "..") {
        return Outcome::Noise;
    }
    for (char c : name) {
        if (c == '\r' || c == '\n' || c == '\0' || c == '/') {
            return Outcome::Noise;
        }
    }
    out.name.assign(name);
    out.attributes = directory ? kDirectory : kNormalFile;
    out.size = size;
    out.link = false;
    out.linkTarget.clear();
    out.date.clear();
    return Outcome::Entry;
}

}  // namespace ftp::listing
