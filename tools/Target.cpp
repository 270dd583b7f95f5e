#include "Target.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/stat.h>

#include "ftp/HostAddress.h"

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
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

std::optional<Target> resolveTarget(const CommandLine& cl, const PasswordSources& passwords,
                                    const std::string& localUser, std::string& error) {
    auto address = ftp::parseHostAddress(cl.host);
    if (address.failed()) return error = address.error().message, std::nullopt;
    const ftp::HostAddress& url = address.value();
    if (url.hasPassword)
        return error =
                   "no password in the URL, where others can read it: use --password-stdin, "
                   "PELICANO_PASSWORD or ~/.netrc",
               std::nullopt;
    if ((url.port && cl.port && url.port != cl.port) ||
        (!url.user.empty() && !cl.user.empty() && url.user != cl.user) || (!url.path.empty() && !cl.directory.empty()))
        return error = "the options contradict the URL", std::nullopt;
    Target t{url.protocol,
             url.implicitTls,
             url.host,
             url.port ? url.port : cl.port,
             url.user.empty() ? cl.user : url.user,
             {},
             url.path.empty() ? cl.directory : url.path};
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
    t.userGiven = !t.user.empty();
    if (t.user.empty() && t.protocol == ftp::Protocol::Sftp) t.user = localUser;
    if (t.user.empty()) t.user = "anonymous";
    return t;
}
