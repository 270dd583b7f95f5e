#pragma once
// Splits a file name at its last dot into the part before it and the extension, dot included:
// "archivo.tar.gz" -> "archivo.tar" + ".gz"; ".perfil" -> "" + ".perfil"; "copia." -> "copia" + ".".

#include <optional>
#include <string>

namespace remote {

struct NameParts {
    std::string name;
    std::optional<std::string> extension;  // nothing when the name has no dot
};

NameParts splitAtLastDot(const std::string& fileName);

}  // namespace remote
