#include "ListingTable.h"

namespace {

using listingtest::expectEachLine;

// Windows and DOS-like shapes: IIS, OS/2, the ctime style of embedded servers, EPLF.
TEST(DosListing, Table) {
    expectEachLine({
        {"01-15-23  12:34PM       <DIR>          Folder Name", "Folder Name", 'd', 0},
        {"01-15-23  12:34PM                 1234 file name.txt", "file name.txt", 'f', 1234},
        {"01-15-2023  09:05                  10 four-digit-year", "four-digit-year", 'f', 10},
        {"2023-01-15  09:05       <DIR>          iso", "iso", 'd', 0},
        {"15.01.2023  09:05 PM           1,234,567 grouped", "grouped", 'f', 1234567},
        {"01/15/2023  06:25:07           77 seconds", "seconds", 'f', 77},
        {"01-15-23  23:59              5000000000 twenty-four-hour", "twenty-four-hour", 'f', 5000000000ull},
        {"01/15/2023  06:25 AM    <JUNCTION>     Documents [C:\\Users\\x\\Documents]", "Documents", 'd', 0},
        {"01/15/2023  06:25 AM    <SYMLINKD>     linked", "linked", 'd', 0},
        {"01/15/2023  06:25 AM    <SYMLINK>      file-link", "file-link", 'f', 0},
        {"02-29-24  12:00AM       <DIR>          IIS leap day", "IIS leap day", 'd', 0},
        {"12-31-99  11:59PM                 4096 IIS 1999", "IIS 1999", 'f', 4096},
        {"31.12.2023  23:59             2,048 European dir", "European dir", 'f', 2048},
        {"01-15-23  12:34PM       <DIR>          .", ""},
        {"01-15-23  12:34PM       lots           nosize", ""},
        {"01-15-23  nope       123 x", ""},
        // OS/2
        {"       73098      A          04-06-97   15:22  ENV.CMD", "ENV.CMD", 'f', 73098},
        {"           0           DIR   12-18-96   12:50  MYDIR", "MYDIR", 'd', 0},
        {"         345      A    HS    12-18-96   12:50  hidden sys.dat", "hidden sys.dat", 'f', 345},
        // ctime style
        {"Sun Nov 12 18:33:58 2006 <DIR> Folder", "Folder", 'd', 0},
        {"Mon Jan 15 12:34:56 2023 1234 file.txt", "file.txt", 'f', 1234},
        // EPLF, with facts we do not know
        {"+i8388621.48594,m825718503,r,s280,\tdjb.html", "djb.html", 'f', 280},
        {"+i8388621.50690,m824255907,/,\t514", "514", 'd', 0},
        {"+i8388621.48598,m824253270,r,s612,up644,xnew,\tmemo with spaces", "memo with spaces", 'f', 612},
        {"+m824255907,/,\t..", ""},
        {"+i1,r,s5, no tab", ""},
        {"+i1,r,s5x,\tsize not a number", ""},
        {"+i1,r,m-5,\ttime not a number", ""},
        {"+i1,r,s5\tno comma after the last fact", ""},
    });
}

}  // namespace
