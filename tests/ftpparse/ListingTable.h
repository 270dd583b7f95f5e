#pragma once
// Table rows for the listing tests: a line and what it must give.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ListingParser.h"

namespace listingtest {

struct Row {
    std::string line;
    std::string name;  // empty: the line gives no entry
    char kind = 'f';   // 'f' file, 'd' folder, 'l' link (listed as a file, marked)
    std::uint64_t size = 0;
};

inline void expectEntry(const ftp::Entry& got, const Row& row) {
    EXPECT_EQ(got.name, row.name) << row.line;
    EXPECT_EQ(got.attributes, row.kind == 'd' ? ftp::kDirectory : ftp::kNormalFile) << row.line;
    EXPECT_EQ(got.link, row.kind == 'l') << row.line;
    EXPECT_EQ(got.size, row.size) << row.line;
}

// Each row on its own.
inline void expectEachLine(const std::vector<Row>& rows, bool mlsd = false) {
    for (const Row& row : rows) {
        const auto got = mlsd ? ftp::parseMlsdLine(row.line) : ftp::parseListLine(row.line);
        ASSERT_EQ(got.has_value(), !row.name.empty()) << row.line;
        if (got) {
            expectEntry(*got, row);
        }
    }
}

// The rows as one listing, through one reader: the entries come out in row order.
inline void expectListing(const std::vector<Row>& rows, std::string_view syst = {}) {
    ftp::ListingReader reader;
    reader.setSystemHint(syst);
    std::vector<ftp::Entry> got;
    std::vector<const Row*> want;
    for (const Row& row : rows) {
        reader.add(row.line, got);
        if (!row.name.empty()) {
            want.push_back(&row);
        }
    }
    reader.finish(got);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        expectEntry(got[i], *want[i]);
    }
    EXPECT_EQ(reader.unreadableLines(), 0u);
}

}  // namespace listingtest
