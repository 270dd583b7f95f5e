#include "Printable.h"

#include <cstdint>
#include <cstdio>

namespace {

struct Sequence {
    std::size_t length;  // 0: not valid UTF-8
    std::uint32_t codePoint;
};

// The valid UTF-8 sequence at s[i], if any.
Sequence utf8At(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return {1, c};
    if (c < 0xc2 || c > 0xf4) return {0, 0};  // a continuation byte, or a lead that cannot be valid
    const std::size_t len = c <= 0xdf ? 2 : c <= 0xef ? 3 : 4;
    std::uint32_t cp = c & (0xffu >> (len + 1));
    if (i + len > s.size()) return {0, 0};
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xc0) != 0x80) return {0, 0};
        cp = (cp << 6) | (b(i + k) & 0x3f);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return {0, 0};
    return {len, cp};
}

// A control character (C0, DEL, C1) could move the cursor, clear the screen or retitle the
// terminal; a line or paragraph separator breaks a line, and a bidirectional mark, embedding,
// override or isolate reorders what follows ("rlo\u202Etxt.exe" reads "rloexe.txt").
bool unprintable(std::uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7f && cp < 0xa0) || cp == 0x2028 || cp == 0x2029 || cp == 0x200e || cp == 0x200f ||
           (cp >= 0x202a && cp <= 0x202e) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x061c;
}

}  // namespace

std::string printableName(const std::string& raw) {
    std::string out;
    auto escape = [&](std::size_t from, std::size_t count) {
        for (std::size_t k = from; k < from + count; ++k) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(raw[k]));
            out += hex;
        }
    };
    for (std::size_t i = 0; i < raw.size();) {
        const auto [len, cp] = utf8At(raw, i);
        const std::size_t step = len == 0 ? 1 : len;
        if (cp == '\t' && len == 1) {
            out += "\\t";  // a tab would add a column to ls
        } else if (len == 0 || unprintable(cp)) {
            escape(i, step);
        } else {
            out.append(raw, i, len);
        }
        i += step;
    }
    return out;
}
