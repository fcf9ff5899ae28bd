// The Windows 95 password lock and the change-password mode, run in a Wine prefix that reports
// Windows 95 to the saver. Doubles of the system's password modules sit beside it: their logs show
// every loading, check and change-password call, and the test decides each check's answer.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "harness/saver_harness.h"
#include "e2e/password_doubles.h"
#include "frame/saver_state.h"

namespace {

const char MPR_LOG[] = "fake_mpr.log";
const DWORD RECHECK_MS = 200; // no new check within this time after the last one ended
const DWORD DIALOG_MS = 500;  // how long the double's dialog stays open where it matters
// After a check has ended, until a new one may surely be asked for: the interval and room for a
// slow machine to pass the input on.
const DWORD PAST_RECHECK_MS = RECHECK_MS + 300;

typedef std::vector<std::string> Lines;

std::string Hex(unsigned long long value) {
    char text[32];
    snprintf(text, sizeof(text), "0x%llx", value);
    return text;
}

std::string Hex(HWND window) {
    return Hex((unsigned long long)(UINT_PTR)window);
}

// The double's line for one check of the password, owned by `window`.
std::string Asked(HWND window, int answer) {
    return "VerifyScreenSavePwd window=" + Hex(window) + " -> " + std::to_string(answer);
}

// The double's line for the change-password call the saver is to make.
std::string ChangeAsked(HWND owner) {
    return "PwdChangePasswordA provider=\"SCRSAVE\" window=" + Hex(owner) +
           " flags=0 info=0x0 -> 0";
}

// Compares a whole log with the expected lines, reporting the caller's line.
#define EXPECT_LOG(path, expected) ExpectLog(__FILE__, __LINE__, path, expected)
void ExpectLog(const char *file, int line, const std::string &path, const Lines &expected) {
    Lines logged = ReadLogLines(path);
    if (logged == expected)
        return;
    std::string listing = "expected:";
    for (const std::string &text : expected)
        listing += "\n  " + text;
    listing += "\nlogged:";
    for (const std::string &text : logged)
        listing += "\n  " + text;
    ADD_FAILURE_AT(file, line) << listing;
}

const char *const FAKE_SETTINGS[] = {"FAKE_PWD_ANSWERS", "FAKE_PWD_DELAY_MS", "FAKE_PWD_PUMP",
                                     "FAKE_PWD_MOVE", "FAKE_PWD_FAULT"};

class PasswordLock : public testing::Test {
  protected:
    void SetUp() override {
        // Keys and clicks, not the mouse, ask for the close: under Wine this process cannot
        // move the cursor for good while a full-screen window holds it.
        savedValue = ReadPasswordValue();
        ClearSaverRunningFlag();
        ReportWindowsVersion("win95");
    }
    void TearDown() override {
        StopSaver(&saver);
        for (const char *name : FAKE_SETTINGS)
            SetEnvironmentVariableA(name, NULL);
        WritePasswordValue(savedValue);
        ResetWineAppSettings();
        ClearSaverRunningFlag();
        if (!folder.empty())
            RemoveSaverFolder(folder);
    }

    // Starts "quorvane.scr <arguments>" in a new folder with the given doubles beside it.
    void Launch(const std::vector<std::string> &fakes, const std::string &arguments) {
        StopSaver(&saver);
        if (!folder.empty())
            RemoveSaverFolder(folder);
        folder = MakeSaverFolder(fakes);
        ASSERT_TRUE(StartSaverIn(folder, arguments, &saver));
    }

    // The full-screen saver with the given doubles, up and ready for input.
    void StartSaver(const std::vector<std::string> &fakes) {
        Launch(fakes, "/s");
        window = WaitForReadySaver(saver);
        ASSERT_TRUE(window != NULL) << "no saver window";
    }

    std::string PasswordLog() const {
        return folder + "\\" + PASSWORD_LOG;
    }
    std::string MprLog() const {
        return folder + "\\" + MPR_LOG;
    }

    // Waits until the password double has logged at least `count` lines.
    Lines WaitForPasswordLog(size_t count) {
        Lines lines;
        WaitUntil(LOG_MS, [&] {
            lines = ReadLogLines(PasswordLog());
            return lines.size() >= count;
        });
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
        return ::StillRunning(saver, ms);
    }

