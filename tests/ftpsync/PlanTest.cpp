// The sync plan as a table: what each pair of local and remote states leads to, without a server.

#include <gtest/gtest.h>

#include "ftp/AtomicUpload.h"
#include "sync/Names.h"
#include "sync/Plan.h"
#include "sync/RemoteTime.h"

namespace {

using namespace treesync;

constexpr std::int64_t kT = 1700000000;  // 2023-11-14 22:13:20 UTC

std::string joined(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& s : v) out += (out.empty() ? "" : " ") + s;
    return out;
}

std::string joined(const std::vector<LocalFile>& v) {
    std::vector<std::string> paths;
    for (const auto& f : v) paths.push_back(f.path);
    return joined(paths);
}

TEST(Plan, OneFileByItsSizesAndTimes) {
    struct Row {
        const char* what;
        std::uint64_t remoteSize;  // 0 with no remote time and no size: not on the server
        std::optional<RemoteTime> remote;
        bool onServer, sizeOnly;
        char expect;  // + new, ~ changed, = same
    };
    const std::int64_t day = 86400;
    for (const Row& r : std::vector<Row>{
             {"only here", 0, std::nullopt, false, false, '+'},
             {"same size, same second", 10, RemoteTime{kT, 1}, true, false, '='},
             {"other size, server newer", 11, RemoteTime{kT + 500, 1}, true, false, '~'},
             {"local two seconds newer", 10, RemoteTime{kT - 2, 1}, true, false, '~'},
             {"listing cut to the minute", 10, RemoteTime{kT - 40, 60}, true, false, '='},
             {"local two minutes newer than a minute listing", 10, RemoteTime{kT - 120, 60}, true, false, '~'},
             {"server kept the upload's time", 10, RemoteTime{kT + 3600, 1}, true, false, '='},
             {"day listing, same day", 10, RemoteTime{kT - kT % day, day}, true, false, '='},
             {"day listing, days older", 10, RemoteTime{kT - 3 * day, day}, true, false, '~'},
             {"no time: sizes decide", 10, std::nullopt, true, false, '='},
             {"--size-only ignores a newer file", 10, RemoteTime{kT - day, 1}, true, true, '='},
         }) {
        LocalTree local;
        local.files.push_back({"f", 10, kT});
        RemoteTree remote;
        if (r.onServer) remote.files.push_back({"f", r.remoteSize, r.remote});
        PlanOptions o;
        o.sizeOnly = r.sizeOnly;
        const Plan p = makePlan(local, remote, o);
        const char got = !p.newFiles.empty() ? '+' : !p.changedFiles.empty() ? '~' : !p.same.empty() ? '=' : '?';
        EXPECT_EQ(got, r.expect) << r.what;
        EXPECT_EQ(p.comparedBySize, r.onServer && !r.remote && !r.sizeOnly ? 1u : 0u) << r.what;
    }
}

TEST(Plan, FoldersConflictsAndWhatOnlyTheServerHas) {
    LocalTree local;
    local.folders = {"a", "a/b", "c", "keep"};
    local.files = {{"a/b/x", 1, kT}, {"c/y", 1, kT}, {"d", 1, kT}, {"same", 1, kT}};
    RemoteTree remote;
    remote.folders = {"d", "keep", "old", "old/deeper", "holds"};
    const std::string part = ftp::AtomicUpload::temporaryName("x", 1,
                                                              std::chrono::sys_seconds(std::chrono::seconds(kT)));
    remote.files = {{"c", 1, {}},           {"same", 1, RemoteTime{kT, 1}},
                    {"old/f", 1, {}},       {"old/deeper/g", 1, {}},
                    {"a/b/" + part, 1, {}}, {"top", 1, {}}};
    remote.linkedFolders = {"holds/link"};
    remote.kept = {"keep/.git"};

    const Plan p = makePlan(local, remote, {});
    EXPECT_EQ(joined(p.createFolders), "a a/b") << "parents first; existing folders left";
    EXPECT_EQ(joined(p.conflicts), "c/ d") << "a folder over a file and a file over a folder are left alone";
    EXPECT_EQ(joined(p.newFiles), "a/b/x") << "nothing goes below a conflict";
    EXPECT_EQ(joined(p.same), "same");
    EXPECT_EQ(joined(p.onlyOnServer), "old/f old/deeper/g top") << "the part of a file about to go stays";
    EXPECT_EQ(joined(p.foldersOnlyOnServer), "old/deeper old")
        << "deepest first; a folder holding a link is kept, and one holding an excluded name";

    PlanOptions all;
    all.sendAll = true;
    const Plan put = makePlan(local, remote, all);
    EXPECT_EQ(joined(put.changedFiles), "same");
    EXPECT_TRUE(put.onlyOnServer.empty() && put.foldersOnlyOnServer.empty()) << "put -r never deletes";
}

