// Replays every saved fuzz input (seeds and minimised crashers) through the fuzz entries, so
// what the fuzzer once found stays fixed in the ordinary build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"

namespace {

namespace fs = std::filesystem;

using Entry = void (*)(const std::uint8_t*, std::size_t);

std::size_t replay(const std::string& target, Entry entry) {
    const fs::path dir = fs::path(PELICANO_SOURCE_DIR) / "fuzz" / "corpus" / target;
    std::size_t count = 0;
    for (const auto& file : fs::directory_iterator(dir)) {
        if (!file.is_regular_file()) {
            continue;
        }
        SCOPED_TRACE(file.path().string());
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    return count;
}

TEST(Corpus, EveryTargetReplaysItsInputs) {
    const std::vector<std::pair<std::string, Entry>> targets = {
        {"reply", fuzzentry::reply}, {"pwd", fuzzentry::pwd},   {"passive", fuzzentry::passive},
        {"facts", fuzzentry::facts}, {"list", fuzzentry::list}, {"mlsd", fuzzentry::mlsd},
    };
    for (const auto& [name, entry] : targets) {
        EXPECT_GT(replay(name, entry), 0u) << "no inputs for " << name;
    }
}

TEST(Corpus, EntriesNoticeABrokenPromise) {
    // The checks themselves must be able to fail, or replaying proves nothing.
    EXPECT_DEATH(fuzzentry::check(false, "test"), "broken promise: test");
}

}  // namespace
