#include <gtest/gtest.h>

#include "frame/frame_rules.h"

#include <string>

namespace {

struct SkipCase {
    const char *commandLine;
    const char *arguments;
};

TEST(SkipProgramName, LeavesTheArguments) {
    static const SkipCase cases[] = {
        {"quorvane.scr /s", "/s"},
        {"quorvane.scr", ""},
        {"quorvane.scr   \t /p 12", "/p 12"},
        {"\"C:\\Program Files\\quorvane.scr\" /c", "/c"},
        {"\"C:\\Program Files\\quorvane.scr\"/c", "/c"},
        {"\"C:\\no closing quote /s", ""},
        {"\"\" /s", "/s"},
        {"", ""},
        {"q.scr\x01\x02/s", "/s"}, // control bytes count as white space
        {"caf\xe9.scr /s", "/s"},  // bytes above 0x7F belong to the name
        {"q.scr /s  trailing", "/s  trailing"},
    };
    for (const SkipCase &c : cases)
        EXPECT_STREQ(c.arguments, SkipProgramName(c.commandLine)) << "for " << c.commandLine;
}

TEST(ParseWindowHandle, ReadsLeadingDigitsOnly) {
    static const struct {
        const char *text;
        DWORD value;
    } cases[] = {
        {"1234", 1234},
        {"1234abc", 1234},
        {"0001234", 1234},
        {"", 0},
        {"abc", 0},
        {" 12", 0},  // callers skip spaces
        {"-5", 0},   // no sign
        {"0x1F", 0}, // no hexadecimal
        {"4294967295", 0xFFFFFFFF},
        {"4294967297", 1}, // 2^32 + 1 wraps
        {"99999999999999999999", 0x630FFFFF},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.value, ParseWindowHandle(c.text)) << "for \"" << c.text << "\"";
}

struct ModeCase {
    const char *arguments;
    SaverMode mode;
    const char *modeArgument; // NULL: not looked at
};

TEST(SelectSaverMode, FirstSignificantByteDecides) {
    static const ModeCase cases[] = {
        {"", MODE_SETTINGS, nullptr},
        {"  --//- ", MODE_SETTINGS, nullptr},
        {"/s", MODE_FULL_SCREEN, nullptr},
        {"-S", MODE_FULL_SCREEN, nullptr},
        {"   s", MODE_FULL_SCREEN, nullptr},
        {"//s", MODE_FULL_SCREEN, nullptr},
        {"/s5", MODE_FULL_SCREEN, nullptr},
        {"/c", MODE_SETTINGS_OWNED, nullptr},
        {"/C:1234", MODE_SETTINGS_OWNED, nullptr},
        {"/p 1234", MODE_PREVIEW, "1234"},
        {"/p1234", MODE_PREVIEW, "1234"},
        {"/P   77 9", MODE_PREVIEW, "77 9"},
        {"/l 1234", MODE_PREVIEW, "1234"},
        {"/p\t12", MODE_PREVIEW, "\t12"}, // only spaces are skipped after the letter
        {"/p", MODE_PREVIEW, ""},
        {"/a 99", MODE_CHANGE_PASSWORD, "99"},
        {"-A99", MODE_CHANGE_PASSWORD, "99"},
        {"/x", MODE_INVALID, nullptr},
        {"5", MODE_INVALID, nullptr},
        {"/\ts", MODE_INVALID, nullptr}, // a tab after the slash is not skipped
        {"\xd3", MODE_INVALID, nullptr}, // a byte above 0x7F is no letter
        {"/\x01s", MODE_INVALID, nullptr},
    };
    for (const ModeCase &c : cases) {
        const char *modeArgument = nullptr;
        EXPECT_EQ(c.mode, SelectSaverMode(c.arguments, &modeArgument)) << "for " << c.arguments;
        if (c.modeArgument != nullptr) {
            EXPECT_STREQ(c.modeArgument, modeArgument) << "for " << c.arguments;
        }
    }
}

TEST(MouseTravel, SumsBothAxes) {
    static const struct {
        POINT anchor, now;
        DWORD travel;
    } cases[] = {
        {{100, 100}, {100, 100}, 0}, {{100, 100}, {103, 101}, 4},
        {{100, 100}, {104, 101}, 5}, {{100, 100}, {97, 99}, 4},
        {{0, 0}, {-3, 2}, 5},        {{-2147483647 - 1, 0}, {2147483647, 0}, 0xFFFFFFFF},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.travel, MouseTravel(c.anchor, c.now))
            << "from " << c.anchor.x << "," << c.anchor.y << " to " << c.now.x << "," << c.now.y;
}

TEST(PasswordCheckDue, WaitsTheIntervalAcrossWrapAround) {
    static const struct {
        DWORD last, now;
        bool due;
    } cases[] = {
        {NO_PASSWORD_CHECK_YET, 0, true},
        {NO_PASSWORD_CHECK_YET, 12345, true},
        {1000, 1000, false},
        {1000, 1199, false},
        {1000, 1200, true},
        {0xFFFFFF00, 0x00000007, true},  // 263 ms across the wrap
        {0xFFFFFFF0, 0x000000B7, false}, // 199 ms across the wrap
        {0xFFFFFFF0, 0x000000B8, true},  // 200 ms across the wrap
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.due, PasswordCheckDue(c.last, c.now)) << "last " << c.last << " now " << c.now;
}

TEST(NeedsBlanket, EveryMonitorTheSaverWindowDoesNotCoverWhole) {
    const RECT saver = {0, 0, 640, 480};
    static const struct {
        RECT monitor;
        bool needs;
    } cases[] = {
        {{0, 0, 640, 480}, false},     // the primary monitor itself
        {{640, 0, 1440, 600}, true},   // beside it
        {{-1024, 0, 0, 768}, true},    // to its left, at negative coordinates
        {{0, 0, 800, 600}, true},      // a mirror that shows more than the window covers
        {{100, 100, 400, 300}, false}, // within it
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.needs, NeedsBlanket(c.monitor, saver))
            << c.monitor.left << "," << c.monitor.top << " - " << c.monitor.right << ","
            << c.monitor.bottom;
}

} // namespace
