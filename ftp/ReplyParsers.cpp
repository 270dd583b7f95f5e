#include "ReplyParsers.h"

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

}  // namespace ftp
