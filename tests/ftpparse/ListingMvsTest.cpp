#include "ListingTable.h"

namespace {

TEST(MvsListing, Datasets) {
    listingtest::expectListing({
        {"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname", ""},
        {"WYOSPT 3420   2003/03/12  1  200  FB      80  8000  PS  'ABC.DEF'", "'ABC.DEF'", 'f', 0},
        {"PUB003 3390   2021/06/15  1   15  FB      80 27920  PO  TEST.SRC", "TEST.SRC", 'd', 0},
        {"PUB004 3390   2021/06/15  2   30  U        0 27998  PO-E LOADLIB", "LOADLIB", 'd', 0},
        {"SMS164 3390   **NONE**    1   15  ?        ?     ?  VSAM MY.KSDS", "MY.KSDS", 'f', 0},
        {"Migrated                                                 OLD.DATA", "OLD.DATA", 'f', 0},
        {"ARCIVE Not Direct Access Device                          KJ.IOMFILE.J000.TAPE", "KJ.IOMFILE.J000.TAPE", 'f', 0},
        {"Pseudo Directory                                         SUBLEVEL", "SUBLEVEL", 'd', 0},
    });
}

// Partitioned-dataset members: with statistics, load modules, bare names (only when the server
// is known to be z/OS, from SYST or a header).
TEST(MvsListing, Members) {
    listingtest::expectListing({
        {" Name     VV.MM   Created       Changed      Size  Init   Mod   Id", ""},
        {"MEMBER1   01.03 2002/09/12 2002/09/12 10:12    22    22     0 USERID", "MEMBER1", 'f', 0},
        {"$TEMP#    01.00 2021/06/15 2021/06/15 11:00     3     3     0 IBMUSER", "$TEMP#", 'f', 0},
        {"NOSTATS", "NOSTATS", 'f', 0},
    });
    listingtest::expectListing({
        {" Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode", ""},
        {"LOADMOD   000A48   00000F          00    FO             RN RU      31    ANY", "LOADMOD", 'f', 2632},
    });
    listingtest::expectListing({{"MEMBER1", "MEMBER1", 'f', 0}, {"MEMBER2", "MEMBER2", 'f', 0}},
                               "215 MVS is the operating system of this server. FTP Server is running on z/OS.");
    EXPECT_FALSE(ftp::parseListLine("MEMBER1"));  // without the hint a lone word is no entry
}

}  // namespace
