#include <cctype>

#include "Tls.h"

namespace ftp {

std::optional<std::string> parseFingerprint(const std::string& text) {
    std::string s = text;
    if (s.size() > 7 && (s.compare(0, 7, "SHA256:") == 0 || s.compare(0, 7, "sha256:") == 0)) s = s.substr(7);
    std::string hex;
    for (unsigned char c : s) {
        if (c == ':') continue;
        if (!std::isxdigit(c)) return std::nullopt;
        hex += static_cast<char>(std::tolower(c));
    }
    if (hex.size() != 64) return std::nullopt;
    return hex;
}

std::optional<TlsMode> parseTlsMode(const std::string& text) {
    if (text == "auto") return TlsMode::Auto;
    if (text == "require") return TlsMode::Require;
    if (text == "off") return TlsMode::Off;
    if (text == "implicit") return TlsMode::Implicit;
    return std::nullopt;
}

const char* tlsModeName(TlsMode mode) {
    switch (mode) {
        case TlsMode::Auto: return "auto";
        case TlsMode::Require: return "require";
        case TlsMode::Off: return "off";
        case TlsMode::Implicit: return "implicit";
    }
    return "auto";
}

}  // namespace ftp
