#include "ListingTable.h"

namespace {

TEST(Os400Listing, Table) {
    listingtest::expectEachLine({
        {"QSYS           77824 02/23/00 15:09:55 *DIR       QSYS.LIB/", "QSYS.LIB", 'd', 77824},
        {"QDOC           24576 09/30/03 13:30:56 *FLR       /QDOC/", "QDOC", 'd', 24576},
        {"RENAUD          3584 01/08/09 13:45:14 *STMF      file with blank.txt", "file with blank.txt", 'f', 3584},
        {"MYLIB         360448 11/12/02 11:32:23 *FILE      MYFILE.FILE", "MYFILE.FILE", 'd', 360448},
        {"MYLIB                                  *MEM       MYFILE.FILE/MEMBER.MBR", "MEMBER.MBR", 'f', 0},
        {"QSYS          8192 25.01.23 08:00:00 *LIB       QGPL.LIB", "QGPL.LIB", 'd', 8192},
        {"QSYS          8192 25.01.23 08:00:00 *PGM       QCMD.PGM", "QCMD.PGM", 'f', 8192},
    });
}

// Tandem Guardian and Stratus VOS.
TEST(OtherListing, TandemAndVos) {
    listingtest::expectListing({
        {"File         Code             EOF  Last Modification    Owner  RWEP", ""},
        {"ALTERLOG        101          5431 15-Sep-05 10:23:01 255, 0 \"oooo\"", "ALTERLOG", 'f', 5431},
        {"ZZSA0001          0             0 28-Feb-98 17:44:53 255,255 \"nnnn\"", "ZZSA0001", 'f', 0},
    });
    listingtest::expectListing({
        {"Files: 2  Blocks: 3", ""},
        {"w        1  seq       21-05-10 10:00:00  notes.txt", "notes.txt", 'f', 4096},
        {"w        2  stm       21-05-10 10:00:00  data file", "data file", 'f', 8192},
        {"Dirs: 1", ""},
        {"m        2            21-05-10 10:00:00  sub", "sub", 'd', 8192},
    });
}

}  // namespace
