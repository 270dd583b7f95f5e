#include "RateGuard.h"

namespace ftp {

std::string durationText(std::chrono::milliseconds d) {
    if (d.count() % 1000 == 0) return std::to_string(d.count() / 1000) + " s";
    return std::to_string(d.count()) + " ms";
}

std::string RateGuard::describe() const {
    const std::size_t b = rate_.bytes;
    const std::string amount = b % 1024 == 0 ? std::to_string(b / 1024) + " KiB" : std::to_string(b) + " bytes";
    return "under " + amount + " in " + durationText(rate_.period);
}

}  // namespace ftp
