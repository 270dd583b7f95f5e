#include "Names.h"

#include <fnmatch.h>

namespace treesync {

bool isSafeSegment(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\r\n\0", 4)) == std::string::npos;
}

std::string joinPath(const std::string& folder, const std::string& segment) {
    if (folder.empty()) return segment;
    if (segment.empty()) return folder;
    return folder.back() == '/' ? folder + segment : folder + "/" + segment;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string lastSegment(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<Excludes> Excludes::make(const std::vector<std::string>& patterns, std::string& error) {
    Excludes e;
    for (const auto& p : patterns) {
        if (p.empty()) {
            error = "an empty --exclude pattern matches nothing; give a glob";
            return std::nullopt;
        }
        e.patterns_.push_back(p);
    }
    return e;
}

bool Excludes::excluded(const std::string& relativePath) const {
    const std::string name = lastSegment(relativePath);
    for (const auto& p : patterns_) {
        const bool whole = p.find('/') != std::string::npos;
        if (fnmatch(p.c_str(), (whole ? relativePath : name).c_str(), whole ? FNM_PATHNAME : 0) == 0) return true;
    }
    return false;
}

}  // namespace treesync
