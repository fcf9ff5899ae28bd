#include <gtest/gtest.h>

#include "frame/frame_rules.h"

#include <string>
#include <vector>

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

TEST(NeedsBlanket, EveryMonitorWhollyBesideTheSaverWindow) {
    const RECT saver = {0, 0, 640, 480};
    static const struct {
        RECT monitor;
        bool needs;
    } cases[] = {
        {{0, 0, 640, 480}, false},     // the primary monitor itself
        {{640, 0, 1440, 600}, true},   // beside it
        {{-1024, 0, 0, 768}, true},    // to its left, at negative coordinates
        {{0, 480, 640, 960}, true},    // below it, edge to edge
        {{0, 0, 800, 600}, false},     // a pseudo-monitor reaching beyond it
        {{100, 100, 400, 300}, false}, // within it
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.needs, NeedsBlanket(c.monitor, saver))
            << c.monitor.left << "," << c.monitor.top << " - " << c.monitor.right << ","
            << c.monitor.bottom;
}

// What happens to the blankets when the display changes under them: a row per layout.
TEST(PlanBlankets, FollowsTheMonitors) {
    const RECT primary = {0, 0, 640, 480}, right = {640, 0, 1440, 600}, left = {-800, 0, 0, 600};
    const RECT bigger = {0, 0, 800, 600}, rightOfBigger = {800, 0, 1600, 600};
    const RECT below = {0, 480, 640, 960};
    static const struct {
        const char *what;
        RECT saver;
        std::vector<RECT> monitors, blankets;
        std::vector<int> cover; // per blanket
        std::vector<int> fresh; // monitors that get a new blanket
    } cases[] = {
        {"nothing changed", primary, {primary, right}, {right}, {1}, {}},
        {"one monitor, no blanket", primary, {primary}, {}, {}, {}},
        {"a monitor plugged in", primary, {primary, right}, {}, {}, {1}},
        {"a monitor unplugged", primary, {primary}, {right}, {NO_MONITOR}, {}},
        {"the monitor moved to the left", primary, {primary, left}, {right}, {1}, {}},
        {"the primary grew and pushed it on", bigger, {bigger, rightOfBigger}, {right}, {1}, {}},
        {"a mirror the grown window now covers",
         bigger,
         {bigger, primary},
         {primary},
         {NO_MONITOR},
         {}},
        {"blankets stay where they lie",
         primary,
         {primary, right, left},
         {left, right},
         {2, 1},
         {}},
        {"one gone, the other kept", primary, {primary, left}, {right, left}, {NO_MONITOR, 1}, {}},
        {"one moved, one new", primary, {left, primary, below}, {right}, {0}, {2}},
        {"a mirroring driver's monitor over the whole desktop",
         primary,
         {primary, right, {0, 0, 1440, 600}},
         {},
         {},
         {1}},
        {"the second on the left, one pseudo-monitor over all, one over part of the primary",
         primary,
         {left, {-800, 0, 640, 600}, primary, {320, 240, 960, 720}},
         {left},
         {0},
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        BlanketPlan plan = PlanBlankets(c.monitors.data(), (int)c.monitors.size(), c.saver,
                                        c.blankets.data(), (int)c.blankets.size());
        EXPECT_EQ(c.cover, std::vector<int>(plan.cover, plan.cover + c.blankets.size()));
        std::vector<int> fresh;
        for (int m = 0; m < MOST_MONITORS; m++)
            if (plan.fresh[m])
                fresh.push_back(m);
        EXPECT_EQ(c.fresh, fresh);
    }
}

} // namespace
