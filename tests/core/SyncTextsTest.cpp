#include <gtest/gtest.h>

#include "core/SyncTexts.h"

namespace {

// Where the figures' texts can go wrong: unit and hour boundaries, rounding up into the next unit.
TEST(SyncTextsTest, AmountsAndTimesLeft) {
    const struct {
        std::uint64_t bytes;
        const char* text;
    } amounts[] = {{0, "0 bytes"},
                   {1023, "1023 bytes"},
                   {1024, "1,0 KB"},
                   {1536, "1,5 KB"},
                   {1048575, "1,0 MB"},
                   {1048576 * 20 + 1, "20,0 MB"},
                   {1073741824ULL * 3, "3,0 GB"}};
    for (const auto& row : amounts) EXPECT_EQ(synctexts::amount(row.bytes), QString::fromUtf8(row.text)) << row.bytes;
    const struct {
        std::optional<std::int64_t> seconds;
        const char* text;
    } times[] = {{std::nullopt, "calculando..."},
                 {0, "0:00"},
                 {65, "1:05"},
                 {3599, "59:59"},
                 {3600, "1:00:00"},
                 {3723, "1:02:03"}};
    for (const auto& row : times) EXPECT_EQ(synctexts::timeLeft(row.seconds), QString::fromUtf8(row.text));
}

}  // namespace
