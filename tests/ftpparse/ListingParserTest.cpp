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
            {"-rw-r--r-- 1 u g 7 01-15-23 12:34 numeric.txt", "numeric.txt", false, 7},
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
    // A CR inside a name (even one right before the line end) or a NUL would reach later commands.
    const std::string list = std::string("-rw-r--r-- 1 u g 1 Jan 1 2020 evil\rDELE x\n") +
                             "-rw-r--r-- 1 u g 1 Jan 1 2020 other\r\r\n" +
                             std::string("-rw-r--r-- 1 u g 1 Jan 1 2020 nul\0name\n", 39) +
                             "-rw-r--r-- 1 u g 1 Jan 1 2020 ../../etc\n"
                             "-rw-r--r-- 1 u g 1 Jan 1 2020 ok\n";
    const auto entries = ftp::parseListing(list);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "ok");

    const std::string mlsd = std::string("type=file; evil\rDELE x\n") + "type=file; other\r\r\n" +
                             "type=file; fine\r\n";
    const auto m = ftp::parseMlsdListing(mlsd);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].name, "fine");
}

// Captured from the two servers the tests run (pyftpdlib with Latin-1 names, vsftpd 3.0.3).
TEST(Listing, WhatOurTestServersSend) {
    const std::string pyftpdlib =
        "-rw-r--r--   1 root     root            2 Dec 07 04:23  leading blank\r\n"
        "-rw-r--r--   1 root     root            6 Dec 07 04:23 a.txt\r\n"
        "-rw-r--r--   1 root     root            5 Dec 07 04:23 caf\xc3\xa9.txt\r\n"
        "drwxr-xr-x   2 root     root         4096 Dec 07 04:23 dir with space\r\n"
        "lrwxrwxrwx   1 root     root            5 Dec 07 04:23 link -> a.txt\r\n"
        "-rw-r--r--   1 root     root            0 May 06  2019 old.txt\r\n"
        "prw-r--r--   1 root     root            0 Dec 07 04:23 pipe\r\n";
    const std::string vsftpd =
        "-rw-r--r--    1 0        0               2 Dec 07 04:23  leading blank\r\n"
        "-rw-r--r--    1 0        0               6 Dec 07 04:23 a.txt\r\n"
        "-rw-r--r--    1 0        0               5 Dec 07 04:23 caf\xc3\xa9.txt\r\n"
        "drwxr-xr-x    2 0        0            4096 Dec 07 04:23 dir with space\r\n"
        "lrwxrwxrwx    1 0        0               5 Dec 07 04:23 link -> a.txt\r\n"
        "-rw-r--r--    1 0        0               0 May 06  2019 old.txt\r\n"
        "prw-r--r--    1 0        0               0 Dec 07 04:23 pipe\r\n";
    const std::vector<std::string> names = {" leading blank", "a.txt", "caf\xc3\xa9.txt", "dir with space",
                                            "link", "old.txt", "pipe"};
    for (const std::string& data : {pyftpdlib, vsftpd}) {
        const auto entries = ftp::parseListing(data);
        ASSERT_EQ(entries.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(entries[i].name, names[i]);
            EXPECT_EQ(entries[i].isDirectory(), names[i] == "dir with space") << names[i];
        }
        EXPECT_EQ(entries[1].size, 6u);
    }
    // vsftpd lists a device file with a plain 0 where ls shows "major, minor".
    const auto device = ftp::parseListLine("crw-r--r--    1 0        0               0 Dec 07 04:23 nulldev");
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->isDirectory());
    // A Latin-1 byte is kept as it came, undecoded.
    const auto latin1 = ftp::parseListLine("-rw-r--r--    1 0        0               2 Dec 07 04:23 lat\xe9.txt");
    ASSERT_TRUE(latin1);
    EXPECT_EQ(latin1->name, "lat\xe9.txt");

    const std::string mlsd =
        "modify=20261207042327;perm=radfwMT;size=5;type=file;unique=fe00ga722e7; caf\xc3\xa9.txt\r\n"
        "modify=20261207042327;perm=eldfmMTcp;size=4096;type=dir;unique=fe00ga722e0; dir with space\r\n"
        "modify=20261207042327;perm=radfwMT;size=2;type=file;unique=fe00ga722e3;  leading blank\r\n"
        "modify=20261207042327;perm=radfwMT;size=6;type=file;unique=fe00ga722e1; link\r\n";
    const auto m = ftp::parseMlsdListing(mlsd);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].name, "caf\xc3\xa9.txt");
    EXPECT_EQ(m[0].size, 5u);
    EXPECT_TRUE(m[1].isDirectory());
    EXPECT_EQ(m[2].name, " leading blank");
}

TEST(MlsdLine, Rfc3659Examples) {
    expectRows(
        {
            {"Type=cdir;Modify=19981107085215;Perm=el; tmp", std::nullopt},
            {"Type=cdir;Modify=19981107085215;Perm=el; /tmp", std::nullopt},
            {"Type=pdir;Modify=19990112030508;Perm=el; ..", std::nullopt},
            {"Type=file;Size=25730;Modify=19940728095854;Perm=; capmux.tar.z", "capmux.tar.z", false, 25730},
            {"Type=file;Size=1830;Modify=19940916055648;Perm=r; hatch.c", "hatch.c", false, 1830},
            {"Type=dir;Modify=19990112030508;Perm=flcdmpe; incoming", "incoming", true, 0},
            {"Type=OS.unix=chr-13/29;Modify=19970908190722;Perm=; tty0", "tty0", false, 0},
        },
        ftp::parseMlsdLine);
}

TEST(Listing, HundredThousandEntries) {
    std::string data;
    for (int i = 0; i < 100000; ++i) {
        data += "-rw-r--r--   1 owner group " + std::to_string(i) + " Jan 15 12:34 f" + std::to_string(i) + "\r\n";
    }
    const auto entries = ftp::parseListing(data);
    ASSERT_EQ(entries.size(), 100000u);
    EXPECT_EQ(entries.back().name, "f99999");
    EXPECT_EQ(entries.back().size, 99999u);
}

}  // namespace
