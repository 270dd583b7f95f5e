#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ftp/ReplyParsers.h"

namespace {

struct PwdRow {
    std::string reply;
    std::optional<std::string> path;
};

TEST(PwdReply, QuotedPathsAndRejections) {
    const std::vector<PwdRow> rows = {
        {"257 \"/\" is current directory.", "/"},
        {"257 \"/tmp/ftpcap/root\" is the current directory", "/tmp/ftpcap/root"},  // vsftpd
        {"257 \"/a\"\"b\" is the current directory.", "/a\"b"},                     // pyftpdlib
        {"257 \"/home/demo\"", "/home/demo"},
        {"257 \"/\"\"hello\"\"\"", "/\"hello\""},                      // doubled quotes undone
        {"257 there is rubbish all over \"/this/is/the/path\"", "/this/is/the/path"},
        {"257 \"QGPL\" is the current library", "QGPL"},               // not Unix
        {"257 \"C:/somedir\"", "C:/somedir"},
        {"257 \"/with space/and \"\"q\"\"\" ok \"second\"", "/with space/and \"q\""},
        {"257 \"/caf\xc3\xa9\"", "/caf\xc3\xa9"},                      // bytes kept as sent
        {"257 \"Only one", std::nullopt},                              // unterminated
        {"257 \"/ends in doubled\"\"", std::nullopt},
        {"257 \"/\x03\"", std::nullopt},                               // control characters
        {"257 \"/\r\"", std::nullopt},
        {"257 \"/\x7f\"", std::nullopt},
        {"257-\"/first\nline\"", std::nullopt},                      // a quote never spans lines
        {"257 no quotes at all", std::nullopt},
        {"257 \"\"", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ftp::parsePwdReply(row.reply), row.path) << row.reply;
    }
}

struct PasvRow {
    std::string reply;
    std::optional<std::string> host;
    std::uint16_t port = 0;
};

TEST(PasvReply, SixNumbersWhereverTheyAre) {
    const std::vector<PasvRow> rows = {
        {"227 Entering Passive Mode (127,0,0,1,156,113).", "127.0.0.1", 156 * 256 + 113},  // vsftpd
        {"227 Entering passive mode (127,0,0,1,150,137).", "127.0.0.1", 150 * 256 + 137},  // pyftpdlib
        {"227 Entering Passive Mode (192,168,1,2,195,149).", "192.168.1.2", 195 * 256 + 149},
        {"227 Entering passive mode. 10,0,0,7,200,1", "10.0.0.7", 200 * 256 + 1},
        {"227 =127,0,0,1,0,21", "127.0.0.1", 21},
        {"227 Passive (0,0,0,0,255,255)", "0.0.0.0", 65535},
        {"227 Passive (1, 2, 3, 4, 5, 6)", "1.2.3.4", 5 * 256 + 6},
        {"227 version 1,2 then (9,8,7,6,0,80)", "9.8.7.6", 80},      // short runs are skipped
        {"227 Entering Passive Mode (1216,256,2,127,127,127)", std::nullopt},
        {"227 Entering Passive Mode (127,0,0,1,256,0)", std::nullopt},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", std::nullopt}, // port 0
        {"227 Entering Passive Mode (127,0,0,1,4)", std::nullopt},
        {"227 Entering Passive Mode (99999999999999999999,0,0,1,4,5)", std::nullopt},
        {"227 Entering Passive Mode", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto got = ftp::parsePasvReply(row.reply);
        ASSERT_EQ(got.has_value(), row.host.has_value()) << row.reply;
        if (got) {
            EXPECT_EQ(got->host, *row.host) << row.reply;
            EXPECT_EQ(got->port, row.port) << row.reply;
        }
    }
}

TEST(EpsvReply, DelimitedPortAndRejections) {
    const std::vector<std::pair<std::string, std::optional<std::uint16_t>>> rows = {
        {"229 Entering Extended Passive Mode (|||6446|)", 6446},
        {"229 Entering extended passive mode (|||35171|).", 35171},  // pyftpdlib
        {"229 Entering Extended Passive Mode (!!!1!)", 1},
        {"229 (###65535#)", 65535},
        {"229 note (x) then (|||21|)", 21},
        {"229 Entering Extended Passive Mode (|||1000000|)", std::nullopt},
        {"229 Entering Extended Passive Mode (|||65536|)", std::nullopt},
        {"229 Entering Extended Passive Mode (|||0|)", std::nullopt},
        {"229 Entering Extended Passive Mode (|||6446)", std::nullopt},
        {"229 Entering Extended Passive Mode (||6446|)", std::nullopt},
        {"229 Entering Extended Passive Mode (|!|6446|)", std::nullopt},
        {"229 Entering Extended Passive Mode (|||6446!)", std::nullopt},
        {"229 Entering Extended Passive Mode (|||port|)", std::nullopt},
        {"229 Entering Extended Passive Mode (111222|)", std::nullopt},
        {"229 (   21 )", std::nullopt},
        {"229 Entering Extended Passive Mode", std::nullopt},
    };
    for (const auto& [reply, port] : rows) {
        EXPECT_EQ(ftp::parseEpsvReply(reply), port) << reply;
    }
}

TEST(FeatReply, FeaturesInAnyCaseAndSpacing) {
    // m MLSD, u UTF8, r REST STREAM, s SIZE, d MDTM, f MFMT
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"211-Features:\n MDTM\n MFMT\n MLST type*;size*;modify*;\n REST STREAM\n SIZE\n UTF8\n211 End", "mursdf"},
        {"211-Extensions supported:\n EPRT\n size\n rest stream\n211 End", "rs"},  // lower case
        {"211-Features:\n REST\n MLSD\n211 End", "m"},                             // REST without STREAM
        {"211-Features:\n  MDTM  \n\tSIZE\n211 End", "sd"},                        // blanks and tabs
        {"211-Features:\n SIZES\n MFMTX\n RESTSTREAM\n211 End", ""},               // near misses
        {"211 No features", ""},
    };
    for (const auto& [reply, offered] : rows) {
        const ftp::Features f = ftp::parseFeatures(reply);
        std::string got;
        for (auto [on, letter] :
             {std::pair{f.mlsd, 'm'}, {f.utf8, 'u'}, {f.restStream, 'r'}, {f.size, 's'}, {f.mdtm, 'd'}, {f.mfmt, 'f'}})
            if (on) got += letter;
        EXPECT_EQ(got, offered) << reply;
    }
}

