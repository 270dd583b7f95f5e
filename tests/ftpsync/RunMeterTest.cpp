#include <gtest/gtest.h>

#include "sync/RunMeter.h"

namespace {

// What the window reads while workers report: bytes in flight count, a failure is listed, and
// after a cancel a file the cancel stopped is neither done nor a failure.
TEST(RunMeterTest, CountsInFlightBytesAndKeepsCancelledFilesOutOfTheFailures) {
    treesync::RunMeter meter(3, 300);
    const treesync::Job a{"/l/a", "/r", "a", "a", 100}, b{"/l/b", "/r", "b", "b", 100}, c{"/l/c", "/r", "c", "c", 100};
    meter.progress(0, a, 40);
    meter.progress(1, b, 10);
    auto f = meter.figures();
    EXPECT_EQ(f.bytesDone, 50u);
    EXPECT_EQ(f.inFlight, (std::vector<std::string>{"a", "b"}));
    meter.finished(0, a, ftp::Status::ok());
    meter.finished(1, b, ftp::Error{ftp::ErrorKind::Refused, "no", {553, "553 no"}});
    meter.cancel();
    meter.finished(0, c, ftp::Error{ftp::ErrorKind::Cancelled, "cancelled", {}});
    f = meter.figures();
    EXPECT_EQ(f.filesDone, 2u);
    EXPECT_EQ(f.bytesDone, 100u);
    EXPECT_TRUE(f.inFlight.empty());
    ASSERT_EQ(meter.failures().size(), 1u);
    EXPECT_EQ(meter.failures()[0].path, "b");
    EXPECT_TRUE(meter.cancelled());
}

// The rate waits for half a second; a total already passed leaves no time to tell.
TEST(RunMeterTest, Estimates) {
    EXPECT_EQ(treesync::estimate(100, 200, 0.4).rate, 0);
    const auto e = treesync::estimate(100, 300, 2);
    EXPECT_EQ(e.rate, 50);
    EXPECT_EQ(e.secondsLeft, 4);
    EXPECT_FALSE(treesync::estimate(400, 300, 2).secondsLeft);
}

}  // namespace
