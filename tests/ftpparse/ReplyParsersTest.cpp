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

}  // namespace