    PasswordValue savedValue;
    std::string folder;
    SaverProcess saver;
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
    SetEnvironmentVariableA("FAKE_PWD_ANSWERS", "1");
    for (const auto &test : cases) {
        SCOPED_TRACE(test.form);
        WritePasswordValue(test.value);
        StartSaver({"password.cpl"});
        EXPECT_LOG(PasswordLog(), Lines{"load"});
        EXPECT_TRUE(SaverRunningFlag());

        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(saver));
        EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 1), "unload"}));
        EXPECT_FALSE(SaverRunningFlag());
    }
}

TEST_F(PasswordLock, ARefusalKeepsTheSaverUpWithTheCursorHidden) {
    WritePasswordValue(Dword(1));
    SetEnvironmentVariableA("FAKE_PWD_ANSWERS", "0,1");
    SetEnvironmentVariableA("FAKE_PWD_DELAY_MS", std::to_string(DIALOG_MS).c_str());
    StartSaver({"password.cpl"});
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
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0)}));

    ClickLeft();
    EXPECT_EQ(0u, WaitForExit(saver));
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0), Asked(window, 1), "unload"}));
    EXPECT_FALSE(SaverRunningFlag());
}

TEST_F(PasswordLock, AKeyRightAfterTheDialogAsksNothingOneLaterAsksAgain) {
    WritePasswordValue(Dword(1));
    SetEnvironmentVariableA("FAKE_PWD_ANSWERS", "0,1");
    SetEnvironmentVariableA("FAKE_PWD_DELAY_MS", std::to_string(DIALOG_MS).c_str());
    StartSaver({"password.cpl"});

    PressKey(VK_SHIFT);
    ASSERT_EQ(2u, WaitForPasswordLog(2).size());
    // The dialog does not read input here: this key waits behind it and arrives at the saver the
    // moment it has closed.
    ASSERT_TRUE(WaitForDialogOpen());
    PressKey(VK_SHIFT);
    ASSERT_TRUE(WaitForDialogClosed());
    PumpFor(PAST_RECHECK_MS + QUIET_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0)}));

    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, WaitForExit(saver));
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0), Asked(window, 1), "unload"}));
}

// Hundreds of keys and clicks in a second against a verifier that always refuses: the saver
// stays up and never asks again within the interval after a check.
TEST_F(PasswordLock, AnInputStormAsksAtMostOncePerInterval) {
    WritePasswordValue(Dword(1));
    SetEnvironmentVariableA("FAKE_PWD_ANSWERS", "0");
    StartSaver({"password.cpl"});

    const int BURSTS = 20, EVENTS = 30; // 600 events, a burst every 50 ms
    DWORD start = GetTickCount();
    for (int burst = 0; burst < BURSTS; burst++) {
        INPUT inputs[EVENTS];
        ZeroMemory(inputs, sizeof(inputs));
        for (int k = 0; k < EVENTS; k++) {
            if (k % 3 == 2) {
                inputs[k].type = INPUT_MOUSE;
                inputs[k].mi.dwFlags = k % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
            } else {
                inputs[k].type = INPUT_KEYBOARD;
                inputs[k].ki.wVk = (WORD)('A' + burst);
                inputs[k].ki.dwFlags = k % 3 == 1 ? KEYEVENTF_KEYUP : 0;
            }
        }
        SendInput(EVENTS, inputs, sizeof(INPUT));
        PumpFor(50);
    }
    PumpFor(RECHECK_MS + QUIET_MS);
    DWORD elapsed = GetTickCount() - start;

    EXPECT_TRUE(StillRunning());
    Lines lines = ReadLogLines(PasswordLog());
    ASSERT_GE(lines.size(), 2u);
    size_t checks = lines.size() - 1; // after "load"
    printf("%u checks in %lu ms of storm and quiet\n", (unsigned)checks, (unsigned long)elapsed);
    EXPECT_LE(checks, elapsed / RECHECK_MS + 1);
    for (size_t k = 1; k < lines.size(); k++)
        EXPECT_EQ(Asked(window, 0), lines[k]);
}

