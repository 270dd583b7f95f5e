#include "ReplyParsers.h"

#include <algorithm>
#include <cstdio>

#include "listing/Text.h"

namespace ftp {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

// Reads the decimal number at text[pos], moving pos past it. Values are clamped to `limit + 1`
// so that absurdly long digit runs cannot overflow. False when no digit is there.
bool readNumber(std::string_view text, std::size_t& pos, std::uint32_t limit, std::uint32_t& value) {
    if (pos >= text.size() || !isDigit(text[pos])) {
        return false;
    }
    value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
        if (value > limit) {
            value = limit + 1;
        }
        ++pos;
    }
    return true;
}

// Tries to read "n,n,n,n,n,n" starting at pos (blanks allowed after a comma). Returns how many
// numbers were read (up to six).
int readSixNumbers(std::string_view text, std::size_t pos, std::uint32_t (&numbers)[6]) {
    int count = 0;
    while (count < 6) {
        if (!readNumber(text, pos, 255, numbers[count])) {
            break;
        }
        ++count;
        if (count == 6 || pos >= text.size() || text[pos] != ',') {
            break;
        }
        ++pos;
        while (pos < text.size() && text[pos] == ' ') {
            ++pos;
        }
    }
    return count;
}

// The text after a reply's code and its separator ("213 x" -> "x"); empty when there is none.
std::string_view afterCode(std::string_view replyText) {
    return replyText.size() > 4 ? replyText.substr(4) : std::string_view();
}

using listing::equalsNoCase;
using listing::trimBlanks;

// The number a run of exactly `width` digits at text[pos] spells.
int fixedNumber(std::string_view text, std::size_t pos, std::size_t width) {
    int value = 0;
    for (std::size_t i = pos; i < pos + width; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

}  // namespace

std::optional<std::string> parsePwdReply(std::string_view replyText) {
    const std::size_t open = replyText.find('"');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    std::string path;
    for (std::size_t i = open + 1; i < replyText.size(); ++i) {
        const char c = replyText[i];
        if (c == '"') {
            if (i + 1 < replyText.size() && replyText[i + 1] == '"') {
                path.push_back('"');
                ++i;
                continue;
            }
            // An empty path cannot be returned to later, so it is no answer at all.
            if (path.empty()) {
                return std::nullopt;
            }
            return path;
        }
        if (isControl(c)) {
            return std::nullopt;
        }
        path.push_back(c);
    }
    return std::nullopt;  // unterminated
}

std::optional<PassiveAddress> parsePasvReply(std::string_view replyText) {
    for (std::size_t i = 0; i < replyText.size(); ++i) {
        if (!isDigit(replyText[i]) || (i > 0 && isDigit(replyText[i - 1]))) {
            continue;
        }
        std::uint32_t n[6] = {};
        if (readSixNumbers(replyText, i, n) < 6) {
            continue;
        }
        for (std::uint32_t v : n) {
            if (v > 255) {
                return std::nullopt;
            }
        }
        PassiveAddress address;
        address.host = std::to_string(n[0]) + '.' + std::to_string(n[1]) + '.' + std::to_string(n[2]) +
                       '.' + std::to_string(n[3]);
        address.port = static_cast<std::uint16_t>(n[4] * 256 + n[5]);
        if (address.port == 0) {
            return std::nullopt;
        }
        return address;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> parseEpsvReply(std::string_view replyText) {
    for (std::size_t open = replyText.find('('); open != std::string_view::npos;
         open = replyText.find('(', open + 1)) {
        std::string_view rest = replyText.substr(open + 1);
        if (rest.size() < 6) {
            return std::nullopt;
        }
        const char d = rest[0];
        // A digit as delimiter would make the port ambiguous.
        if (d < 33 || d > 126 || isDigit(d) || rest[1] != d || rest[2] != d) {
            continue;
        }
        std::size_t pos = 3;
        std::uint32_t port = 0;
        if (!readNumber(rest, pos, 65535, port)) {
            continue;
        }
        if (pos + 1 >= rest.size() || rest[pos] != d || rest[pos + 1] != ')') {
            continue;
        }
        if (port == 0 || port > 65535) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(port);
    }
    return std::nullopt;
}

Features parseFeatures(std::string_view replyText) {
    Features f;
    std::size_t start = replyText.find('\n');
    while (start != std::string_view::npos) {
        const std::size_t end = replyText.find('\n', start + 1);
        const std::string_view line = trimBlanks(
            replyText.substr(start + 1, end == std::string_view::npos ? end : end - start - 1));
        start = end;
        const std::size_t cut = line.find_first_of(" ;");
        const std::string_view name = line.substr(0, cut);
        const std::string_view rest = cut == std::string_view::npos ? std::string_view()
                                                                    : trimBlanks(line.substr(cut + 1));
        if (equalsNoCase(name, "MLST") || equalsNoCase(name, "MLSD")) f.mlsd = true;
        if (equalsNoCase(name, "UTF8")) f.utf8 = true;
        if (equalsNoCase(name, "REST") && equalsNoCase(rest, "STREAM")) f.restStream = true;
        if (equalsNoCase(name, "SIZE")) f.size = true;
        if (equalsNoCase(name, "MDTM")) f.mdtm = true;
        if (equalsNoCase(name, "MFMT")) f.mfmt = true;
    }
    return f;
}

std::optional<std::uint64_t> parseSizeReply(std::string_view replyText) {
    const std::string_view digits = trimBlanks(afterCode(replyText));
    return listing::parseNumber(digits);
}

std::optional<std::chrono::sys_seconds> parseTimeVal(std::string_view text) {
    using namespace std::chrono;
    // Fourteen digits, then nothing or a dot and the fraction's digits.
    if (text.size() < 14 || text.size() == 15 || (text.size() > 15 && text[14] != '.')) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 14 && !isDigit(text[i])) return std::nullopt;
    }
    const year_month_day date{year(fixedNumber(text, 0, 4)), month(unsigned(fixedNumber(text, 4, 2))),
                              day(unsigned(fixedNumber(text, 6, 2)))};
    const int h = fixedNumber(text, 8, 2), m = fixedNumber(text, 10, 2), s = fixedNumber(text, 12, 2);
    if (!date.ok() || h > 23 || m > 59 || s > 60) return std::nullopt;
    // A leap second is the last second of its minute.
    return sys_days(date) + hours(h) + minutes(m) + seconds(std::min(s, 59));
}

std::optional<std::chrono::sys_seconds> parseMdtmReply(std::string_view replyText) {
    return parseTimeVal(trimBlanks(afterCode(replyText)));
}

std::optional<std::string> formatTimeVal(std::chrono::sys_seconds time) {
    using namespace std::chrono;
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(time - day);
    if (date.year() < year(0) || date.year() > year(9999)) return std::nullopt;
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d%02d", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), int(clock.hours().count()), int(clock.minutes().count()),
                  int(clock.seconds().count()));
    return std::string(text);
}

}  // namespace ftp
