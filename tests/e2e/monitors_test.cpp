// The full-screen saver on two monitors side by side, as the test script's X server shows them
// to Wine: the slideshow stays on the primary monitor, and the other one is covered by a black
// window that passes its input on to the saver. Then the display changes while the saver runs,
// and the cover follows it.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

#include "harness/pictures.h"
#include "harness/saver_run.h"
#include "harness/screen.h"
#include "e2e/password_doubles.h"
#include "frame/saver_state.h"
#include "pinned.h"

namespace {

// The monitor other than the primary, which alone has its top left corner at the origin.
RECT SecondMonitorArea() {
    for (const RECT &monitor : Monitors())
        if (monitor.left != 0 || monitor.top != 0)
            return monitor;
    return RECT{};
}

bool AllBlack(const RECT &area) {
    RECT drawn = NonBlackBounds(CaptureScreen(area), area);
    return IsRectEmpty(&drawn);
}

// The visible windows of the process that lie on the area, other than the saver window.
int WindowsCovering(const SaverProcess &saver, const RECT &area) {
    int count = 0;
    for (HWND window : WindowsBelow(NULL)) {
        RECT bounds, common;
        GetWindowRect(window, &bounds);
        count += ProcessOf(window) == saver.info.dwProcessId && IsWindowVisible(window) &&
                 WindowClass(window) != pinned::SAVER_CLASS &&
                 IntersectRect(&common, &bounds, &area);
    }
    return count;
}

std::string Placement(SecondMonitor second) {
    return second == SECOND_LEFT ? "Left" : second == SECOND_RIGHT ? "Right" : "None";
}

// The second monitor right of the primary, and left of it at negative coordinates.
class TwoMonitors : public testing::TestWithParam<SecondMonitor> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ArrangeDisplay({640, 480, GetParam()})) << "the display did not change";
        // Without the X extensions that tell of monitors, Wine sees one wide screen, and a saver
        // covering it would prove nothing.
        ASSERT_EQ(2, GetSystemMetrics(SM_CMONITORS)) << "this display shows Wine one monitor";
        second = SecondMonitorArea();
        ASSERT_FALSE(IsRectEmpty(&second));
        middle = {(second.left + second.right) / 2, (second.top + second.bottom) / 2};
    }
    // The saver with the pointer resting on the second monitor (or at `at`), where its anchor
    // then lies.
    void Start(const std::vector<std::string> &fakes = {}, const POINT *at = nullptr) {
        ParkCursor(at != nullptr ? at->x : middle.x, at != nullptr ? at->y : middle.y);
        run.Doubles(fakes);
        window = run.Start();
        ASSERT_TRUE(window != NULL);
    }

    // From now on the system refuses the saver every blanket, as a computer-based-training hook
    // of kiosk or security software may: the hook's module refuses only in a process whose
    // environment names the class, and logs each refusal beside itself.
    void RefuseBlankets() {
        refusals = BinaryDir() + "refuser.log";
        DeleteFileA(refusals.c_str());
        run.Env("FAKE_REFUSE_CLASS", BLANKET_CLASS);
        HMODULE module = LoadLibraryA((BinaryDir() + "refuser.dll").c_str());
        ASSERT_TRUE(module != NULL);
        HHOOK hook = SetWindowsHookExA(
            WH_CBT, (HOOKPROC)(void (*)())GetProcAddress(module, "RefuseWindows"), module, 0);
        ASSERT_TRUE(hook != NULL);
        run.AtEnd([=] {
            UnhookWindowsHookEx(hook);
            FreeLibrary(module);
            DeleteFileA(refusals.c_str());
        });
    }
    size_t Refusals() {
        return ReadLogLines(refusals).size();
    }

    RECT second = {};
    POINT middle = {};
    SaverRun run;
    HWND window = NULL;
    std::string refusals;
};

TEST_P(TwoMonitors, TheSecondMonitorIsBlackThroughTheShow) {
    Start();
    EXPECT_EQ(1, WindowsCovering(run.saver, second));
    EXPECT_EQ(1, CountSaverWindows());
    EXPECT_EQ(window, GetForegroundWindow());
    RECT bounds;
    GetWindowRect(window, &bounds);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), bounds.right - bounds.left);
    EXPECT_TRUE(WaitUntil(SCREEN_MS, [&] { return AllBlack(second); }));
    for (int tick = 0; tick < 3; tick++) {
        PostMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
        PumpFor(QUIET_MS / 3); // time for a stray drawing to show
        EXPECT_TRUE(AllBlack(second)) << "after tick " << tick;
    }
    // A second start finds only the saver window, and starts nothing.
    EXPECT_EQ(0u, SecondStartExit());
    EXPECT_EQ(1, CountSaverWindows());
    EXPECT_TRUE(StillRunning(run.saver, 0));
}

