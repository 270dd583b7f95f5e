#include "Target.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/stat.h>

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

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

// netrc tokens: blank-separated words, or "double quoted" with backslash escapes.
std::vector<std::string> netrcTokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::string t;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) ++i;
                t += text[i];
            }
            ++i;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) t += text[i++];
        }
        if (t == "macdef") {  // a macro runs to the next empty line: skip it whole
            std::size_t end = text.find("\n\n", i);
            i = end == std::string::npos ? text.size() : end + 2;
            continue;
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

}  // namespace

bool looksLikeUrl(const std::string& text) {
    const std::string l = lower(text.substr(0, 7));
    return l.rfind("ftp://", 0) == 0 || l.rfind("ftps://", 0) == 0;
}

std::optional<Url> parseUrl(const std::string& text, std::string& error) {
    Url url;
    const std::size_t scheme = text.find("://");
    url.secure = lower(text.substr(0, scheme)) == "ftps";
    std::string rest = text.substr(scheme + 3);
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    if (slash != std::string::npos) {
        auto path = percentDecode(rest.substr(slash + 1));
        if (!path) return error = "bad %-escape in the URL's path", std::nullopt;
        url.path = *path;
    }
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        std::string userinfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        if (const std::size_t colon = userinfo.find(':'); colon != std::string::npos) {
            url.hasPassword = true;
            userinfo.erase(colon);
        }
        auto user = percentDecode(userinfo);
        if (!user) return error = "bad %-escape in the URL's user", std::nullopt;
        url.user = *user;
    }
    // [v6 address]:port or name:port
    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return error = "unclosed [ in the URL's host", std::nullopt;
        url.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return error = "bad host in the URL", std::nullopt;
            portText = authority.substr(close + 2);
        }
    } else if (const std::size_t colon = authority.find(':'); colon != std::string::npos) {
        url.host = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
    } else {
        url.host = authority;
    }
    if (auto host = percentDecode(url.host)) url.host = *host;
    if (url.host.empty()) return error = "no host in the URL", std::nullopt;
    if (!portText.empty()) {
        unsigned port = 0;
        auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535)
            return error = "bad port in the URL: " + portText, std::nullopt;
        url.port = static_cast<std::uint16_t>(port);
    }
    return url;
}

std::optional<NetrcEntry> findNetrcEntry(const std::string& text, const std::string& host, const std::string& user) {
    const std::vector<std::string> t = netrcTokens(text);
    NetrcEntry entry;
    bool matches = false;
    auto fits = [&] { return matches && (user.empty() || entry.login.empty() || entry.login == user); };
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] == "machine" || t[i] == "default") {
            if (fits()) return entry;
            matches = t[i] == "default" || (i + 1 < t.size() && lower(t[i + 1]) == lower(host));
            entry = {};
            i += t[i] == "machine" ? 2 : 1;
            continue;
        }
        if (i + 1 < t.size()) {
            if (t[i] == "login") entry.login = t[i + 1];
            else if (t[i] == "password") entry.password = t[i + 1];
        }
        i += 2;  // a keyword and its value (account and the like are skipped)
    }
    if (fits()) return entry;
    return std::nullopt;
}

std::optional<Target> resolveTarget(const CommandLine& cl, const PasswordSources& passwords, std::string& error) {
    Target t{false, cl.host, cl.port, cl.user, {}, cl.directory};
    if (looksLikeUrl(cl.host)) {
        auto url = parseUrl(cl.host, error);
        if (!url) return std::nullopt;
        if (url->hasPassword)
            return error = "no password in the URL, where others can read it: use --password-stdin, "
                           "PELICANO_PASSWORD or ~/.netrc",
                   std::nullopt;
        if ((url->port && cl.port && url->port != cl.port) || (!url->user.empty() && !cl.user.empty() && url->user != cl.user) ||
            (!url->path.empty() && !cl.directory.empty()))
            return error = "the options contradict the URL", std::nullopt;
        t.secure = url->secure;
        t.host = url->host;
        if (url->port) t.port = url->port;
        if (!url->user.empty()) t.user = url->user;
        if (!url->path.empty()) t.directory = url->path;
    }
    if (passwords.given) {
        t.password = *passwords.given;
    } else if (!passwords.netrcPath.empty()) {
        struct stat st {};
        if (::stat(passwords.netrcPath.c_str(), &st) == 0) {
            // As the classic tools do: a password file others can read is no secret.
            if (st.st_mode & (S_IRWXG | S_IRWXO))
                return error = passwords.netrcPath + " can be read by others; make it private with chmod 600",
                       std::nullopt;
            std::ifstream in(passwords.netrcPath);
            std::stringstream text;
            text << in.rdbuf();
            if (auto entry = findNetrcEntry(text.str(), t.host, t.user)) {
                if (t.user.empty()) t.user = entry->login;
                t.password = entry->password;
            }
        }
    }
    if (t.user.empty()) t.user = "anonymous";
    return t;
}
