#include "HostKeys.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <tuple>

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <sys/stat.h>

#include "../StoreFile.h"

namespace ftp {

namespace {

// Group-writable files are common under a umask of 002 (a group of one); anyone's are not.
constexpr mode_t kUntrusted = S_IWOTH;

enum class Marker { None, Revoked, CertAuthority, Other };

struct Entry {
    Marker marker = Marker::None;
    std::string patterns;
    std::string type;
    std::string blob;
    std::string file;
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string encode64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    out.resize(std::size_t(n));
    return out;
}

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Strict: whole quads, "=" only as the final padding.
std::optional<std::string> decode64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return std::nullopt;
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with('=') ? 1 : 0;
    std::string out;
    std::uint32_t bits = 0;
    int held = 0;
    for (char c : text.substr(0, text.size() - padding)) {
        const int v = sextet(c);
        if (v < 0) return std::nullopt;
        bits = (bits << 6) | std::uint32_t(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(char((bits >> held) & 0xFF));
        }
    }
    return out;
}

// A public key blob begins with its type as an SSH string (32-bit big-endian length, bytes).
std::string blobType(const std::string& blob) {
    if (blob.size() < 4) return {};
    const auto byte = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(blob[i])); };
    const std::uint32_t length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (length == 0 || length > 64 || length > blob.size() - 4) return {};
    return blob.substr(4, length);
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (out.size() < 4) {  // the marker, if any, and three fields; the rest is a comment
        i = line.find_first_not_of(" \t", i);
        if (i == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", i), line.size());
        out.push_back(line.substr(i, end - i));
        i = end;
    }
    return out;
}

std::optional<Entry> parseLine(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::vector<std::string_view> w = words(line);
    if (w.empty() || w[0].front() == '#') return std::nullopt;
    Entry e;
    if (w[0].front() == '@') {
        e.marker = w[0] == "@revoked"          ? Marker::Revoked
                   : w[0] == "@cert-authority" ? Marker::CertAuthority
                                               : Marker::Other;
        w.erase(w.begin());
    }
    if (w.size() < 3) return std::nullopt;
    auto blob = decode64(w[2]);
    if (!blob || blobType(*blob) != w[1]) return std::nullopt;
    e.patterns = std::string(w[0]);
    e.type = std::string(w[1]);
    e.blob = std::move(*blob);
    return e;
}

// "*" any run of characters, "?" any one.
bool wildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// "|1|salt|hash", both base64: the HMAC-SHA1 of the name keyed with the salt.
bool hashedMatch(std::string_view field, const std::string& name) {
    const std::size_t bar = field.find('|', 3);
    if (!field.starts_with("|1|") || bar == std::string_view::npos) return false;
    const auto salt = decode64(field.substr(3, bar - 3));
    const auto hash = decode64(field.substr(bar + 1));
    if (!salt || !hash) return false;
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha1(), salt->data(), int(salt->size()), reinterpret_cast<const unsigned char*>(name.data()),
              name.size(), mac, &length))
        return false;
    return std::string_view(reinterpret_cast<const char*>(mac), length) == *hash;
}

// A negated pattern that matches rules the whole line out, whatever else matches.
bool patternsMatch(const std::string& patterns, const std::string& name) {
    if (patterns.starts_with('|')) return hashedMatch(patterns, name);
    const std::string list = lower(patterns);
    bool matched = false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string_view pattern = std::string_view(list).substr(start, comma - start);
        const bool negated = pattern.starts_with('!');
        if (negated) pattern.remove_prefix(1);
        if (!pattern.empty() && wildcardMatch(pattern, name)) {
            if (negated) return false;
            matched = true;
        }
        if (comma == list.size()) return matched;
        start = comma + 1;
    }
}

