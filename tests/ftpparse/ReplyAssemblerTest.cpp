#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ftp/ReplyAssembler.h"

namespace {

using ftp::Reply;
using ftp::ReplyAssembler;

std::vector<Reply> drain(ReplyAssembler& a) {
    std::vector<Reply> out;
    while (auto r = a.take()) {
        out.push_back(std::move(*r));
    }
    return out;
}

TEST(ReplyAssembler, SeveralRepliesInOneReadKeepTheirOrder) {
    ReplyAssembler a;
    ASSERT_TRUE(a.feed("150 Opening data connection\r\n226 Transfer complete\r\n"));
    const auto replies = drain(a);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].code, 150);
    EXPECT_EQ(replies[0].text, "150 Opening data connection");
    EXPECT_EQ(replies[1].code, 226);
    EXPECT_FALSE(a.midReply());
}

TEST(ReplyAssembler, ReplyFedByteByByteIsTheSameReply) {
    const std::string wire = "230-Welcome\r\n230-  234 not an end\r\n230 Logged in\r\n";
    ReplyAssembler a;
    for (std::size_t i = 0; i + 1 < wire.size(); ++i) {
        ASSERT_TRUE(a.feed(std::string_view(&wire[i], 1)));
        EXPECT_FALSE(a.hasReply()) << "early reply at byte " << i;
        EXPECT_TRUE(a.midReply());
    }
    ASSERT_TRUE(a.feed("\n"));
    const auto r = a.take();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->code, 230);
    EXPECT_EQ(r->text, "230-Welcome\n230-  234 not an end\n230 Logged in");
    EXPECT_FALSE(a.midReply());
}

TEST(ReplyAssembler, MultiLineEndsOnlyOnSameCodeAndBlank) {
    // Example shape from RFC 959 4.2: inner lines led by digits are text.
    ReplyAssembler a;
    ASSERT_TRUE(a.feed("123-First line\r\nSecond line\r\n  234 A line beginning with numbers\r\n"
                       "234 another code\r\n123-still inside\r\n123The last line?\r\n"));
    EXPECT_FALSE(a.hasReply());
    ASSERT_TRUE(a.feed("123 The last line\r\n"));
    const auto r = a.take();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->code, 123);
    EXPECT_EQ(r->text,
              "123-First line\nSecond line\n  234 A line beginning with numbers\n234 another code\n"
              "123-still inside\n123The last line?\n123 The last line");
}

TEST(ReplyAssembler, BareCodeEndsAReplyAndBareLfEndsALine) {
    ReplyAssembler a;
    ASSERT_TRUE(a.feed("211-Features:\n MLST type*;size*;\n UTF8\n211\n200\n"));
    const auto replies = drain(a);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].text, "211-Features:\n MLST type*;size*;\n UTF8\n211");
    EXPECT_EQ(replies[1].code, 200);
    EXPECT_EQ(replies[1].text, "200");
}

TEST(ReplyAssembler, PreliminaryGreetingThenReady) {
    ReplyAssembler a;
    ASSERT_TRUE(a.feed("120 Service ready in 1 minute\r\n"));
    ASSERT_TRUE(a.feed("220 Service ready\r\n"));
    const auto replies = drain(a);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].code, 120);
    EXPECT_EQ(replies[1].code, 220);
}

TEST(ReplyAssembler, MalformedStreamsFailAndStayFailed) {
    struct Row {
        const char* what;
        std::string wire;
    };
    const std::vector<Row> rows = {
        {"NUL inside", std::string("230 logged\0 in\r\n", 17)},
        {"no code", "hello\r\n"},
        {"short code", "22 x\r\n"},
        {"code then junk", "220x\r\n"},
        {"code zero", "000 x\r\n"},
    };
    for (const auto& row : rows) {
        ReplyAssembler a;
        EXPECT_FALSE(a.feed(row.wire)) << row.what;
        EXPECT_TRUE(a.failed()) << row.what;
        EXPECT_FALSE(a.error().empty()) << row.what;
        EXPECT_FALSE(a.feed("200 ok\r\n")) << row.what;
        EXPECT_FALSE(a.hasReply()) << row.what;
    }
}

