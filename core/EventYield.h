#pragma once
// "Let pending events run", time-sliced: the event loop is run only when at least 10 ms have
// passed since the last time, so a loop that yields per 100-byte block costs almost nothing.
// Input is never set aside here: on X11 a close box read by a pass that excludes input waits
// until the next X event, so the close would be lost. A window that must not be acted on for a
// while filters input instead (WaitGate, UploadInputGuard).

#include <chrono>

class EventYield {
public:
    // Runs pending events if the slice has passed; returns true when it did.
    static bool maybe();
    // Runs pending events now.
    static void now();
    // Longest gap between two runs since the last reset, for the benchmarks.
    static std::chrono::microseconds longestGap();
    static void resetGapStatistics();

    static constexpr std::chrono::milliseconds kSlice{10};
};
