#pragma once
// The small text files of trusted certificates and host keys: read with care, written whole.
//
// read() checks the file before a byte is read: a pipe or a device in its place must neither hang
// us nor fill memory, and a file others may change may hold entries they chose. A missing file
// reads as empty. write() creates the folders (0700), goes through a link to a regular file, and
// replaces the file by renaming a fully written temporary one (0600) over it.

#include <cstddef>
#include <string>

#include <sys/types.h>

#include "Result.h"

namespace ftp::storefile {

constexpr std::size_t kMaxBytes = 32u * 1024 * 1024;

// refusedModes: the permission bits (S_IWGRP, S_IWOTH) that make the file untrustworthy.
Result<std::string> read(const std::string& path, mode_t refusedModes);
Status write(const std::string& path, const std::string& text);

}  // namespace ftp::storefile
