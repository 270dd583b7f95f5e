#pragma once
// Small helpers shared by the engine tests.

#include <memory>
#include <string>

#include "ftp/Connection.h"

namespace enginetest {

// Real servers may pause a few seconds (pyftpdlib delays a refused login by 3 s).
inline ftp::Session quickSession(int ms = 8000) {
    const std::chrono::milliseconds t(ms);
    return ftp::Session("Deduradi Rovazozo", ftp::Timeouts{t, t, t});
}

// Sends `bytes` the way the upload window does: 100-byte blocks, then the remainder.
inline ftp::Status upload(ftp::Connection& c, const std::string& name, const std::string& bytes,
                          ftp::TransferType type = ftp::TransferType::Binary) {
    auto file = c.openFileForWrite(name, type);
    if (file.failed()) return file.status();
    for (std::size_t at = 0; at < bytes.size(); at += 100) {
        ftp::Status s = file.value()->write(bytes.data() + at, std::min<std::size_t>(100, bytes.size() - at));
        if (s.failed()) return s;
    }
    return file.value()->close();
}

inline std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    std::uint32_t x = 2463534242u;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

}  // namespace enginetest
