// The Windows 95 password lock and the change-password mode, run in a Wine prefix that reports
// Windows 95 to the saver. Doubles of the system's password modules sit beside it: their logs show
// every loading, check and change-password call, and the test decides each check's answer.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "harness/saver_run.h"
#include "e2e/password_doubles.h"
#include "frame/saver_state.h"
#include "pinned.h"

namespace {

const char MPR_LOG[] = "fake_mpr.log";
const DWORD DIALOG_MS = 500; // how long the double's dialog stays open where it matters
// After a check has ended, until a new one may surely be asked for: the interval and room for a
// slow machine to pass the input on.
const DWORD PAST_RECHECK_MS = pinned::PASSWORD_RECHECK_MS + 300;

// The double's line for the change-password call the saver is to make.
std::string ChangeAsked(HWND owner) {
    return "PwdChangePasswordA provider=\"SCRSAVE\" window=" + Hex(owner) +
           " flags=0 info=0x0 -> 0";
}

class PasswordLock : public testing::Test {
  protected:
    // Keys and clicks, not the mouse, ask for the close: under Wine this process cannot move the
    // cursor for good while a full-screen window holds it.
    void SetUp() override {
        UseWindows95Password(&run);
    }

    // Starts "quorvane.scr <arguments>" in a new folder with the given doubles beside it.
    void Launch(const std::vector<std::string> &fakes, const std::string &arguments) {
        run.Doubles(fakes);
        ASSERT_TRUE(run.Launch(arguments));
    }

    // The full-screen saver with the given doubles, up and ready for input.
    void StartSaver(const std::vector<std::string> &fakes) {
        run.Doubles(fakes);
        window = run.Start();
        ASSERT_TRUE(window != NULL) << "no saver window";
    }

    // A password is set; the verifier refuses once, its dialog open for a while, then approves.
    void StartRefusingOnce() {
        WritePasswordValue(Dword(1));
        run.Env("FAKE_PWD_ANSWERS", "0,1");
        run.Env("FAKE_PWD_DELAY_MS", std::to_string(DIALOG_MS).c_str());
        StartSaver({"password.cpl"});
    }
    Lines Refused() const {
        return {"load", Asked(window, 0)};
    }
    Lines RefusedThenApproved() const {
        return Refused() + Lines{Asked(window, 1), "unload"};
    }

    Lines PasswordLog() const {
        return ReadLogLines(run.File(PASSWORD_LOG));
    }
    Lines MprLog() const {
        return ReadLogLines(run.File(MPR_LOG));
    }

    // Waits until the password double has logged at least `count` lines.
    Lines WaitForPasswordLog(size_t count) {
        Lines lines;
        WaitUntil(LOG_MS, [&] { return (lines = PasswordLog()).size() >= count; });
        return lines;
    }

    // The double's dialog shows the arrow while it is open; a refused saver hides it again.
    bool WaitForDialogOpen() {
        return WaitUntil(LOG_MS, [] { return ForegroundCursor() != NULL; });
    }
    bool WaitForDialogClosed() {
        return WaitUntil(LOG_MS, [] { return ForegroundCursor() == NULL; });
    }

    bool StillRunning(DWORD ms = 0) {
        return ::StillRunning(run.saver, ms);
    }
    DWORD Exit() {
        return WaitForExit(run.saver);
    }

    SaverRun run;
    HWND window = NULL;
};

TEST_F(PasswordLock, AKeyAsksOnceAndAnApprovalCloses) {
    struct {
        const char *form;
        PasswordValue value;
    } const cases[] = {
        {"a number 1", Dword(1)},
        {"four bytes, only the last set", Binary(std::string("\0\0\0\1", 4))},
        {"a single byte 1", Binary(std::string("\1", 1))},
    };
    run.Env("FAKE_PWD_ANSWERS", "1");
    for (const auto &test : cases) {
        SCOPED_TRACE(test.form);
        WritePasswordValue(test.value);
        StartSaver({"password.cpl"});
        EXPECT_SEQUENCE(PasswordLog(), Lines{"load"});
        EXPECT_TRUE(SaverRunningFlag());

        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, Exit());
        EXPECT_SEQUENCE(PasswordLog(), (Lines{"load", Asked(window, 1), "unload"}));
        EXPECT_FALSE(SaverRunningFlag());
    }
}

