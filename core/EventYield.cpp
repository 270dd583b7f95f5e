#include "EventYield.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point g_last = Clock::now();
std::chrono::microseconds g_longest{0};
}  // namespace

void EventYield::now() {
    const auto t = Clock::now();
    g_longest = std::max(g_longest, std::chrono::duration_cast<std::chrono::microseconds>(t - g_last));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    g_last = Clock::now();
}

bool EventYield::maybe() {
    if (Clock::now() - g_last < kSlice) return false;
    now();
    return true;
}

std::chrono::microseconds EventYield::longestGap() { return g_longest; }

void EventYield::resetGapStatistics() {
    g_longest = std::chrono::microseconds{0};
    g_last = Clock::now();
}
