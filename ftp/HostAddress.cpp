#include "HostAddress.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace ftp {
namespace {

struct Scheme {
    const char* name;
    Protocol protocol;
    bool implicitTls;
};
constexpr Scheme kSchemes[] = {
    {"sftp://", Protocol::Sftp, false},
    {"ftps://", Protocol::Ftp, true},
    {"ftp://", Protocol::Ftp, false},
};

const Scheme* schemeOf(const std::string& text) {
    for (const Scheme& s : kSchemes) {
        const std::string name = s.name;
        if (text.size() < name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(text[i])) == name[i];
        if (same) return &s;
    }
    return nullptr;
}

Error invalid(const std::string& why) { return Error{ErrorKind::InvalidArgument, why, {}}; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::optional<std::string> percentDecode(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        const int hi = hexValue(s[i + 1]), lo = hexValue(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::optional<std::uint16_t> portOf(const std::string& text) {
    unsigned port = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

// "[v6]:port", "[v6]", "name:port" or "name"; anything with more colons is a bare IPv6 literal.
Status splitHostPort(const std::string& authority, HostAddress& a) {
    std::string portText;
    bool hasPort = false;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return invalid("unclosed [ in the host");
        a.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return invalid("bad host: " + authority);
            portText = authority.substr(close + 2);
            hasPort = true;
        }
    } else if (const std::size_t colon = authority.find(':');
               colon != std::string::npos && authority.find(':', colon + 1) == std::string::npos) {
        a.host = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
        hasPort = true;
    } else {
        a.host = authority;
    }
    if (a.host.empty()) return invalid("no host");
    if (hasPort) {
        auto port = portOf(portText);
        if (!port) return invalid("bad port: " + portText);
        a.port = *port;
    }
    return Status::ok();
}

}  // namespace

bool hasScheme(const std::string& text) { return schemeOf(text) != nullptr; }

Result<HostAddress> parseHostAddress(const std::string& text) {
    HostAddress a;
    const Scheme* scheme = schemeOf(text);
    if (!scheme) {
        if (Status s = splitHostPort(text, a); s.failed()) return s.error();
        return a;
    }
    a.protocol = scheme->protocol;
    a.implicitTls = scheme->implicitTls;
    std::string rest = text.substr(std::string(scheme->name).size());
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    if (slash != std::string::npos) {
        auto path = percentDecode(rest.substr(slash + 1));
        if (!path) return invalid("bad %-escape in the URL's path");
        a.path = *path;
    }
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        std::string userinfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        if (const std::size_t colon = userinfo.find(':'); colon != std::string::npos) {
            a.hasPassword = true;
            userinfo.erase(colon);
        }
        auto user = percentDecode(userinfo);
        if (!user) return invalid("bad %-escape in the URL's user");
        a.user = *user;
    }
    if (Status s = splitHostPort(authority, a); s.failed()) return s.error();
    auto host = percentDecode(a.host);
    if (!host) return invalid("bad %-escape in the URL's host");
    a.host = *host;
    return a;
}

}  // namespace ftp