TEST(ReplyAssembler, RepliesBeforeAFaultAreKept) {
    ReplyAssembler a;
    EXPECT_FALSE(a.feed("220 hi\r\ngarbage\r\n"));
    const auto r = a.take();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->code, 220);
}

TEST(ReplyAssembler, LongLineUpToTheCapIsAccepted) {
    ReplyAssembler a;
    const std::string body(100 * 1024, 'x');
    ASSERT_TRUE(a.feed("250 " + body + "\r\n"));
    const auto r = a.take();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text.size(), 4 + body.size());

    ReplyAssembler exact(64);
    ASSERT_TRUE(exact.feed("250 " + std::string(60, 'y') + "\r"));  // CR may still come before LF
    ASSERT_TRUE(exact.feed("\n"));
    EXPECT_TRUE(exact.hasReply());
}

TEST(ReplyAssembler, LineOverTheCapFailsWithoutWaitingForItsEnd) {
    ReplyAssembler a(1024);
    const std::string chunk(300, 'z');
    ASSERT_TRUE(a.feed("250 "));
    bool ok = true;
    for (int i = 0; i < 10 && ok; ++i) {
        ok = a.feed(chunk);  // never an LF: a server streaming forever
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(a.failed());

    ReplyAssembler b(64);
    EXPECT_FALSE(b.feed("250 " + std::string(61, 'y') + "\n"));
}

TEST(ReplyAssembler, ManyContinuationLinesAndTheLineCap) {
    std::string wire;
    for (int i = 0; i < 5000; ++i) {
        wire += "250-line " + std::to_string(i) + "\r\n";
    }
    wire += "250 done\r\n";
    ReplyAssembler a;
    ASSERT_TRUE(a.feed(wire));
    const auto r = a.take();
    ASSERT_TRUE(r);
    EXPECT_EQ(std::count(r->text.begin(), r->text.end(), '\n'), 5000);

    ReplyAssembler capped(1024, 100);
    EXPECT_FALSE(capped.feed(wire));
    EXPECT_FALSE(capped.hasReply());
}

// A vsftpd conversation as captured, fed in chunks of every size from 1 to 40 bytes.
TEST(ReplyAssembler, CapturedConversationInAnyChunking) {
    const std::string wire =
        "220 (vsFTPd 3.0.3)\r\n"
        "211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n SIZE\r\n TVFS\r\n211 End\r\n"
        "211-FTP server status:\r\n     Connected to 127.0.0.1\r\n     TYPE: ASCII\r\n"
        "     vsFTPd 3.0.3 - secure, fast, stable\r\n211 End of status\r\n"
        "214-The following commands are recognized.\r\n ABOR ACCT ALLO APPE CDUP CWD  DELE EPRT\r\n"
        " XPWD XRMD\r\n214 Help OK.\r\n"
        "229 Entering Extended Passive Mode (|||40039|)\r\n";
    for (std::size_t chunk = 1; chunk <= 40; ++chunk) {
        ReplyAssembler a;
        for (std::size_t pos = 0; pos < wire.size(); pos += chunk) {
            ASSERT_TRUE(a.feed(std::string_view(wire).substr(pos, chunk))) << a.error();
        }
        const auto replies = drain(a);
        ASSERT_EQ(replies.size(), 5u) << "chunk " << chunk;
        EXPECT_EQ(replies[0].code, 220);
        EXPECT_EQ(replies[1].text, "211-Features:\n EPRT\n EPSV\n MDTM\n PASV\n REST STREAM\n SIZE\n TVFS\n211 End");
        EXPECT_EQ(replies[2].code, 211);
        EXPECT_EQ(replies[3].code, 214);
        EXPECT_EQ(replies[4].code, 229);
    }
}

TEST(ReplyAssembler, EndlessLineIsCutOffAtTheDefaultCap) {
    ReplyAssembler a;
    const std::string chunk(64 * 1024, 'a');
    std::size_t fed = 0;
    while (a.feed(chunk)) {
        fed += chunk.size();
        ASSERT_LT(fed, 10u * 1024 * 1024) << "10 MB without LF were accepted";
    }
    EXPECT_LE(fed, ReplyAssembler::kDefaultMaxLineBytes);
    EXPECT_FALSE(a.midReply());  // nothing kept once failed
}

}  // namespace
