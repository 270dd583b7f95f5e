#include "ListingTable.h"

namespace {

// Read as one listing: an entry may be wrapped over two lines.
TEST(VmsListing, Table) {
    listingtest::expectListing({
        {"Directory DISK$USER:[SMITH]", ""},
        {"", ""},
        {"BLOG.DIR;1                 1/3          15-JAN-2023 12:34:56  [SMITH]  (RWE,RWE,RE,RE)", "BLOG", 'd', 512},
        {"LOGIN.COM;5                5/6          14-FEB-2022 09:10:11.22  [GROUP,SMITH]  (RWED,RWED,RE,)", "LOGIN.COM", 'f', 2560},
        {"A_VERY_LONG_FILE_NAME_THAT_WRAPS.TXT;1", ""},
        {"                          12/14       15-JAN-2023 12:34:56  [SMITH]  (RWED,RWED,RE,)", "A_VERY_LONG_FILE_NAME_THAT_WRAPS.TXT", 'f', 6144},
        {"NOTES.TXT;12               7  1-MAR-2021 08:00:00.00", "NOTES.TXT", 'f', 3584},
        {"secret.dat;1               %RMS-E-PRV, insufficient privilege or file protection violation", "secret.dat", 'f', 0},
        {"DISK$USER:[SMITH]FULL.DATA;2  1/1  15-JAN-2023 12:34:56", "FULL.DATA", 'f', 512},
        {"NAMEONLY.TXT;1", ""},
        {"OTHER.DIR;1", "NAMEONLY.TXT", 'f', 0},  // no details followed: the pending name is an entry
        {"", "OTHER", 'd', 0},
        {"%RMS-E-FNF, file not found", ""},
        {"Total of 7 files, 26/40 blocks.", ""},
        {"Grand total of 1 directory, 7 files, 26/40 blocks.", ""},
    });
}

}  // namespace
