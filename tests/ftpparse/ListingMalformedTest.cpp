#include "ListingTable.h"

namespace {

// Lines that are no entries: a made-up entry is worse than a missing one. Each alone and all
// together must give nothing, and the unreadable ones are counted.
TEST(MalformedListing, GivesNoEntries) {
    const std::vector<std::string> lines = {
        "total 12",
        "Total 3",
        "",
        "   ",
        "220-Welcome to the FTP server",
        "226 Transfer complete.",
        "150 Opening ASCII mode data connection for file list",
        "ftp> ls -l",
        "ls: cannot open directory .: Permission denied",
        "this is not a listing line",
        "-rw-r--r--   1 owner    group        1234 Jan 15 12:34",
        "-rw-r--r--   1 owner    group        1234 Jan 15 12:34 ",
        "-rw-r--r--   1 owner    group        1234 Jan 15 12",
        "-rw-r--r--   1 owner    group        1234 Jan 15",
        "-rw-r--r--   1 owner    group        1234 Jan",
        "-rw-r--r--   1 owner    group        1234",
        "-rw-r--r--   1 owner    group",
        "-rw-r--r--",
        "drwxr-xr-x   2 owner    group        4096 Foo 15 12:34 badmonth",
        "-rw-r--r--   1 owner    group        1234 Jan 15 12:34 a/b",
        "01-15-23  12:34PM",
        "01-15-23  12:34PM       <DIR>",
        "01-15-23  12:34PM       12a4     x",
        "+i8388621.48594,m825718503,r,s280,",
        "type=file;size=1;",
        "Directory DISK$USER:[SMITH]",
        "Total of 3 files, 18/23 blocks.",
        "%RMS-E-FNF, file not found",
        "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname",
        "Files: 0  Blocks: 0",
        "\x89PNG\r",
        "}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}",
        "<html><body>403 Forbidden</body></html>",
        "Mon Jan 15 12:34:56 2023",
        "QSYS 77824 02/23/00 15:09:55 *DIR",
        "12/14  15-JAN-2023 12:34:56",
        "2023-01-15 12:34:56 something happened",
        "d [RWCEAFMS] admin 512 Jan 16 18:53",
        "lrwxrwxrwx 1 u g 4 Jan 15 12:34",
        // dates that cannot be, type letters ls never prints, columns run together
        "12-25-10 99:00AM 0 hours out of range",
        "12-25-10 13:00PM 0 afternoon past noon",
        "12-25-10 00:30AM 0 hour zero with AM",
        "02-30-23 12:00PM 0 no 30 February",
        "13-13-23 12:00PM 0 no month 13",
        "01-15-15-23  12:34PM       <DIR>          four numbers",
        "drwxr-xr-x   2 root     99           4096 Feb 23 30:01 zzplayer",
        "drwxr-xr-x   2 root     root         4096 Aug 36  2001 zztpp",
        "-rw-r--r--   1 u        g               1 Feb 29  2023 no leap day",
        "-rw-r--r--   1 u        g               1 Jan 15 12:60 minute 60",
        "-rw-r--r--   1 u        g               1 2023-02-30 12:00 iso",
        "-rw-r--r--   1 root     root       111325 Apr -7 18:79 zxJDBC-2.0.1b1.tar.gz",
        "drwxr-xr-x   2 root     root         4096 Jam  4 00:03 zziplib",
        "zrwxr-xr-x   2 root     root         4096 Mar  2 15:13 zxbox",
        "frw-r--r--   1 u        g               5 Jan 15 12:34 f-type",
        "dxrwr-xr-x   2 root     root         4096 Aug 24  2001 zxjdbc",
        "-rw-r--r--   1ftp       nogroup    126552 Jan 22  2001 zxJDBC-1.2.4.zip",
        "d [RWXYZ] admin 512 Jan 16 18:53 not-netware",
    };
    std::string all;
    for (const std::string& line : lines) {
        EXPECT_FALSE(ftp::parseListLine(line)) << line;
        all += line + "\r\n";
    }
    std::size_t unreadable = 0;
    EXPECT_TRUE(ftp::parseListing(all, &unreadable).empty());
    EXPECT_GE(unreadable, 40u);
}

}  // namespace
