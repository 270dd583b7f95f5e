#include "DirStack.h"

namespace remote {

std::string DirStack::PilaDirs(int k) const {
    if (k < 0 || std::size_t(k) >= slots_.size()) return {};
    return slots_[std::size_t(k)];
}

void DirStack::restart(std::string loginDir) {
    level_ = 0;
    slots_[0] = std::move(loginDir);
}

void DirStack::entered(std::string path) {
    ++level_;
    if (std::size_t(level_) >= slots_.size()) slots_.resize(std::size_t(level_) + 1);
    slots_[std::size_t(level_)] = std::move(path);
}

std::optional<std::string> DirStack::up() {
    --level_;
    if (level_ < 0 || std::size_t(level_) >= slots_.size()) return std::nullopt;
    return slots_[std::size_t(level_)];
}

}  // namespace remote
