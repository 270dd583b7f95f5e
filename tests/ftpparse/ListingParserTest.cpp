#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ListingTable.h"

namespace {

using ftp::Entry;

TEST(MlsdLine, Facts) {
    listingtest::expectEachLine(
        {
            {"type=file;size=1024;modify=20230115123456; file.txt", "file.txt", 'f', 1024},
            {"Type=DIR;Modify=20230115123456;Perm=el; Folder", "Folder", 'd', 0},
            {"type=dir;sizd=4096; dir-with-sizd", "dir-with-sizd", 'd', 4096},
            {"type=file;size=3; two words", "two words", 'f', 3},
            {"type=file;size=3;  leading space", " leading space", 'f', 3},
            {"type=OS.unix=slink:/target;size=7; link", "link", 'l', 7},
            {"modify=20230115123456;perm=r;size=9;type=file;unique=801U1A; last-type", "last-type", 'f', 9},
            {"TYPE=File;SIZE=12;X.Foo=bar;UNIX.mode=0644; semi;colon; name", "semi;colon; name", 'f', 12},
            {"type=OS.unix=symlink;size=4; odd-link", "odd-link", 'l', 4},
            {"type=cdir;modify=20230115123456; .", ""},
            {"type=cdir; /home/demo", ""},
            {"type=pdir; ..", ""},
            {"type=file;size=1; a/b", ""},
            {"type=file;size=1;", ""},
            // facts that break the grammar: no entry rather than a guess
            {"type=file;size=x; bad-size", ""},
            {"type=file;size=; no-size", ""},
            {"type=file;size=1 no-semicolon", ""},
            {"type;size=1; no-value", ""},
            {"type=file;modify=2023011512; short-modify", ""},
            {"type=file;modify=20230230120000; no-30-february", ""},
            {"type=file;modify=20230115246000; hour-24", ""},
            // what servers send: proftpd, pure-ftpd, IIS, FileZilla Server, Serv-U
            {"modify=20230115123456;perm=adfrw;size=4294967297;type=file;unique=FD00U1A;UNIX.group=0;UNIX.mode=0644;"
             "UNIX.owner=1001; 1234 Jan 15 2023 pub",
             "1234 Jan 15 2023 pub", 'f', 4294967297ull},
            {"type=file;size=1234;modify=20000101000000;UNIX.mode=0644;UNIX.uid=1000;UNIX.gid=1000;unique=803g1a;"
             " pure ftpd",
             "pure ftpd", 'f', 1234},
            {"size=0;modify=20230115123456.123;type=dir; IIS folder", "IIS folder", 'd', 0},
            {"type=file;modify=20240229235959;size=5; leap-second-free", "leap-second-free", 'f', 5},
            {"type=file;size=12;modify=20230115123456;perm=r; Serv-U", "Serv-U", 'f', 12},
            {"", ""},
        },
        true);
}

TEST(Listing, DatesAsListed) {
    const std::pair<const char*, const char*> rows[] = {
        {"-rw-r--r--   1 owner group   1234 Jan 15 12:34 recent", "Jan 15 12:34"},
        {"drwxr-xr-x   2 owner group   4096 Jan  5  2003 old year", "Jan 5 2003"},
        {"-rw-r--r--   1 owner group     12 2023-01-15 12:34 iso", "2023-01-15 12:34"},
        {"-rw-r--r--   1 owner group      5 nov.  3 2021 fr", "nov. 3 2021"},
        {"-rw-r--r-- 1 owner 7 dateless", ""},
        {"01-15-23  12:34PM       <DIR>          dos", "01-15-23 12:34PM"},
        {"01/15/2023  06:25 AM          77 dos ampm", "01/15/2023 06:25 AM"},
        {"       73098      A          04-06-97   15:22  ENV.CMD", "04-06-97 15:22"},
        {"Mon Jan 15 12:34:56 2023 1234 ctime", "Mon Jan 15 12:34:56 2023"},
        {"ALTERLOG        101         5431 15-Sep-05 10:23:01 255, 0 \"oooo\"", "15-Sep-05 10:23:01"},
        {"CII-MANUAL.TEX;1  213/216  29-JAN-1996 03:33:12  [ANONYMOU,ANONYMOUS]   (RWED,RWED,,)", "29-JAN-1996 03:33:12"},
        {"QSYS           77824 02/23/00 15:09:55 *DIR       QSYS.LIB/", "02/23/00 15:09:55"},
        {"MEMBER1   01.03 2002/09/12 2002/09/14 10:12    22    22     0 USERID", "2002/09/14 10:12"},
        {"type=file;size=1;modify=20230115123456.789; mlsd", "2023-01-15 12:34"},
        {"+i8388621.48594,m825718503,r,s280,\teplf", "1996-03-01 22:15"},
        {"type=file;size=1; no modify", ""},
    };
    for (const auto& [line, date] : rows) {
        const auto got = line[0] == 't' ? ftp::parseMlsdLine(line) : ftp::parseListLine(line);
        ASSERT_TRUE(got.has_value()) << line;
        EXPECT_EQ(got->date, date) << line;
    }
}

TEST(Listing, SplitsOnCrlfOrLfAndSkipsWhatItCannotRead) {
    const std::string data =
        "total 8\r\n"
        "drwxr-xr-x   2 owner group 4096 Jan 15 12:34 .\r\n"
        "drwxr-xr-x   2 owner group 4096 Jan 15 12:34 sub\r\n"
        "this is not a listing line\n"
        "-rw-r--r--   1 owner group    5 Jan 15 12:34 a.txt\n"
        "-rw-r--r--   1 owner group    5 Jan 15 12:34 no-final-newline";
    std::size_t unreadable = 0;
    const auto entries = ftp::parseListing(data, &unreadable);
    EXPECT_EQ(unreadable, 1u);
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
    listingtest::expectEachLine(
        {
            {"Type=cdir;Modify=19981107085215;Perm=el; tmp", ""},
            {"Type=cdir;Modify=19981107085215;Perm=el; /tmp", ""},
            {"Type=pdir;Modify=19990112030508;Perm=el; ..", ""},
            {"Type=file;Size=25730;Modify=19940728095854;Perm=; capmux.tar.z", "capmux.tar.z", 'f', 25730},
            {"Type=file;Size=1830;Modify=19940916055648;Perm=r; hatch.c", "hatch.c", 'f', 1830},
            {"Type=dir;Modify=19990112030508;Perm=flcdmpe; incoming", "incoming", 'd', 0},
            {"Type=OS.unix=chr-13/29;Modify=19970908190722;Perm=; tty0", "tty0", 'f', 0},
        },
        true);
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