TEST_P(TwoMonitors, InputOnTheSecondMonitorCloses) {
    const char *const inputs[] = {"key", "click", "mouse travel"};
    for (const char *input : inputs) {
        SCOPED_TRACE(input);
        Start();
        if (input == inputs[0]) {
            PressKey(VK_SHIFT);
        } else if (input == inputs[1]) {
            ClickLeftAt(middle);
        } else {
            SetCursorPos(middle.x + 3, middle.y + 1); // 4 in all: stays
            EXPECT_TRUE(StillRunning(run.saver));
            SetCursorPos(middle.x + 4, middle.y + 1);
        }
        EXPECT_EQ(0u, WaitForExit(run.saver));
        EXPECT_EQ(0, CountSaverWindows());
    }
}

// Clicks on the second monitor against a verifier that always refuses: each asks, at most once
// per interval, and the saver stays up over both monitors.
TEST_P(TwoMonitors, TheWindows95PasswordGuardsTheSecondMonitorToo) {
    UseWindows95Password(&run);
    WritePasswordValue(Dword(1));
    run.Env("FAKE_PWD_ANSWERS", "0");
    Start({"password.cpl"});
    DWORD start = GetTickCount();
    for (int click = 0; click < 20; click++) {
        ClickLeftAt(middle);
        PumpFor(50);
    }
    DWORD span = GetTickCount() - start;
    PumpFor(QUIET_MS);
    Lines lines = ReadLogLines(run.File(PASSWORD_LOG));
    size_t checks = lines.empty() ? 0 : lines.size() - 1; // after "load"
    printf("%u checks in %lu ms of clicks on the second monitor\n", (unsigned)checks,
           (unsigned long)span);
    EXPECT_GE(checks, 1u);
    EXPECT_LE(checks, MostChecks(span));
    Lines expected(checks + 1, Asked(window, 0));
    expected[0] = "load";
    EXPECT_SEQUENCE(lines, expected);
    EXPECT_TRUE(StillRunning(run.saver, 0));
    EXPECT_EQ(1, WindowsCovering(run.saver, second));
    EXPECT_TRUE(WaitUntil(SCREEN_MS, [&] { return AllBlack(second); }));
}

// The second monitor shows the desktop when the system refuses its blanket, but the slideshow
// goes on and every way of closing still works: travel on the primary from an anchor that stays,
// travel in from the second monitor, a key. The refused blanket is asked for again at each tick
// of the show, not at each of hundreds of small moves.
TEST_P(TwoMonitors, ARefusedBlanketCostsNoWayOfClosing) {
    RefuseBlankets();
    const LayoutRow *layout = FullScreenLayoutFor(640, 480);
    ASSERT_TRUE(layout != nullptr);
    const RECT primary = {0, 0, 640, 480};
    const POINT centre = {320, 240};
    const char *const inputs[] = {"travel on the primary", "travel from the second", "key"};
    for (const char *input : inputs) {
        SCOPED_TRACE(input);
        Start({}, input == inputs[0] ? &centre : nullptr);
        size_t asked = Refusals();
        ASSERT_GE(asked, 1u) << "the hook refused nothing";
        EXPECT_EQ(0, WindowsCovering(run.saver, second));
        PostMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
        EXPECT_TRUE(WaitUntil(SCREEN_MS, [&] {
            return PictureShown(primary, *layout, pinned::FULL_SCREEN_CAPTION) != 0;
        }));
        EXPECT_TRUE(WaitUntil(SCREEN_MS, [&] { return Refusals() > asked; }))
            << "the tick asked for no blanket";
        if (input == inputs[0]) {
            asked = Refusals();
            DWORD begun = GetTickCount();
            for (int move = 0; move < 300; move++) {
                SetCursorPos(centre.x + move % 2, centre.y);
                PumpFor(5);
            }
            EXPECT_TRUE(StillRunning(run.saver, 0));
            // The show's own ticks, 8 s apart, may each ask once.
            EXPECT_LE(Refusals(), asked + 1 + (GetTickCount() - begun) / 8000)
                << "asked during 300 moves";
            SetCursorPos(centre.x + 4, centre.y + 1);
        } else if (input == inputs[1]) {
            SetCursorPos(centre.x, centre.y);
        } else {
            PressKey(VK_SHIFT);
        }
        EXPECT_EQ(0u, WaitForExit(run.saver));
    }
}

INSTANTIATE_TEST_SUITE_P(Placements, TwoMonitors, testing::Values(SECOND_RIGHT, SECOND_LEFT),
                         [](const testing::TestParamInfo<SecondMonitor> &row) {
                             return Placement(row.param);
                         });

// A change of the display while the saver runs: made by a program through the system, which
// tells every window, or by the X server from outside, which under Wine tells none. Either way
// no desktop may show afterwards, and the slideshow goes on in the layout of the new screen.
struct DisplayChange {
    const char *name;
    DisplayLayout before, after;
    bool notice; // the primary's mode changed with ChangeDisplaySettingsA
};
void PrintTo(const DisplayChange &change, std::ostream *out) {
    *out << change.name;
}

