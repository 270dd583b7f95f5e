#pragma once
// The one-line summary of the files of a remote listing, e.g. "3 archivos(1 kb)".

#include <QString>
#include <cstdint>

namespace remote {

// count files totalling totalBytes; the unit switches only strictly above 1024 and 1048576
// bytes, with the value truncated. The total is 64-bit so files of 2 GiB and more add up.
QString serverSummary(std::int64_t count, std::int64_t totalBytes);

}  // namespace remote
