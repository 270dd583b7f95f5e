// The upload loop's arithmetic and the upload window on its own.

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "upload/F2.h"
#include "upload/UploadMath.h"

namespace {

TEST(UploadMath, BlocksAndRemainder) {
    EXPECT_EQ(uploadmath::plan(0).fullBlocks, 0u);
    EXPECT_EQ(uploadmath::plan(0).remainder, 0u);
    EXPECT_EQ(uploadmath::plan(99).fullBlocks, 0u);
    EXPECT_EQ(uploadmath::plan(99).remainder, 99u);
    EXPECT_EQ(uploadmath::plan(300).fullBlocks, 3u);
    EXPECT_EQ(uploadmath::plan(300).remainder, 0u);
    EXPECT_EQ(uploadmath::plan(300, 128).fullBlocks, 2u);
    EXPECT_EQ(uploadmath::plan(300, 128).remainder, 44u);
    const std::uint64_t fiveGiB = 5ULL << 30;
    EXPECT_EQ(uploadmath::plan(fiveGiB).fullBlocks, 53687091u);
    EXPECT_EQ(uploadmath::plan(fiveGiB).remainder, 20u);
}

TEST(UploadMath, PercentagesHold64BitSizes) {
    EXPECT_EQ(uploadmath::percentage(100, 250), 40);
    EXPECT_EQ(uploadmath::percentage(200, 250), 80);
    EXPECT_EQ(uploadmath::percentage(100, 300), 33);
    EXPECT_EQ(uploadmath::percentage(200, 300), 66);
    EXPECT_EQ(uploadmath::percentage(300, 300), 100);
    const std::uint64_t fiveGiB = 5ULL << 30;
    EXPECT_EQ(uploadmath::percentage(fiveGiB / 2, fiveGiB), 50);
    EXPECT_EQ(uploadmath::percentage(fiveGiB - 20, fiveGiB), 99);
    EXPECT_EQ(uploadmath::percentage(fiveGiB, fiveGiB), 100);
    const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max() - 7;
    EXPECT_EQ(uploadmath::percentage(huge / 4, huge), 25);
    EXPECT_EQ(uploadmath::percentage(huge, huge), 100);
}

TEST(UploadMath, SentReachingIsTheFirstByteCountOfEachPercentage) {
    for (std::uint64_t size : {1ULL, 99ULL, 250ULL, 300ULL, 1001ULL, 123457ULL, 5ULL << 30, (1ULL << 62) + 77}) {
        for (int p = 1; p <= 100; ++p) {
            const std::uint64_t at = uploadmath::sentReaching(p, size);
            EXPECT_GE(uploadmath::percentage(at, size), p) << size << " " << p;
            EXPECT_LT(uploadmath::percentage(at - 1, size), p) << size << " " << p;
        }
    }
}

TEST(UploadMath, BarIsFullAtOneHundredPercent) {
    EXPECT_EQ(uploadmath::barWidth(0, 205), 0);
    EXPECT_EQ(uploadmath::barWidth(31, 205), 63);
    EXPECT_EQ(uploadmath::barWidth(100, 205), 205);
    EXPECT_EQ(uploadmath::barWidth(140, 205), 205);
}

class F2Test : public ::testing::Test {
protected:
    void TearDown() override { w.finish(); }
    F2 w{nullptr};
};

TEST_F(F2Test, BorderlessWindowWithItsControls) {
    EXPECT_EQ(w.size(), QSize(225, 131));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(192, 192, 0));
    EXPECT_EQ(w.Label1()->geometry(), QRect(32, 8, 177, 41));
    EXPECT_EQ(w.Label1()->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    EXPECT_EQ(w.Command1()->text(), QStringLiteral("Cancelar"));
    EXPECT_EQ(w.PicFondo()->geometry(), QRect(8, 104, 209, 17));
    EXPECT_EQ(w.PicFondo()->accessibleName(), QStringLiteral("Progreso"));
    EXPECT_EQ(w.Timer1()->interval(), 700);

    w.open();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Label7()->isVisible());
    EXPECT_TRUE(w.Timer1()->isActive());
    EXPECT_EQ(w.PicX()->width(), 0);
    EXPECT_EQ(w.Label1()->text(), QStringLiteral("Subiendo..."));
}

TEST_F(F2Test, BarFollowsLabel7AndFillsTheBackground) {
    w.open();
    const int inside = w.PicFondo()->contentsRect().width();
    EXPECT_EQ(inside, 205);
    w.setPercent(31);
    EXPECT_EQ(w.Label7()->text(), QStringLiteral("31"));
    EXPECT_EQ(w.PicX()->width(), 63);
    w.setPercent(100);
    EXPECT_EQ(w.PicX()->width(), inside);
    EXPECT_EQ(w.PicX()->geometry().right(), w.PicFondo()->contentsRect().right());
    w.resetBar();
    EXPECT_EQ(w.PicX()->width(), 0);
}

TEST_F(F2Test, AnimationCyclesAndKeepsItsPhaseAcrossOpenings) {
    w.open();
    QStringList seen;
    for (int i = 0; i < 5; ++i) {
        w.Timer1_Timer();
        seen << w.Label1()->text();
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Subiendo"), QStringLiteral("Subiendo."), QStringLiteral("Subiendo.."),
                                 QStringLiteral("Subiendo..."), QStringLiteral("Subiendo")}));
    w.finish();
    EXPECT_FALSE(w.Timer1()->isActive());
    w.open();
    EXPECT_EQ(w.Label1()->text(), QStringLiteral("Subiendo..."));
    w.Timer1_Timer();
    EXPECT_EQ(w.Label1()->text(), QStringLiteral("Subiendo."));
}

// Click, Enter and Escape all press "Cancelar", which closes the window.
class F2Cancel : public F2Test, public ::testing::WithParamInterface<int> {};

TEST_P(F2Cancel, EveryWayOfPressingCancelClosesTheWindow) {
    w.open();
    ASSERT_FALSE(w.closed());
    switch (GetParam()) {
    case 0: QTest::mouseClick(w.Command1(), Qt::LeftButton); break;
    case 1: QTest::keyClick(w.Command1(), Qt::Key_Return); break;
    case 2: QTest::keyClick(w.Command1(), Qt::Key_Escape); break;
    case 3: QTest::keyClick(&w, Qt::Key_Enter); break;
    }
    EXPECT_TRUE(w.closed());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Timer1()->isActive());
}

INSTANTIATE_TEST_SUITE_P(Keys, F2Cancel, ::testing::Values(0, 1, 2, 3));

}  // namespace
