#pragma once
// Overwrites a string's whole buffer before it is given back, so a password leaves no copy in
// freed memory. The volatile writes keep the compiler from dropping them as dead stores.

#include <string>

namespace ftp {

inline void wipe(std::string& s) {
    s.resize(s.capacity());  // the bytes past size() may still hold an earlier, longer value
    volatile char* p = s.data();
    for (std::size_t i = 0; i < s.size(); ++i) p[i] = 0;
    s.clear();
}

}  // namespace ftp
