// The full-screen saver on two monitors side by side, as the test scripts' two-screen X server
// shows them to Wine: the slideshow stays on the primary monitor, and the other one is covered
// by a black window that passes its input on to the saver.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

#include "harness/saver_run.h"
#include "harness/screen.h"
#include "e2e/password_doubles.h"
#include "pinned.h"

namespace {

BOOL CALLBACK NoteSecondMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
        *(RECT *)found = info.rcMonitor;
    return TRUE;
}

RECT SecondMonitor() {
    RECT found = {};
    EnumDisplayMonitors(NULL, NULL, NoteSecondMonitor, (LPARAM)&found);
    return found;
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

class TwoMonitors : public testing::Test {
  protected:
    void SetUp() override {
        // Without the X extensions that tell of monitors, Wine sees one wide screen, and a saver
        // covering it would prove nothing.
        ASSERT_EQ(2, GetSystemMetrics(SM_CMONITORS)) << "this display shows Wine one monitor";
        second = SecondMonitor();
        ASSERT_FALSE(IsRectEmpty(&second));
        middle = {(second.left + second.right) / 2, (second.top + second.bottom) / 2};
    }
    // The saver with the pointer resting on the second monitor, where its anchor then lies.
    void Start(const std::vector<std::string> &fakes = {}) {
        ParkCursor(middle.x, middle.y);
        run.Doubles(fakes);
        window = run.Start();
        ASSERT_TRUE(window != NULL);
    }

    RECT second = {};
    POINT middle = {};
    SaverRun run;
    HWND window = NULL;
};

TEST_F(TwoMonitors, TheSecondMonitorIsBlackThroughTheShow) {
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

TEST_F(TwoMonitors, InputOnTheSecondMonitorCloses) {
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
TEST_F(TwoMonitors, TheWindows95PasswordGuardsTheSecondMonitorToo) {
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

} // namespace
