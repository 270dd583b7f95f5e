#include "SaveTarget.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>

namespace ftp {

SaveTarget saveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {path, {}};
    if (!S_ISLNK(st.st_mode)) {
        if (S_ISREG(st.st_mode)) return {path, {}};
        return {path, path + " is not a regular file; nothing was written"};
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return {path, path + " is a link to a file that does not exist; nothing was written"};
    const std::string target = resolved;
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {path, path + " is a link to " + target + ", which is not a regular file; nothing was written"};
    return {target, {}};
}

}  // namespace ftp