TEST(SizeReply, DigitsOnlyElseUnknown) {
    const std::vector<std::pair<std::string, std::optional<std::uint64_t>>> rows = {
        {"213 0", 0},
        {"213 5242880", 5242880},
        {"213 18446744073709551615", 18446744073709551615ull},
        {"213 5242880  ", 5242880},
        {"213 18446744073709551616", std::nullopt},  // past 64 bits
        {"213 file: 213, Size =51", std::nullopt},   // a guess could resume at the wrong byte
        {"213 -1", std::nullopt},
        {"213 12 34", std::nullopt},
        {"213 ", std::nullopt},
        {"213", std::nullopt},
    };
    for (const auto& [reply, size] : rows) EXPECT_EQ(ftp::parseSizeReply(reply), size) << reply;
}

TEST(MdtmReply, UtcSecondsAndRejections) {
    using namespace std::chrono;
    const auto at = [](int y, unsigned mo, unsigned d, int h, int mi, int s) {
        return sys_days(year(y) / mo / d) + hours(h) + minutes(mi) + seconds(s);
    };
    const std::vector<std::pair<std::string, std::optional<sys_seconds>>> rows = {
        {"213 20230115123456", at(2023, 1, 15, 12, 34, 56)},
        {"213 20230115123456.789", at(2023, 1, 15, 12, 34, 56)},  // fraction dropped
        {"213 19700101000000", at(1970, 1, 1, 0, 0, 0)},
        {"213 20161231235960", at(2016, 12, 31, 23, 59, 59)},  // leap second
        {"213 20240229000000", at(2024, 2, 29, 0, 0, 0)},
        {"213 20230229000000", std::nullopt},  // no such day
        {"213 20231301000000", std::nullopt},
        {"213 20230115246000", std::nullopt},
        {"213 191230115123456", std::nullopt},  // the "19100" year bug
        {"213 000005202235101", std::nullopt},  // a digit too many
        {"213 2023011512345", std::nullopt},
        {"213 20230115123456.", std::nullopt},
        {"213 20230115T23456", std::nullopt},
        {"550 No such file", std::nullopt},
    };
    for (const auto& [reply, time] : rows) EXPECT_EQ(ftp::parseMdtmReply(reply), time) << reply;
    EXPECT_EQ(ftp::formatTimeVal(at(2023, 1, 5, 2, 3, 4)), "20230105020304");
    EXPECT_EQ(ftp::formatTimeVal(at(1969, 12, 31, 23, 59, 59)), "19691231235959");
    EXPECT_EQ(ftp::formatTimeVal(at(10000, 1, 1, 0, 0, 0)), std::nullopt);
}

}  // namespace
