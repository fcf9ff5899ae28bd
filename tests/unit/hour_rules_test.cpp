#include <gtest/gtest.h>

#include "settings/hour_rules.h"

#include <limits.h>

namespace {

TEST(StepHour, ArrowsStepAndWrapWithinTheDay) {
    struct {
        LONG hour;
        int code;
        LONG expected;
    } const cases[] = {
        {20, SB_LINEUP, 21},
        {22, SB_LINEUP, 23},
        {23, SB_LINEUP, 0},
        {0, SB_LINEUP, 1},
        {8, SB_LINEDOWN, 7},
        {1, SB_LINEDOWN, 0},
        {0, SB_LINEDOWN, 23},
        {23, SB_LINEDOWN, 22},
        // Hand-edited files: up from anything past 23 wraps, down counts on until below 0.
        {25, SB_LINEUP, 0},
        {25, SB_LINEDOWN, 24},
        {-5, SB_LINEUP, -4},
        {-5, SB_LINEDOWN, 23},
        {LONG_MAX, SB_LINEUP, 0},
        {LONG_MIN, SB_LINEDOWN, 23},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, StepHour(c.hour, c.code))
            << "hour " << c.hour << ", scroll code " << c.code;
}

TEST(StepHour, OtherScrollCodesChangeNothing) {
    for (int code : {SB_PAGEUP, SB_PAGEDOWN, SB_THUMBPOSITION, SB_THUMBTRACK, SB_TOP, SB_BOTTOM,
                     SB_ENDSCROLL, -1, 99})
        EXPECT_EQ(7, StepHour(7, code)) << "scroll code " << code;
}

TEST(FirstUseHour, OnlyZeroMeansNeverChosen) {
    EXPECT_EQ(FIRST_USE_FROM, FirstUseHour(0, FIRST_USE_FROM));
    EXPECT_EQ(FIRST_USE_TO, FirstUseHour(0, FIRST_USE_TO));
    for (LONG stored : {1L, 23L, 25L, -1L, LONG_MAX})
        EXPECT_EQ(stored, FirstUseHour(stored, FIRST_USE_FROM));
}

} // namespace