TEST_F(PasswordLock, ARefusalKeepsTheSaverUpWithTheCursorHidden) {
    StartRefusingOnce();
    ASSERT_TRUE(ForegroundCursor() == NULL);

    PressKey(VK_SHIFT);
    ASSERT_EQ(2u, WaitForPasswordLog(2).size());
    // The dialog shows its cursor, and this test can see it.
    EXPECT_TRUE(WaitForDialogOpen());
    ASSERT_TRUE(WaitForDialogClosed());
    PumpFor(PAST_RECHECK_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_EQ(window, GetForegroundWindow());
    EXPECT_TRUE(SaverRunningFlag());
    EXPECT_SEQUENCE(PasswordLog(), Refused());

    ClickLeft();
    EXPECT_EQ(0u, Exit());
    EXPECT_SEQUENCE(PasswordLog(), RefusedThenApproved());
    EXPECT_FALSE(SaverRunningFlag());
}

TEST_F(PasswordLock, AKeyRightAfterTheDialogAsksNothingOneLaterAsksAgain) {
    StartRefusingOnce();

    PressKey(VK_SHIFT);
    ASSERT_EQ(2u, WaitForPasswordLog(2).size());
    // The dialog does not read input here: this key waits behind it and arrives at the saver the
    // moment it has closed.
    ASSERT_TRUE(WaitForDialogOpen());
    PressKey(VK_SHIFT);
    ASSERT_TRUE(WaitForDialogClosed());
    PumpFor(PAST_RECHECK_MS + QUIET_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_SEQUENCE(PasswordLog(), Refused());

    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, Exit());
    EXPECT_SEQUENCE(PasswordLog(), RefusedThenApproved());
}

// Hundreds of keys and clicks in a second against a verifier that always refuses: the saver
// stays up and never asks again within the interval after a check.
TEST_F(PasswordLock, AnInputStormAsksAtMostOncePerInterval) {
    WritePasswordValue(Dword(1));
    run.Env("FAKE_PWD_ANSWERS", "0");
    StartSaver({"password.cpl"});

    const size_t BURSTS = 20, EVENTS = 30; // 600 events, a burst every 50 ms
    DWORD start = GetTickCount();
    for (size_t burst = 0; burst < BURSTS; burst++) {
        SendStorm(InputStorm(EVENTS, burst * EVENTS, false));
        PumpFor(50);
    }
    DWORD span = GetTickCount() - start;
    PumpFor(pinned::PASSWORD_RECHECK_MS + QUIET_MS);

    EXPECT_TRUE(StillRunning());
    Lines lines = PasswordLog();
    ASSERT_GE(lines.size(), 2u);
    size_t checks = lines.size() - 1; // after "load"
    printf("%u checks in %lu ms of storm\n", (unsigned)checks, (unsigned long)span);
    EXPECT_LE(checks, MostChecks(span));
    for (size_t k = 1; k < lines.size(); k++)
        EXPECT_EQ(Asked(window, 0), lines[k]);
}

TEST_F(PasswordLock, ACloseDuringTheCheckIsRefusedAndTheMouseReanchored) {
    // The dialog runs the saver's messages, as a modal dialog's own loop does, and the user moves
    // the mouse over to it: the saver must measure from there afterwards.
    run.Env("FAKE_PWD_PUMP", "1");
    run.Env("FAKE_PWD_MOVE", "60,40");
    StartRefusingOnce();
    POINT before;
    GetCursorPos(&before);

    PressKey(VK_SHIFT);
    ASSERT_EQ(2u, WaitForPasswordLog(2).size());
    ASSERT_TRUE(WaitForDialogOpen());
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForDialogClosed());
    PumpFor(PAST_RECHECK_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_SEQUENCE(PasswordLog(), Refused());

    POINT after;
    GetCursorPos(&after);
    ASSERT_EQ(100, abs(after.x - before.x) + abs(after.y - before.y));
    // Toward the middle of the screen, so that the moves stay on it.
    int dx = after.x < GetSystemMetrics(SM_CXSCREEN) / 2 ? 1 : -1;
    int dy = after.y < GetSystemMetrics(SM_CYSCREEN) / 2 ? 1 : -1;
    SetCursorPos(after.x + 3 * dx, after.y + dy); // 4 from where the dialog left it
    PumpFor(QUIET_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_SEQUENCE(PasswordLog(), Refused());

    SetCursorPos(after.x + 4 * dx, after.y + dy); // 5
    EXPECT_EQ(0u, Exit());
    EXPECT_SEQUENCE(PasswordLog(), RefusedThenApproved());
}

TEST_F(PasswordLock, WithoutAPasswordTheFirstKeyClosesAndNothingIsAsked) {
    struct {
        const char *setting;
        PasswordValue value;
        std::vector<std::string> fakes;
        Lines logged; // by the time the window is up, and at the end
    } const cases[] = {
        {"the value 0", Dword(0), {"password.cpl"}, {}},
        {"no value", NO_VALUE, {"password.cpl"}, {}},
        {"a value of eight bytes",
         Binary(std::string("\1\0\0\0\0\0\0\0", 8)),
         {"password.cpl"},
         {}},
        {"no password module", Dword(1), {}, {}},
        {"a module without the verifier", Dword(1), {"noexport/password.cpl"}, {"load", "unload"}},
    };
    run.Env("FAKE_PWD_ANSWERS", "0");
    for (const auto &test : cases) {
        SCOPED_TRACE(test.setting);
        WritePasswordValue(test.value);
        StartSaver(test.fakes);
        EXPECT_SEQUENCE(PasswordLog(), test.logged);
        EXPECT_FALSE(SaverRunningFlag());

        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, Exit());
        EXPECT_SEQUENCE(PasswordLog(), test.logged);
        EXPECT_FALSE(SaverRunningFlag());
    }
}

TEST_F(PasswordLock, AFaultDuringTheCheckClearsTheRunningFlag) {
    WritePasswordValue(Dword(1));
    run.Env("FAKE_PWD_FAULT", "1");
    StartSaver({"password.cpl"});
    EXPECT_TRUE(SaverRunningFlag());

    PressKey(VK_SHIFT);
    EXPECT_EQ((DWORD)SAVER_FAULT_EXIT, Exit());
    EXPECT_FALSE(SaverRunningFlag());
}

TEST_F(PasswordLock, OnTheNtFamilyNothingIsLoaded) {
    ResetWineAppSettings();
    PreferFakeDll("mpr");
    WritePasswordValue(Dword(1));
    StartSaver({"password.cpl"});
    EXPECT_FALSE(SaverRunningFlag());
    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, Exit());
    EXPECT_SEQUENCE(PasswordLog(), Lines{});
    EXPECT_FALSE(SaverRunningFlag());

    Launch({"mpr.dll"}, "/a 1");
    EXPECT_EQ((DWORD)-1, Exit());
    EXPECT_SEQUENCE(MprLog(), Lines{});
}

