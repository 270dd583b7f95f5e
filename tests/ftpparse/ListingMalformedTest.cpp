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
    };
    std::string all;
    for (const std::string& line : lines) {
        EXPECT_FALSE(ftp::parseListLine(line)) << line;
        all += line + "\r\n";
    }
    std::size_t unreadable = 0;
    EXPECT_TRUE(ftp::parseListing(all, &unreadable).empty());
    EXPECT_GE(unreadable, 25u);
}

}  // namespace
