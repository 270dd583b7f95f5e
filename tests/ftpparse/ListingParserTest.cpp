#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ftp/ListingParser.h"

namespace {

using ftp::Entry;

struct Row {
    std::string line;
    std::optional<std::string> name;  // nullopt: the line is skipped
    bool directory = false;
    std::uint64_t size = 0;
};

void expectRows(const std::vector<Row>& rows, std::optional<Entry> (*parse)(std::string_view)) {
    for (const auto& row : rows) {
        const auto got = parse(row.line);
        ASSERT_EQ(got.has_value(), row.name.has_value()) << row.line;
        if (!got) {
            continue;
        }
        EXPECT_EQ(got->name, *row.name) << row.line;
        EXPECT_EQ(got->attributes, row.directory ? ftp::kDirectory : ftp::kNormalFile) << row.line;
        EXPECT_EQ(got->size, row.size) << row.line;
    }
}

TEST(ListLine, UnixLsLong) {
    expectRows(
        {
            {"-rw-r--r--   1 owner    group        1234 Jan 15 12:34 file.txt", "file.txt", false, 1234},
            {"drwxr-xr-x   2 owner    group        4096 Mar  3  2021 folder", "folder", true, 4096},
            {"-rw-r--r--   1 owner        1234 Jan 15 12:34 nogroup.txt", "nogroup.txt", false, 1234},
            {"-rw-r--r-- 1 u g 7 2023-01-15 12:34 iso.txt", "iso.txt", false, 7},
            {"-rw-r--r-- 1 u g 7 2023-01-15 12:34:56.123456789 +0100 full-iso.txt", "full-iso.txt",
             false, 7},
            {"-rw-r--r-- 1 u g 7 15 Jan 12:34 day-first.txt", "day-first.txt", false, 7},
            {"-rw-r--r--   1 owner    group          12 Jan 15 12:34 two words.txt", "two words.txt",
             false, 12},
            {"-rw-r--r--   1 owner    group          12 Jan 15 12:34  leading blank", " leading blank",
             false, 12},
            {"-rw-r--r--   1 owner    group          12 Jan 15  2020 Feb 2 10:00 dated", "Feb 2 10:00 dated",
             false, 12},
            {"lrwxrwxrwx   1 owner    group          11 Jan 15 12:34 link -> target/dir", "link", false, 11},
            {"crw-rw-rw-   1 root     root       1,   3 Jan 15 12:34 null", "null", false, 0},
            {"brw-rw----   1 root     disk       8,   0 Jan 15 12:34 sda", "sda", false, 0},
            {"-rw-r--r--+  1 owner    group        5 Jan 15 12:34 acl", "acl", false, 5},
            {"drwxr-xr-x   2 jan      users     4096 Jan 15 12:34 owner-is-a-month", "owner-is-a-month",
             true, 4096},
            {"-rw-r--r-- 1 u g 18446744073709551615 Jan 1 2000 huge", "huge", false,
             18446744073709551615ull},
            {"d [RWCEAFMS] admin         512 Jan 16 18:53 login", "login", true, 512},
            {"- [R----F--] admin       45831 Jan 15 12:34 netware.txt", "netware.txt", false, 45831},
            {"total 12", std::nullopt},
            {"drwxr-xr-x   2 owner    group        4096 Jan 15 12:34 .", std::nullopt},
            {"drwxr-xr-x   2 owner    group        4096 Jan 15 12:34 ..", std::nullopt},
            {"-rw-r--r--   1 owner    group        1234 Jan 15 12:34 ", std::nullopt},
            {"-rw-r--r--   1 owner    group        1234 Jan 15 12:34", std::nullopt},
            {"-rw-r--r--   1 owner    group        12ab Jan 15 12:34 badsize", std::nullopt},
            {"xrw-r--r--   1 owner    group        1234 Jan 15 12:34 badmode", std::nullopt},
            {"-rw-r--r--   1 owner    group        1234 Foo 15 12:34 badmonth", std::nullopt},
            {"", std::nullopt},
        },
        ftp::parseListLine);
}

TEST(ListLine, DosAndIis) {
    expectRows(
        {
            {"01-15-23  12:34PM       <DIR>          Folder Name", "Folder Name", true, 0},
            {"01-15-23  12:34PM                 1234 file name.txt", "file name.txt", false, 1234},
            {"01-15-2023  09:05                  10 four-digit-year", "four-digit-year", false, 10},
            {"2023-01-15  09:05       <DIR>          iso", "iso", true, 0},
            {"15.01.2023  09:05 PM           1,234,567 grouped", "grouped", false, 1234567},
            {"01-15-23  12:34PM       <DIR>          .", std::nullopt},
            {"01-15-23  12:34PM       lots           nosize", std::nullopt},
            {"01-15-23  nope       123 x", std::nullopt},
        },
        ftp::parseListLine);
}

TEST(ListLine, Eplf) {
    expectRows(
        {
            {"+i8388621.48594,m825718503,r,s280,\tdjb.html", "djb.html", false, 280},
            {"+i8388621.50690,m824255907,/,\t514", "514", true, 0},
            {"+i8388621.48598,m824253270,r,s612,\tmemo with spaces", "memo with spaces", false, 612},
            {"+m824255907,/,\t..", std::nullopt},
            {"+i1,r,s5, no tab", std::nullopt},
        },
        ftp::parseListLine);
}

TEST(MlsdLine, Facts) {
    expectRows(
        {
            {"type=file;size=1024;modify=20230115123456; file.txt", "file.txt", false, 1024},
            {"Type=DIR;Modify=20230115123456;Perm=el; Folder", "Folder", true, 0},
            {"type=dir;sizd=4096; dir-with-sizd", "dir-with-sizd", true, 4096},
            {"type=file;size=3; two words", "two words", false, 3},
            {"type=file;size=3;  leading space", " leading space", false, 3},
            {"type=OS.unix=slink:/target;size=7; link", "link", false, 7},
            {"modify=20230115123456;perm=r;size=9;type=file;unique=801U1A; last-type", "last-type", false, 9},
            {"type=file;size=x; bad-size", "bad-size", false, 0},
            {"type=cdir;modify=20230115123456; .", std::nullopt},
            {"type=cdir; /home/demo", std::nullopt},
            {"type=pdir; ..", std::nullopt},
            {"type=file;size=1; a/b", std::nullopt},
            {"type=file;size=1;", std::nullopt},
            {"", std::nullopt},
        },
        ftp::parseMlsdLine);
}

TEST(Listing, SplitsOnCrlfOrLfAndSkipsWhatItCannotRead) {
    const std::string data =
        "total 8\r\n"
        "drwxr-xr-x   2 owner group 4096 Jan 15 12:34 .\r\n"
        "drwxr-xr-x   2 owner group 4096 Jan 15 12:34 sub\r\n"
        "this is not a listing line\n"
        "-rw-r--r--   1 owner group    5 Jan 15 12:34 a.txt\n"
        "-rw-r--r--   1 owner group    5 Jan 15 12:34 no-final-newline";
    const auto entries = ftp::parseListing(data);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "sub");
    EXPECT_TRUE(entries[0].isDirectory());
    EXPECT_EQ(entries[1].name, "a.txt");
    EXPECT_EQ(entries[2].name, "no-final-newline");
}

TEST(Listing, HostileNamesNeverComeBack) {
    // A CR inside a name (the line ends only at LF) or a NUL would reach later commands.
    const std::string list = std::string("-rw-r--r-- 1 u g 1 Jan 1 2020 evil\rDELE x\n") +
                             std::string("-rw-r--r-- 1 u g 1 Jan 1 2020 nul\0name\n", 39) +
                             "-rw-r--r-- 1 u g 1 Jan 1 2020 ../../etc\n"
                             "-rw-r--r-- 1 u g 1 Jan 1 2020 ok\n";
    const auto entries = ftp::parseListing(list);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "ok");

    const std::string mlsd = std::string("type=file; evil\rDELE x\n") + "type=file; fine\r\n";
    const auto m = ftp::parseMlsdListing(mlsd);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].name, "fine");
}

}  // namespace
