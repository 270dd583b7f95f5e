#pragma once
// The arithmetic of the upload loop: 100-byte blocks, the remainder sent last, and the percentage
// after each full block. All sizes are 64-bit.

#include <algorithm>
#include <cstdint>

namespace uploadmath {

constexpr std::uint64_t kBlock = 100;

struct Plan {
    std::uint64_t fullBlocks;
    std::uint64_t remainder;  // 0 to 99; written last, even when 0
};

constexpr Plan plan(std::uint64_t size, std::uint64_t block = kBlock) { return {size / block, size % block}; }

__extension__ using Wide = unsigned __int128;

// (sent * 100) div size, 0 to 100, exact for any 64-bit size.
constexpr int percentage(std::uint64_t sent, std::uint64_t size) {
    if (size == 0) return 0;
    return int(Wide(std::min(sent, size)) * 100 / size);
}

// The fewest bytes sent for which percentage() reaches percent (0 to 100), so the loop can
// compare instead of dividing after every block.
constexpr std::uint64_t sentReaching(int percent, std::uint64_t size) {
    const auto p = std::uint64_t(std::clamp(percent, 0, 100));
    return (size / 100) * p + ((size % 100) * p + 99) / 100;
}

}  // namespace uploadmath