class ChangePassword : public PasswordLock {
  protected:
    void SetUp() override {
        PasswordLock::SetUp();
        // The display settings' window that starts the mode, and another one in front.
        owner = CreateWindowA("STATIC", "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                              NULL, NULL);
        front = CreateWindowA("STATIC", "Front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                              NULL, NULL, NULL, NULL);
        run.AtEnd([this] {
            DestroyWindow(front);
            DestroyWindow(owner);
        });
        SetForegroundWindow(front);
        ASSERT_TRUE(owner != NULL);
        ASSERT_TRUE(WaitUntil(START_MS, [this] { return GetForegroundWindow() == front; }));
    }

    HWND owner = NULL;
    HWND front = NULL;
};

TEST_F(ChangePassword, TheProviderIsCalledWithTheOwnerWindow) {
    struct {
        std::string arguments;
        HWND expected;
    } const cases[] = {
        {"/a " + std::to_string((ULONG_PTR)owner), owner},
        {"-A" + std::to_string((ULONG_PTR)owner), owner},
        {"/a " + std::to_string((ULONG_PTR)owner) + " 1", owner},
        // Not a window: the foreground window owns the dialog.
        {"/a", front},
        {"/a 0", front},
        {"/a 1", front},
        {"/a 4294967297", front},
    };
    PreferFakeDll("mpr");
    for (const auto &test : cases) {
        SCOPED_TRACE(test.arguments);
        Launch({"mpr.dll"}, test.arguments);
        EXPECT_EQ(0u, Exit());
        EXPECT_SEQUENCE(MprLog(), (Lines{"load", ChangeAsked(test.expected), "unload"}));
        EXPECT_EQ(0, CountSaverWindows());
    }
}

TEST_F(ChangePassword, WithoutTheProviderTheModeStillEndsWell) {
    struct {
        const char *provider;
        std::vector<std::string> fakes;
        Lines logged;
    } const cases[] = {
        {"no provider module", {}, {}},
        {"a provider without the export", {"noexport/mpr.dll"}, {"load", "unload"}},
    };
    // Only a module beside the saver may serve; the system's own is not taken instead.
    PreferFakeDll("mpr");
    for (const auto &test : cases) {
        SCOPED_TRACE(test.provider);
        Launch(test.fakes, "/a " + std::to_string((ULONG_PTR)owner));
        EXPECT_EQ(0u, Exit());
        EXPECT_SEQUENCE(MprLog(), test.logged);
    }
}

} // namespace
