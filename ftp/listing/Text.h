#pragma once
// Small text helpers shared by the listing families: blank-separated fields that remember their
// place in the line, number and size reading, and the checks every listed name goes through.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "../Entry.h"

namespace ftp::listing {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
inline bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool allDigits(std::string_view s);
std::string_view trimBlanks(std::string_view s);

// Decimal number; nullopt when not all digits or beyond 64 bits.
std::optional<std::uint64_t> parseNumber(std::string_view s);
// Small decimal in [lo, hi], else nullopt.
std::optional<int> parseSmall(std::string_view s, int lo, int hi);

// A size column: plain digits, "1,234,567", a suffixed "33.5k" / "12M" / "1.2GiB" (binary
// multiples), or a negative number from a server's 32-bit overflow. nullopt when the text is no
// size at all; a size of unknown value reads as 0.
std::optional<std::uint64_t> parseSizeColumn(std::string_view s);

constexpr std::size_t kMaxFields = 24;

struct Fields {
    std::array<std::string_view, kMaxFields> f{};
    std::size_t count = 0;
    std::string_view line;

    std::string_view at(std::size_t i) const { return i < count ? f[i] : std::string_view(); }
    std::size_t startOf(std::size_t i) const { return static_cast<std::size_t>(f[i].data() - line.data()); }
    std::size_t endOf(std::size_t i) const { return startOf(i) + f[i].size(); }
    // The rest of the line after field i, past the blanks that follow it.
    std::string_view restAfter(std::size_t i) const;
    // Fields [from, from + n) one blank apart.
    std::string joined(std::size_t from, std::size_t n) const;
};

// The first kMaxFields blank-separated fields; names are taken from the line itself.
Fields splitFields(std::string_view line);

// The outcome of one family's look at a line.
enum class Outcome {
    NotMine,  // not this family's shape: let the next family try
    Noise,    // this family's header, trailer or message line, or a name we refuse: no entry
    Entry,    // an entry was filled in
};

// Fills `out` when the name can be used as one path segment; "." and ".." are no entries.
Outcome makeEntry(std::string_view name, bool directory, std::uint64_t size, Entry& out);
// Gives the entry `made` filled in its date.
Outcome withDate(Outcome made, std::string date, Entry& out);

}  // namespace ftp::listing