TEST_F(PasswordLock, ACloseDuringTheCheckIsRefusedAndTheMouseReanchored) {
    WritePasswordValue(Dword(1));
    SetEnvironmentVariableA("FAKE_PWD_ANSWERS", "0,1");
    SetEnvironmentVariableA("FAKE_PWD_DELAY_MS", std::to_string(DIALOG_MS).c_str());
    // The dialog runs the saver's messages, as a modal dialog's own loop does, and the user moves
    // the mouse over to it: the saver must measure from there afterwards.
    SetEnvironmentVariableA("FAKE_PWD_PUMP", "1");
    SetEnvironmentVariableA("FAKE_PWD_MOVE", "60,40");
    StartSaver({"password.cpl"});
    POINT before;
    GetCursorPos(&before);

    PressKey(VK_SHIFT);
    ASSERT_EQ(2u, WaitForPasswordLog(2).size());
    ASSERT_TRUE(WaitForDialogOpen());
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForDialogClosed());
    PumpFor(PAST_RECHECK_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0)}));

    POINT after;
    GetCursorPos(&after);
    ASSERT_EQ(100, abs(after.x - before.x) + abs(after.y - before.y));
    // Toward the middle of the screen, so that the moves stay on it.
    int dx = after.x < GetSystemMetrics(SM_CXSCREEN) / 2 ? 1 : -1;
    int dy = after.y < GetSystemMetrics(SM_CYSCREEN) / 2 ? 1 : -1;
    SetCursorPos(after.x + 3 * dx, after.y + dy); // 4 from where the dialog left it
    PumpFor(QUIET_MS);
    EXPECT_TRUE(StillRunning());
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0)}));

    SetCursorPos(after.x + 4 * dx, after.y + dy); // 5
    EXPECT_EQ(0u, WaitForExit(saver));
    EXPECT_LOG(PasswordLog(), (Lines{"load", Asked(window, 0), Asked(window, 1), "unload"}));
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
    SetEnvironmentVariableA("FAKE_PWD_ANSWERS", "0");
    for (const auto &test : cases) {
        SCOPED_TRACE(test.setting);
        WritePasswordValue(test.value);
        StartSaver(test.fakes);
        EXPECT_LOG(PasswordLog(), test.logged);
        EXPECT_FALSE(SaverRunningFlag());

        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(saver));
        EXPECT_LOG(PasswordLog(), test.logged);
        EXPECT_FALSE(SaverRunningFlag());
    }
}

TEST_F(PasswordLock, AFaultDuringTheCheckClearsTheRunningFlag) {
    WritePasswordValue(Dword(1));
    SetEnvironmentVariableA("FAKE_PWD_FAULT", "1");
    StartSaver({"password.cpl"});
    EXPECT_TRUE(SaverRunningFlag());

    PressKey(VK_SHIFT);
    EXPECT_EQ((DWORD)SAVER_FAULT_EXIT, WaitForExit(saver));
    EXPECT_FALSE(SaverRunningFlag());
}

TEST_F(PasswordLock, OnTheNtFamilyNothingIsLoaded) {
    ResetWineAppSettings();
    PreferFakeDll("mpr");
    WritePasswordValue(Dword(1));
    StartSaver({"password.cpl"});
    EXPECT_FALSE(SaverRunningFlag());
    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, WaitForExit(saver));
    EXPECT_LOG(PasswordLog(), Lines{});
    EXPECT_FALSE(SaverRunningFlag());

    Launch({"mpr.dll"}, "/a 1");
    EXPECT_EQ((DWORD)-1, WaitForExit(saver));
    EXPECT_LOG(MprLog(), Lines{});
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

class ChangePassword : public PasswordLock {
  protected:
    void SetUp() override {
        PasswordLock::SetUp();
        WNDCLASSA ownerClass = {};
        ownerClass.lpfnWndProc = OwnerProc;
        ownerClass.hInstance = GetModuleHandleA(NULL);
        ownerClass.lpszClassName = "ChangePasswordOwner";
        RegisterClassA(&ownerClass);
        // The display settings' window that starts the mode, and another one in front.
        owner = CreateWindowA("ChangePasswordOwner", "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              NULL, NULL, GetModuleHandleA(NULL), NULL);
        front = CreateWindowA("ChangePasswordOwner", "Front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                              50, 200, 100, NULL, NULL, GetModuleHandleA(NULL), NULL);
        SetForegroundWindow(front);
        ASSERT_TRUE(owner != NULL);
        ASSERT_TRUE(WaitUntil(START_MS, [this] { return GetForegroundWindow() == front; }));
    }
    void TearDown() override {
        DestroyWindow(front);
        DestroyWindow(owner);
        PasswordLock::TearDown();
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
        EXPECT_EQ(0u, WaitForExit(saver));
        EXPECT_LOG(MprLog(), (Lines{"load", ChangeAsked(test.expected), "unload"}));
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
        EXPECT_EQ(0u, WaitForExit(saver));
        EXPECT_LOG(MprLog(), test.logged);
    }
}

} // namespace