// The name OpenSSH writes for host:port: "host" on port 22, "[host]:port" elsewhere.
std::string nameFor(const std::string& host, std::uint16_t port) {
    std::string h = lower(host);
    if (h.size() > 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    return port == 0 || port == 22 ? h : "[" + h + "]:" + std::to_string(port);
}

template <class Visit>
void forEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        visit(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

// Each line of each file that speaks of name, in order; certificate authorities left out.
Result<std::vector<Entry>> entriesFor(const std::vector<std::string>& files, const std::string& name) {
    std::vector<Entry> out;
    for (const std::string& file : files) {
        auto text = storefile::read(file, kUntrusted);
        if (text.failed()) return text.error();
        forEachLine(text.value(), [&](std::string_view line) {
            std::optional<Entry> e = parseLine(line);
            if (!e || e->marker == Marker::CertAuthority || e->marker == Marker::Other) return;
            if (!patternsMatch(e->patterns, name)) return;
            e->file = file;
            out.push_back(std::move(*e));
        });
    }
    return out;
}

// What a name must not hold to stand alone in the store's pattern field.
bool plainName(const std::string& name) {
    if (name.empty()) return false;
    return std::none_of(name.begin(), name.end(), [](unsigned char c) {
        return c <= ' ' || c == 0x7F || std::string_view(",*?!|#@").find(char(c)) != std::string_view::npos;
    });
}

// A host the store may hold a line of its own for (no pattern, no second line).
bool storableHost(const std::string& host) { return plainName(nameFor(host, 22)); }

// host and port back from a name as nameFor writes it; nothing for any other pattern.
std::optional<std::pair<std::string, std::uint16_t>> hostAndPort(const std::string& patterns) {
    const std::string name = lower(patterns);
    std::string host = name;
    unsigned long port = 22;
    if (name.starts_with('[')) {
        const std::size_t close = name.find("]:");
        const std::string digits = close == std::string::npos ? "" : name.substr(close + 2);
        if (digits.empty() || digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
            return std::nullopt;
        host = name.substr(1, close - 1);
        port = std::stoul(digits);
    }
    if (port == 0 || port > 65535 || !storableHost(host) || nameFor(host, std::uint16_t(port)) != name)
        return std::nullopt;
    return std::pair{host, std::uint16_t(port)};
}

// The store's text without name's plain entries of that type; every other line stays as it was,
// comments included.
std::string withoutEntries(std::string_view store, const std::string& name, const std::string& type, bool& removed) {
    std::string text;
    forEachLine(store, [&](std::string_view line) {
        const std::optional<Entry> e = parseLine(line);
        if (e && e->marker == Marker::None && lower(e->patterns) == name && e->type == type) {
            removed = true;
            return;
        }
        text.append(line).push_back('\n');
    });
    return text;
}

}  // namespace

std::string hostKeyFingerprint(const std::string& blob) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(blob.data(), blob.size(), digest, &length, EVP_sha256(), nullptr);
    std::string text = encode64(std::string(reinterpret_cast<const char*>(digest), length));
    while (text.ends_with('=')) text.pop_back();
    return "SHA256:" + text;
}

Result<HostKeyLookup> lookUpHostKey(const std::vector<std::string>& files, const std::string& host, std::uint16_t port,
                                    const HostKey& key) {
    auto entries = entriesFor(files, nameFor(host, port));
    if (entries.failed()) return entries.error();
    const std::string type = blobType(key.blob).empty() ? key.type : blobType(key.blob);
    for (const Entry& e : entries.value()) {
        if (e.marker != Marker::Revoked || e.blob != key.blob) continue;
        const std::string fingerprint = hostKeyFingerprint(key.blob);
        Error error{ErrorKind::HostKey,
                    "the host key of " + host + " (" + fingerprint + ") is marked revoked in " + e.file,
                    {}};
        error.hostKey = HostKeyQuestion{host, port, {type, fingerprint}, {}, true};
        return error;
    }
    HostKeyLookup found;
    for (const Entry& e : entries.value()) {
        if (e.marker == Marker::Revoked) continue;
        if (e.blob == key.blob) return HostKeyLookup{HostKeyMatch::Known, {}};
        if (e.type == type && found.match == HostKeyMatch::Unknown)
            found = {HostKeyMatch::Changed, hostKeyFingerprint(e.blob)};
    }
    return found;
}

Result<std::vector<std::string>> knownHostKeyTypes(const std::vector<std::string>& files, const std::string& host,
                                                   std::uint16_t port) {
    auto entries = entriesFor(files, nameFor(host, port));
    if (entries.failed()) return entries.error();
    std::vector<std::string> types;
    for (const Entry& e : entries.value())
        if (e.marker == Marker::None && std::find(types.begin(), types.end(), e.type) == types.end())
            types.push_back(e.type);
    return types;
}

Status rememberHostKey(const std::string& storePath, const std::string& host, std::uint16_t port, const HostKey& key) {
    const std::string name = nameFor(host, port);
    const std::string type = blobType(key.blob);
    if (!storableHost(host) || type.empty())
        return Error{ErrorKind::InvalidArgument, "cannot remember a host key for " + host, {}};
    auto old = storefile::read(storePath, kUntrusted);
    if (old.failed()) return old.error();
    bool replaced = false;
    std::string text = withoutEntries(old.value(), name, type, replaced);
    if (text.empty()) text = "# Pelicano: SSH host keys trusted with \"Confiar siempre\" (known_hosts syntax)\n";
    text += name + " " + type + " " + encode64(key.blob) + "\n";
    return storefile::write(storePath, text);
}

Result<std::vector<RememberedHostKey>> rememberedHostKeys(const std::string& storePath) {
    auto text = storefile::read(storePath, kUntrusted);
    if (text.failed()) return text.error();
    std::vector<RememberedHostKey> keys;
    forEachLine(text.value(), [&](std::string_view line) {
        const std::optional<Entry> e = parseLine(line);
        if (!e || e->marker != Marker::None) return;
        if (auto where = hostAndPort(e->patterns))
            keys.push_back({std::move(where->first), where->second, e->type, hostKeyFingerprint(e->blob)});
    });
    std::sort(keys.begin(), keys.end(), [](const RememberedHostKey& a, const RememberedHostKey& b) {
        return std::tie(a.host, a.port, a.type) < std::tie(b.host, b.port, b.type);
    });
    return keys;
}

Status forgetHostKey(const std::string& storePath, const std::string& host, std::uint16_t port,
                     const std::string& type) {
    if (!storableHost(host)) return Error{ErrorKind::InvalidArgument, "cannot forget a host key for " + host, {}};
    auto old = storefile::read(storePath, kUntrusted);
    if (old.failed()) return old.error();
    bool removed = false;
    const std::string text = withoutEntries(old.value(), nameFor(host, port), type, removed);
    return removed ? storefile::write(storePath, text) : Status::ok();
}

}  // namespace ftp
