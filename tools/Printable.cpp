#include "Printable.h"

#include <cstdint>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t utf8Length(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t len;
    std::uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) len = 2, cp = c & 0x1f;
    else if (c >= 0xe0 && c <= 0xef) len = 3, cp = c & 0x0f;
    else if (c >= 0xf0 && c <= 0xf4) len = 4, cp = c & 0x07;
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3f);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return 0;
    return len;
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
        const std::size_t len = utf8Length(raw, i);
        const auto c = static_cast<unsigned char>(raw[i]);
        // A control character (C0, DEL, or C1 as U+0080..U+009F) could move the cursor, clear
        // the screen or retitle the terminal; a tab would add a column to ls.
        const bool control = c < 0x20 || c == 0x7f || (len == 2 && c == 0xc2 && static_cast<unsigned char>(raw[i + 1]) < 0xa0);
        if (c == '\t') out += "\\t";
        else if (len == 0 || control) escape(i, len == 0 ? 1 : len);
        else out.append(raw, i, len);
        i += len == 0 ? 1 : len;
    }
    return out;
}
