#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace ftp {

// Attribute values of a listing entry, as the window's listing reads them: a directory is
// exactly kDirectory and nothing else ever is.
inline constexpr std::uint32_t kDirectory = 16;
inline constexpr std::uint32_t kNormalFile = 128;

struct Entry {
    std::string name;   // raw bytes exactly as the server sent them
    std::uint32_t attributes = kNormalFile;
    std::uint64_t size = 0;
    // A symbolic link as the server listed it. Its kind above is what the engine found out by
    // trying the target; the parser alone cannot know it and lists links as files.
    bool link = false;
    std::string linkTarget{};  // as listed after "->"; may be empty or dangling
    // The date as the server listed it, its parts one blank apart ("Jan 15 12:34",
    // "01-15-23 12:34PM"); the UTC times of MLSD and EPLF read "2023-01-15 12:34". Empty when none
    // was given.
    std::string date{};
    // MLSD's modify fact to the second: UTC seconds since 1970. Unset for other listings.
    std::optional<std::int64_t> modifiedUtc{};
    bool isDirectory() const { return attributes == kDirectory; }
};

}  // namespace ftp