const DisplayLayout SMALL = {640, 480, NO_SECOND_MONITOR}, LARGE = {800, 600, NO_SECOND_MONITOR};
const DisplayLayout SMALL_AND_SECOND = {640, 480, SECOND_RIGHT};
const DisplayChange DISPLAY_CHANGES[] = {
    {"ALargerModeWithItsNotice", SMALL, LARGE, true},
    {"ALargerModeFromOutside", SMALL, LARGE, false},
    {"ASmallerModeWithItsNotice", LARGE, SMALL, true},
    {"AMonitorPluggedIn", SMALL, SMALL_AND_SECOND, false},
    {"TheMonitorUnplugged", SMALL_AND_SECOND, SMALL, false},
};

// Within this, a change with its notice must be covered: well before the show's first tick,
// 8 s after its start, could mend it instead.
const DWORD NOTICE_MS = 3000;

class DisplayChanges : public testing::TestWithParam<DisplayChange> {
  protected:
    // The display as the other tests expect it.
    void TearDown() override {
        StopSaver(&run.saver);
        EXPECT_TRUE(ArrangeDisplay(STANDARD_DISPLAY)) << "the display was not set back";
    }

    bool ChangeMode(int width, int height) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof(mode);
        mode.dmPelsWidth = width;
        mode.dmPelsHeight = height;
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        return ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
    }

    SaverRun run;
};

TEST_P(DisplayChanges, LeaveNoDesktopShowing) {
    const DisplayChange &change = GetParam();
    ASSERT_TRUE(ArrangeDisplay(change.before)) << "the display did not change";
    ParkCursor(100, 100);
    HWND window = run.Start();
    ASSERT_TRUE(window != NULL);
    EXPECT_TRUE(WaitUntil(SCREEN_MS, [] { return UncoveredPixels() == 0; }))
        << UncoveredPixels() << " pixels of the desktop show before the change";

    DWORD changed = GetTickCount();
    if (change.notice) {
        ASSERT_TRUE(ChangeMode(change.after.width, change.after.height));
        ASSERT_TRUE(WaitUntil(SCREEN_MS, [&] { return DisplayShows(change.after); }));
    } else {
        ASSERT_TRUE(ArrangeDisplay(change.after)) << "the display did not change";
        changed = GetTickCount();
        PostMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
    }
    bool covered =
        WaitUntil(change.notice ? NOTICE_MS : SCREEN_MS, [] { return UncoveredPixels() == 0; });
    printf("%s: covered %lu ms after the change\n", change.name,
           (unsigned long)(GetTickCount() - changed));
    EXPECT_TRUE(covered) << UncoveredPixels() << " pixels of the desktop show";

    RECT screen = {0, 0, change.after.width, change.after.height}, bounds;
    GetWindowRect(window, &bounds);
    EXPECT_TRUE(EqualRect(&screen, &bounds)) << "the saver window is " << bounds.right - bounds.left
                                             << " x " << bounds.bottom - bounds.top;
    // One blanket on the second monitor, where there is one, and none anywhere else.
    RECT second = SecondMonitorArea();
    const RECT anywhere = {-32768, -32768, 32767, 32767};
    bool hasSecond = change.after.second != NO_SECOND_MONITOR;
    EXPECT_TRUE(WaitUntil(
        SCREEN_MS, [&] { return WindowsCovering(run.saver, anywhere) == (hasSecond ? 1 : 0); }))
        << WindowsCovering(run.saver, anywhere) << " blankets";
    if (hasSecond) {
        EXPECT_EQ(1, WindowsCovering(run.saver, second));
    }

    // The next portrait in the full-screen layout of the new screen, with its caption.
    const LayoutRow *layout = FullScreenLayoutFor(change.after.width, change.after.height);
    ASSERT_TRUE(layout != nullptr);
    int shown = 0;
    for (int tick = 0; tick < 3 && (shown == 0 || shown == 5); tick++) {
        PostMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
        WaitUntil(SCREEN_MS, [&] {
            return (shown = PictureShown(screen, *layout, pinned::FULL_SCREEN_CAPTION)) != 0;
        });
    }
    EXPECT_GE(shown, 1) << "no picture of the layout for " << change.after.width << " x "
                        << change.after.height;
    EXPECT_LE(shown, 4);
    EXPECT_TRUE(StillRunning(run.saver, 0));

    // Input on the new monitor closes, as anywhere.
    if (hasSecond) {
        POINT middle = {(second.left + second.right) / 2, (second.top + second.bottom) / 2};
        SetCursorPos(middle.x, middle.y);
    } else {
        PressKey(VK_SHIFT);
    }
    EXPECT_EQ(0u, WaitForExit(run.saver));
}

INSTANTIATE_TEST_SUITE_P(FullScreenSaver, DisplayChanges, testing::ValuesIn(DISPLAY_CHANGES),
                         [](const testing::TestParamInfo<DisplayChange> &row) {
                             return std::string(row.param.name);
                         });

} // namespace
