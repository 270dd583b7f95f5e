#pragma once
// "Let pending events run", time-sliced: the event loop is run only when at least 10 ms have
// passed since the last time, so a loop that yields per 100-byte block costs almost nothing.

#include <chrono>

class EventYield {
public:
    enum class Input { Excluded, Allowed };

    // Runs pending events if the slice has passed; returns true when it did.
    static bool maybe(Input input);
    // Runs pending events now.
    static void now(Input input);
    // Longest gap between two runs since the last reset, for the benchmarks.
    static std::chrono::microseconds longestGap();
    static void resetGapStatistics();

    static constexpr std::chrono::milliseconds kSlice{10};
};
