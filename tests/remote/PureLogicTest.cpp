// The remote view's logic without a window: summary, column geometry, stack, name handling.

#include <gtest/gtest.h>

#include "remote/DirStack.h"
#include "remote/FolderColumnModel.h"
#include "remote/NameSplit.h"
#include "remote/RemoteName.h"
#include "remote/ServerSummary.h"

using namespace remote;

namespace {

struct SummaryRow {
    std::int64_t count;
    std::int64_t bytes;
    const char* expected;
};

class SummaryTest : public ::testing::TestWithParam<SummaryRow> {};

TEST_P(SummaryTest, UnitSwitchesOnlyAboveEachBoundary) {
    const SummaryRow& r = GetParam();
    EXPECT_EQ(serverSummary(r.count, r.bytes).toStdString(), r.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SummaryTest,
    ::testing::Values(SummaryRow{0, 0, "0 archivos(0 bytes)"}, SummaryRow{3, 1024, "3 archivos(1024 bytes)"},
                      SummaryRow{3, 1025, "3 archivos(1 kb)"}, SummaryRow{1, 2047, "1 archivos(1 kb)"},
                      SummaryRow{3, 1048576, "3 archivos(1024 kb)"}, SummaryRow{3, 1048577, "3 archivos(1 Mb)"},
                      SummaryRow{2, 3 * 1048576 - 1, "2 archivos(2 Mb)"},
                      // Totals past 2 GiB stay right: they are 64-bit.
                      SummaryRow{1, 5LL * 1024 * 1048576, "1 archivos(5120 Mb)"}));

FolderColumnModel columnOf(int n, int captionWidth = 40) {
    FolderColumnModel m;
    m.setMeasure([captionWidth](const QString& caption) { return caption == QStringLiteral("wide") ? 80 : captionWidth; });
    for (int i = 0; i < n; ++i) m.add("f" + std::to_string(i), QStringLiteral("f%1").arg(i));
    m.layout();
    return m;
}

TEST(FolderColumnGeometry, ScrollMaximumFollowsTheBarsRounding) {
    EXPECT_EQ(columnOf(4).scrollMaximum(), -3);
    EXPECT_EQ(columnOf(5).scrollMaximum(), 44);
    EXPECT_EQ(columnOf(10).scrollMaximum(), 279);
    // No 16-bit ceiling: a long column can be scrolled to its end.
    EXPECT_EQ(columnOf(10000).scrollMaximum(), 47 * 10000 - 191);
}

TEST(FolderColumnGeometry, CellsStackUnderEachOtherAndCaptionsCentre) {
    FolderColumnModel m = columnOf(3);
    m.addByHand("wide", QStringLiteral("wide"));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(m.iconTop(k), 47 * k);
        EXPECT_EQ(m.captionTop(k), 47 * k + 32);
        EXPECT_EQ(m.iconRect(k).left(), 8);
    }
    EXPECT_DOUBLE_EQ(m.captionLeft(0), 0.0);  // the first caption keeps its place
    EXPECT_DOUBLE_EQ(m.captionLeft(1), 4.5);
    EXPECT_DOUBLE_EQ(m.captionLeft(3), -15.5);  // wider than the panel: overhangs both sides
    // Tooltips: every listed icon; captions from the second on; none for a cell added by hand.
    EXPECT_EQ(m.cell(0).iconTip, QStringLiteral("f0"));
    EXPECT_TRUE(m.cell(0).captionTip.isEmpty());
    EXPECT_EQ(m.cell(2).captionTip, QStringLiteral("f2"));
    EXPECT_TRUE(m.cell(3).iconTip.isEmpty());
    EXPECT_TRUE(m.cell(3).captionTip.isEmpty());
    EXPECT_EQ(m.indexOfName("wide"), 3);
    EXPECT_EQ(m.indexOfName("nope"), -1);
}

TEST(FolderColumnGeometry, RestackMovesTheWholeColumn) {
    FolderColumnModel m = columnOf(5);
    m.restack(10);
    EXPECT_EQ(m.iconTop(0), -10);
    EXPECT_EQ(m.captionTop(0), 22);
    EXPECT_EQ(m.iconTop(1), 37);
    EXPECT_EQ(m.captionTop(1), 69);
    m.restack(44);
    EXPECT_EQ(m.captionRect(4).bottom(), 191);  // the last caption just inside the panel
    // A new layout brings the column back to the top.
    m.layout();
    EXPECT_EQ(m.iconTop(0), 0);
}

TEST(FolderColumnGeometry, HitTestsAndVisibleRangeOnALongColumn) {
    FolderColumnModel m = columnOf(10000);
    m.restack(47 * 5000 + 10);
    const auto [first, last] = m.visibleRange();
    EXPECT_EQ(first, 5000);
    EXPECT_EQ(last, 5005);  // 193 pixels show parts of five cells
    EXPECT_EQ(m.iconAt(QPointF(8, 0)), 5000);
    EXPECT_EQ(m.iconAt(QPointF(7, 0)), -1);   // left of the icon
    EXPECT_EQ(m.iconAt(QPointF(20, 25)), -1); // on the caption
    EXPECT_EQ(m.captionAt(QPointF(20, 25)), 5000);
    EXPECT_EQ(m.iconAt(QPointF(20, 40)), 5001);
    EXPECT_EQ(m.valueShowing(5010), 47 * 5011 - 193);
    EXPECT_EQ(m.valueShowing(4000), 47 * 4000);
    m.setHidden(true);
    EXPECT_EQ(m.iconAt(QPointF(20, 40)), -1);
    EXPECT_EQ(m.visibleRange().second, 0);
}

TEST(DirStackTest, GrowsAsDeepAsTheUserGoesAndComesBack) {
    DirStack s;
    s.restart("/");
    std::string path;
    for (int level = 1; level <= 30; ++level) {
        path += "/d" + std::to_string(level);
        s.entered(path);
    }
    EXPECT_EQ(s.NivelDir(), 30);
    EXPECT_EQ(s.PilaDirs(21), "/d1/d2/d3/d4/d5/d6/d7/d8/d9/d10/d11/d12/d13/d14/d15/d16/d17/d18/d19/d20/d21");
    for (int level = 29; level >= 0; --level) ASSERT_TRUE(s.up().has_value());
    EXPECT_EQ(s.NivelDir(), 0);
    EXPECT_EQ(s.PilaDirs(0), "/");
    // Below level 0 there is nowhere to go, and the level still drops.
    EXPECT_FALSE(s.up().has_value());
    EXPECT_EQ(s.NivelDir(), -1);
    // A new connection starts again at level 0; deeper slots keep their old paths.
    s.restart("/home");
    EXPECT_EQ(s.NivelDir(), 0);
    EXPECT_EQ(s.PilaDirs(0), "/home");
    EXPECT_EQ(s.PilaDirs(1), "/d1");
}

struct SplitRow {
    const char* name;
    const char* base;
    const char* extension;  // nullptr: no dot
};

class NameSplitTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(NameSplitTest, SplitsAtTheLastDot) {
    const NameParts parts = splitAtLastDot(GetParam().name);
    EXPECT_EQ(parts.name, GetParam().base);
    if (GetParam().extension)
        EXPECT_EQ(parts.extension, std::optional<std::string>(GetParam().extension));
    else
        EXPECT_FALSE(parts.extension.has_value());
}

INSTANTIATE_TEST_SUITE_P(Examples, NameSplitTest,
                         ::testing::Values(SplitRow{"informe.pdf", "informe", ".pdf"},
                                           SplitRow{"archivo.tar.gz", "archivo.tar", ".gz"},
                                           SplitRow{".perfil", "", ".perfil"}, SplitRow{"copia.", "copia", "."},
                                           SplitRow{"LEEME", "LEEME", nullptr},
                                           SplitRow{"caf\xe9.txt", "caf\xe9", ".txt"}));

TEST(RemoteNameTest, DisplayFallsBackToLatin1AndTypedNamesAreUtf8) {
    EXPECT_EQ(displayName("a\xc3\xb1o"), QStringLiteral("año"));
    EXPECT_EQ(displayName("a\xf1o"), QStringLiteral("año"));        // Latin-1 bytes
    EXPECT_EQ(displayName("\xc3"), QString(QChar(0xC3)));            // a cut sequence
    // Controls show as marks, never as layout: C0, DEL, C1, a line separator.
    EXPECT_EQ(displayName("a\tb\nc\x1b[2J\x7f"), QStringLiteral("a\u2409b\u240Ac\u241B[2J\u2421"));
    EXPECT_EQ(displayName("x\xc2\x9b\xe2\x80\xa8y"), QStringLiteral("x\uFFFD\uFFFDy"));
    EXPECT_EQ(displayName("\x9b"), QStringLiteral("\uFFFD"));  // C1 as a Latin-1 byte
    // Bidirectional controls would reorder the name: "rlo<RLO>txt.exe" would read "rloexe.txt".
    EXPECT_EQ(displayName("rlo\xe2\x80\xaetxt.exe\xe2\x81\xa6\xd8\x9c\xe2\x80\x8e\xe2\x80\xa9"),
              QStringLiteral("rlo\uFFFDtxt.exe\uFFFD\uFFFD\uFFFD\uFFFD"));
    EXPECT_EQ(typedName(QStringLiteral("año")), "a\xc3\xb1o");
    EXPECT_EQ(trimSpaces(QStringLiteral("  nueva carpeta  ")), QStringLiteral("nueva carpeta"));
    EXPECT_EQ(trimSpaces(QStringLiteral("\tx ")), QStringLiteral("\tx"));  // only spaces go
    EXPECT_TRUE(trimSpaces(QStringLiteral("   ")).isEmpty());
}

}  // namespace
