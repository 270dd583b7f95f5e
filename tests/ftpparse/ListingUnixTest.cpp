#include "ListingTable.h"

namespace {

using listingtest::expectEachLine;

TEST(UnixListing, Table) {
    expectEachLine({
        // plain ls -l, with and without group, years, ISO styles, names with blanks
        {"-rw-r--r--   1 owner    group        1234 Jan 15 12:34 file.txt", "file.txt", 'f', 1234},
        {"drwxr-xr-x   2 owner    group        4096 Mar  3  2021 folder", "folder", 'd', 4096},
        {"-rw-r--r--   1 owner        1234 Jan 15 12:34 nogroup.txt", "nogroup.txt", 'f', 1234},
        {"-rw-r--r-- 1 u g 7 2023-01-15 12:34 iso.txt", "iso.txt", 'f', 7},
        {"-rw-r--r-- 1 u g 7 2023-01-15 12:34:56.123456789 +0100 full-iso.txt", "full-iso.txt", 'f', 7},
        {"-rw-r--r-- 1 u g 7 15 Jan 12:34 day-first.txt", "day-first.txt", 'f', 7},
        {"-rw-r--r-- 1 u g 7 01-15-23 12:34 numeric.txt", "numeric.txt", 'f', 7},
        {"-rw-r--r--   1 owner    group          12 Jan 15 12:34 two words.txt", "two words.txt", 'f', 12},
        {"-rw-r--r--   1 owner    group          12 Jan 15 12:34  leading blank", " leading blank", 'f', 12},
        {"-rw-r--r--   1 owner    group          12 Jan 15  2020 Feb 2 10:00 dated", "Feb 2 10:00 dated", 'f', 12},
        {"drwxr-xr-x   2 jan      users     4096 Jan 15 12:34 owner-is-a-month", "owner-is-a-month", 'd', 4096},
        {"-rw-r--r-- 1 u g 18446744073709551615 Jan 1 2000 huge", "huge", 'f', 18446744073709551615ull},
        {"-rw-r--r-- 1 0 0 5000000000 Jan 1 2000 over-4g", "over-4g", 'f', 5000000000ull},
        // other languages' months, either order, dots and commas
        {"-rw-r--r-- 1 u g 10 26. Juli 2003 de1", "de1", 'f', 10},
        {"-rw-r--r-- 1 u g 10 2. Okt. 12:05 de2", "de2", 'f', 10},
        {"-rw-r--r-- 1 u g 10 30. Jan., 2004 de3", "de3", 'f', 10},
        {"-rw-r--r-- 1 u g 10 M\xc3\xa4r 3 2004 de-utf8", "de-utf8", 'f', 10},
        {"-rw-r--r-- 1 u g 10 m\xe4r 3 2004 de-latin1", "de-latin1", 'f', 10},
        {"-rw-r--r-- 1 u g 11 f\xc3\xa9vr. 14 10:11 fr1", "fr1", 'f', 11},
        {"-rw-r--r-- 1 u g 11 3 d\xe9" "c. 2001 fr-latin1", "fr-latin1", 'f', 11},
        {"-rw-r--r-- 1 u g 11 ao\xc3\xbbt 7 2001 fr2", "fr2", 'f', 11},
        {"-rw-r--r-- 1 u g 12 ene 5 09:00 es", "es", 'f', 12},
        {"-rw-r--r-- 1 u g 12 dic 31 2019 es2", "es2", 'f', 12},
        {"-rw-r--r-- 1 u g 13 giu 12 2018 it", "it", 'f', 13},
        {"-rw-r--r-- 1 u g 14 out 9 23:59 pt", "pt", 'f', 14},
        {"-rw-r--r-- 1 u g 15 mrt 9 23:59 nl", "nl", 'f', 15},
        {"-rw-r--r-- 1 u g 16 maj 9 2020 sv", "sv", 'f', 16},
        {"-rw-r--r-- 1 u g 17 pa\xc5\xba 9 2020 pl", "pl", 'f', 17},
        {"-rw-r--r-- 1 u g 17 lis 9 2020 pl2", "pl2", 'f', 17},
        {"-rw-r--r-- 1 u g 18 \xc4\x8dvc 9 2020 cs", "cs", 'f', 18},
        {"-rw-r--r-- 1 u g 19 szept 9 2020 hu", "hu", 'f', 19},
        {"-rw-r--r-- 1 u g 19 2020 szept 9 hu-year-first", "hu-year-first", 'f', 19},
        {"-rw-r--r-- 1 u g 20 \xd0\xbc\xd0\xb0\xd0\xb9 9 2020 ru", "ru", 'f', 20},
        {"-rw-r--r-- 1 u g 20 \xd0\xaf\xd0\xbd\xd0\xb2 9 12:00 ru-capital", "ru-capital", 'f', 20},
        {"-rw-r--r-- 1 u g 20 \xdf\xed\xe2 9 12:00 ru-cp1251", "ru-cp1251", 'f', 20},
        {"-rw-r--r-- 1 u g 20 \xd1\xce\xd7 9 12:00 ru-koi8", "ru-koi8", 'f', 20},
        // CJK: month and day marks, year first or last, legacy encodings
        {"-rw-r--r-- 1 u g 21 3\xe6\x9c\x88 29 03:26 ja", "ja", 'f', 21},
        {"-rw-r--r-- 1 u g 21 3\xe6\x9c\x88 29\xe6\x97\xa5 2003 ja2", "ja2", 'f', 21},
        {"-rw-r--r-- 1 u g 21 2003\xe5\xb9\xb4 3\xe6\x9c\x88 29\xe6\x97\xa5 ja-year-first", "ja-year-first", 'f', 21},
        {"-rw-r--r-- 1 u g 21 3\x8c\x8e 29 03:26 sjis-\x83t\x83@\x83" "C\x83\x8b", "sjis-\x83t\x83@\x83" "C\x83\x8b", 'f', 21},
        {"-rw-r--r-- 1 u g 21 3\xd4\xc2 29 03:26 gbk", "gbk", 'f', 21},
        {"drwxr-xr-x 2 u g 22 3\xec\x9b\x94 29\xec\x9d\xbc 03:26 ko", "ko", 'd', 22},
        {"drwxr-xr-x 2 u g 22 2003\xeb\x85\x84 3\xec\x9b\x94 29\xec\x9d\xbc ko-year-first", "ko-year-first", 'd', 22},
        {"drwxr-xr-x 2 u g 22 3\xbf\xf9 29\xc0\xcf 03:26 euc-kr", "euc-kr", 'd', 22},
        // numeric and dotted dates
        {"-rw-r--r-- 1 u g 30 3 29 03:26 num1", "num1", 'f', 30},
        {"-rw-r--r-- 1 u g 30 09-26 2000 num2", "num2", 'f', 30},
        {"-rw-r--r-- 1 u g 30 09-26 13:45 num3", "num3", 'f', 30},
        {"-rw-r--r-- 1 u g 30 2004.07.15 dotted", "dotted", 'f', 30},
        {"-rw-r--r-- 1 u g 30 01-jun-99 named", "named", 'f', 30},
        {"-rw-r--r-- 1 u g 30 Oct 08, 2002 09:47 comma", "comma", 'f', 30},
        {"-rw-r--r-- 1 u g 30 2005 1 6 year-first", "year-first", 'f', 30},
        {"-rw-r--r-- 1 3 29 30 Jan 6 2005 numeric-owner", "numeric-owner", 'f', 30},
        // sizes
        {"-rw-r--r-- 1 u g 33.5k Jan 6 2005 k", "k", 'f', 34304},
        {"-rw-r--r-- 1 u g 12M Jan 6 2005 m", "m", 'f', 12582912},
        {"-rw-r--r-- 1 u g 1.2G Jan 6 2005 g", "g", 'f', 1288490188},
        {"-rw-r--r-- 1 u g 7KiB Jan 6 2005 kib", "kib", 'f', 7168},
        {"-rw-r--r-- 1 u g -1794967296 Jan 6 2005 wrapped", "wrapped", 'f', 0},
        // glued fields, extra columns, blanks in the group
        {"drwxr-x---+1464 u g 4096 Jan 6 2005 acl-glued", "acl-glued", 'd', 4096},
        {"drwxr-xr-x1732 u g 4096 Jan 6 2005 glued", "glued", 'd', 4096},
        {"-rw-r--r--@ 1 u staff 9 Jan 6 2005 xattr", "xattr", 'f', 9},
        {"-rw-r--r--. 1 u g 9 Jan 6 2005 selinux", "selinux", 'f', 9},
        {"-rw-r--r-- 1 ftpadmin125435904 Jan 6 2005 owner-glued", "owner-glued", 'f', 125435904},
        {"-rw-r--r-- 1 u Domain Users 9 Jan 6 2005 blank-group", "blank-group", 'f', 9},
        {"-rw-r--r-- 1 u g 0x1f 77 9 Jan 6 2005 vendor-columns", "vendor-columns", 'f', 9},
        // other types
        {"lrwxrwxrwx   1 owner    group          11 Jan 15 12:34 link -> target/dir", "link", 'l', 11},
        {"crw-rw-rw-   1 root     root       1,   3 Jan 15 12:34 null", "null", 'f', 0},
        {"brw-rw----   1 root     disk       8,0 Jan 15 12:34 sda", "sda", 'f', 0},
        {"prw-r--r-- 1 u g 0 Jan 15 12:34 fifo", "fifo", 'f', 0},
        {"srwxrwxrwx 1 u g 0 Jan 15 12:34 socket", "socket", 'f', 0},
        {"Drw-r--r-- 1 u g 0 Jan 15 12:34 door", "door", 'f', 0},
        {"frw-r--r-- 1 u g 5 Jan 15 12:34 f-type", "f-type", 'f', 5},
        // octal modes, no dates, only size and name
        {"100644 1 u g 5 Jan 15 12:34 octal-file", "octal-file", 'f', 5},
        {"40755 2 u g 512 Jan 15 12:34 octal-dir", "octal-dir", 'd', 512},
        {"-rw-r--r-- 1 u g 77 dateless", "dateless", 'f', 77},
        {"drwxr-xr-x 3 u 512 dateless-dir", "dateless-dir", 'd', 512},
        {"-rw-r--r-- 4321 size-and-name", "size-and-name", 'f', 4321},
        // NetWare
        {"d [RWCEAFMS] admin         512 Jan 16 18:53 login", "login", 'd', 512},
        {"- [R----F--] admin       45831 Jan 15 12:34 netware.txt", "netware.txt", 'f', 45831},
        // never entries
        {"drwxr-xr-x   2 owner    group        4096 Jan 15 12:34 .", ""},
        {"drwxr-xr-x   2 owner    group        4096 Jan 15 12:34 ..", ""},
        {"-rw-r--r--   1 owner    group        1234 Jan 15 12:34 a/b", ""},
        {"-rw-r--r--   1 owner    group        12ab Jan 15 12:34 badsize", ""},
    });
}

}  // namespace