// d/page.html is about to be sent, d/same.txt not; each row adds one remote name.
TEST(Plan, TemporaryFilesOurUploadsLeft) {
    using ftp::AtomicUpload;
    const auto at = [](std::int64_t t) { return std::chrono::sys_seconds(std::chrono::seconds(t)); };
    const std::string longName(250, 'x');
    struct Row {
        std::string remote;
        char expect;  // r resumed, s stale (removed once sent), k kept, - only on the server, = the user's file
    };
    for (const Row& r : std::vector<Row>{
             {"d/" + AtomicUpload::temporaryName("page.html", 10, at(kT)), 'r'},
             {"d/" + AtomicUpload::temporaryName("page.html", 7, at(kT - 60)), 's'},
             {"d/" + AtomicUpload::temporaryName(longName, 7, at(kT)), 's'},  // shortened to fit 255 bytes
             {"d/" + AtomicUpload::temporaryName("same.txt", 7, at(kT)), 'k'},
             {"d/" + AtomicUpload::temporaryName("gone.txt", 7, at(kT)), 'k'},
             {"old/" + AtomicUpload::temporaryName("f", 7, at(kT)), 'k'},  // and old/ stays
             {"d/.page.html.0BADC0DE.part", '-'},
             {"d/.page.html.0badc0d.part", '-'},
             {"d/.page.html.part", '-'},
             {"d/page.html.0badc0de.part", '-'},
             {"d/.page.html.0badc0de.partial", '-'},
             {"d/.mine.0badc0de.part", '='},  // a local file of that form is compared as any other
         }) {
        LocalTree local;
        local.folders = {"d"};
        local.files = {{"d/page.html", 10, kT}, {"d/same.txt", 3, kT}, {"d/" + longName, 10, kT}};
        if (r.expect == '=') local.files.push_back({r.remote, 1, kT});
        RemoteTree remote;
        remote.folders = {"d", "old"};
        remote.files = {{"d/page.html", 9, {}}, {"d/same.txt", 3, RemoteTime{kT, 1}}, {r.remote, 1, RemoteTime{kT, 1}}};
        const Plan p = makePlan(local, remote, {});
        const std::string segment = lastSegment(r.remote);
        std::string stale;
        for (const auto& [file, parts] : p.staleParts)
            for (const auto& part : parts) stale += (stale.empty() ? "" : " ") + part;
        const char got = p.resumable.count("d/page.html")                         ? 'r'
                         : !stale.empty()                                         ? 's'
                         : !p.onlyOnServer.empty()                                ? '-'
                         : std::count(p.same.begin(), p.same.end(), r.remote) > 0 ? '='
                                                                                  : 'k';
        EXPECT_EQ(got, r.expect) << r.remote;
        if (got == 's') {
            EXPECT_EQ(stale, segment);
        }
        EXPECT_EQ(p.onlyOnServer.size(), got == '-' ? 1u : 0u) << r.remote;
        EXPECT_EQ(joined(p.foldersOnlyOnServer), r.remote.starts_with("old/") ? "" : "old") << r.remote;
    }
}

TEST(Names, SegmentsFromTheServerAndExcludes) {
    for (const char* bad : {"", ".", "..", "../x", "a/b", "/etc", "a\rb", "a\nb"})
        EXPECT_FALSE(isSafeSegment(bad)) << bad;
    EXPECT_FALSE(isSafeSegment(std::string("a\0b", 3)));
    for (const char* good : {"a", "..a", "a b", ".hidden", "\xc3\xb1"}) EXPECT_TRUE(isSafeSegment(good)) << good;
    EXPECT_EQ(joinPath("/", "a"), "/a");
    EXPECT_EQ(joinPath("/top", "a/b"), "/top/a/b");

    std::string error;
    EXPECT_FALSE(Excludes::make({"*.o", ""}, error));
    auto ex = Excludes::make({"*.tmp", ".git", "cache/*"}, error);
    ASSERT_TRUE(ex);
    for (const char* yes : {"a.tmp", "x/y/a.tmp", ".git", "sub/.git", "cache/page"})
        EXPECT_TRUE(ex->excluded(yes)) << yes;
    for (const char* no : {"a.tmpl", "git", "sub/cache/page", "cache/a/b", "cache"})
        EXPECT_FALSE(ex->excluded(no)) << no;
}

TEST(RemoteTime, ListingDatesAtTheirOwnPrecision) {
    struct Row {
        std::string date;
        std::optional<std::int64_t> modified;
        std::int64_t utc, precision;  // precision 0: no usable time
    };
    // now = 2023-11-14 22:13:20 UTC
    for (const Row& r : std::vector<Row>{
             {"2023-11-14 22:13", kT + 5, kT + 5, 1},
             {"2023-11-14 22:13", std::nullopt, kT - 20, 60},
             {"Nov 14 22:13", std::nullopt, kT - 20, 60},
             {"Dec 24 10:00", std::nullopt, 1671876000, 60},  // not yet this year: last year's
             {"Nov 15 10:00", std::nullopt, 1700042400, 60},  // tomorrow: a server clock ahead
             {"Mar 3 2021", std::nullopt, 1614729600, 86400},
             {"11-14-23 10:13PM", std::nullopt, kT - 20, 60},
             {"11-14-23 12:05AM", std::nullopt, 1699920300, 60},
             {"14 nov 22:13", std::nullopt, 0, 0},
             {"Mär 3 2021", std::nullopt, 0, 0},
             {"", std::nullopt, 0, 0},
         }) {
        ftp::Entry e;
        e.date = r.date;
        e.modifiedUtc = r.modified;
        const auto t = remoteTime(e, kT);
        EXPECT_EQ(t ? t->utc : 0, r.utc) << r.date;
        EXPECT_EQ(t ? t->precision : 0, r.precision) << r.date;
    }
}

}  // namespace
