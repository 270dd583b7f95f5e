#include "NameSplit.h"

namespace remote {

NameParts splitAtLastDot(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos) return {fileName, std::nullopt};
    return {fileName.substr(0, dot), fileName.substr(dot)};
}

}  // namespace remote
