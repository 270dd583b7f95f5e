#include "TrustStore.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include <sys/stat.h>

#include "StoreFile.h"
#include "Tls.h"

namespace ftp {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string normalHost(const std::string& host) {
    std::string h = host;
    if (h.size() > 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    return lower(h);
}

std::string keyOf(const std::string& host, std::uint16_t port) {
    std::string h = normalHost(host);
    if (h.find(':') != std::string::npos) h = "[" + h + "]";
    return h + ":" + std::to_string(port);
}

// "host:port" or "[v6]:port" back into its parts.
bool splitKey(const std::string& key, std::string& host, std::uint16_t& port) {
    auto colon = key.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == key.size()) return false;
    char* end = nullptr;
    long p = std::strtol(key.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || p <= 0 || p > 65535) return false;
    host = normalHost(key.substr(0, colon));
    port = static_cast<std::uint16_t>(p);
    return !host.empty();
}

}  // namespace

std::string TrustStore::defaultPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/pelicano/known-certificates";
}

Status TrustStore::load() {
    certificates_.clear();
    tlsHosts_.clear();
    auto text = storefile::read(path_, S_IWGRP | S_IWOTH);
    if (text.failed()) return text.error();
    std::istringstream lines(std::move(text).value());
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind, key, value, extra;
        words >> kind >> key >> value >> extra;
        std::string host;
        std::uint16_t port = 0;
        if (!extra.empty() || !splitKey(key, host, port)) continue;
        if (kind == "tls" && value.empty()) tlsHosts_.insert(keyOf(host, port));
        if (kind == "certificate")
            if (auto fp = parseFingerprint(value)) remember(host, port, *fp);
    }
    return Status::ok();
}

Status TrustStore::save() const {
    std::string text = "# Pelicano: trusted server certificates (SHA-256) and hosts that used TLS\n";
    for (const auto& c : list()) text += "certificate " + keyOf(c.host, c.port) + " " + c.sha256 + "\n";
    for (const auto& key : tlsHosts_) text += "tls " + key + "\n";
    return storefile::write(path_, text);
}

std::optional<std::string> TrustStore::lookup(const std::string& host, std::uint16_t port) const {
    auto it = certificates_.find({normalHost(host), port});
    if (it == certificates_.end()) return std::nullopt;
    return it->second;
}

void TrustStore::remember(const std::string& host, std::uint16_t port, const std::string& sha256) {
    certificates_[{normalHost(host), port}] = sha256;
}

bool TrustStore::forget(const std::string& host, std::uint16_t port) {
    return certificates_.erase({normalHost(host), port}) > 0;
}

std::vector<RememberedCertificate> TrustStore::list() const {
    std::vector<RememberedCertificate> out;
    out.reserve(certificates_.size());
    for (const auto& [key, sha256] : certificates_) out.push_back({key.first, key.second, sha256});
    return out;
}

bool TrustStore::usedTls(const std::string& host, std::uint16_t port) const {
    return tlsHosts_.count(keyOf(host, port)) > 0;
}

void TrustStore::markUsedTls(const std::string& host, std::uint16_t port) { tlsHosts_.insert(keyOf(host, port)); }

}  // namespace ftp
