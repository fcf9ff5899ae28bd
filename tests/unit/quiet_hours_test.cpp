#include <gtest/gtest.h>

#include "show/quiet_hours.h"

#include <string>

namespace {

// Which of the 24 hours are quiet, as a string of 'q' and '.', hour 0 first.
std::string QuietPattern(LONG from, LONG to, LONG active) {
    SaverSettings settings = {from, to, active};
    std::string pattern;
    for (int hour = 0; hour < 24; hour++)
        pattern += QuietHours(settings, hour) ? 'q' : '.';
    return pattern;
}

TEST(QuietHours, WindowPastMidnight) {
    // 20:00 to the end of 08:00: 19:59 plays, 20:00, 23:30, 00:10 and 08:59 do not, 09:00 does.
    EXPECT_EQ("qqqqqqqqq...........qqqq", QuietPattern(20, 8, 1));
    EXPECT_EQ("q......................q", QuietPattern(23, 0, 1));
}

TEST(QuietHours, WindowWithinOneDay) {
    EXPECT_EQ("........qqqqqqqqqqqqq...", QuietPattern(8, 20, 1));
    EXPECT_EQ("qqqqqqqqqqqqqqqqqqqqqqqq", QuietPattern(0, 23, 1));
    EXPECT_EQ("..............q.........", QuietPattern(14, 14, 1));
}

TEST(QuietHours, InactiveOrUnreachableHours) {
    EXPECT_EQ("........................", QuietPattern(20, 8, 0));
    EXPECT_EQ("........................", QuietPattern(0, 0, 0)); // no settings file
    // A hand-edited 25 is never reached: only the end decides.
    EXPECT_EQ("qqqqqqqqq...............", QuietPattern(25, 8, 1));
    EXPECT_EQ("qqqqqqqqqqqqqqqqqqqqqqqq", QuietPattern(30, 25, 1));
    EXPECT_EQ("qqqqqqqqqqqqqqqqqqqqqqqq", QuietPattern(-5, 40, 1));
    EXPECT_EQ("qqqqqqqqq...........qqqq", QuietPattern(20, 8, -1)); // any non-zero is on
}

} // namespace
