#pragma once
// The local side of a sync: every regular file under a folder, with size and time. A link to a
// file counts as its target; a link to a folder is reported and not followed (it may loop).

#include <string>

#include "Names.h"
#include "Tree.h"

namespace treesync {

// Never fails as a whole: what cannot be read lands in problems. `top` must be a folder (the
// caller checks, so that its message can name the command).
LocalTree walkLocal(const std::string& top, const Excludes& excludes);

}  // namespace treesync
