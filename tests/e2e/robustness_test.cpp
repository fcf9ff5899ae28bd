// What users and their machines throw at the saver: storms of input, broken drivers, folders it
// cannot write, settings files in pieces. It must end the way it always ends, or not at all.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <string>

#include "harness/saver_harness.h"
#include "frame/saver_state.h"
#include "pinned.h"

namespace {

// The sequencer double beside a copy of the saver; its log tells what the saver asked.
class WithSequencer : public testing::Test {
  protected:
    void SetUp() override {
        ParkCursor(100, 100);
        DeleteFileA(SettingsFile().c_str());
        folder = MakeSaverFolder({"winmm.dll"});
        log = folder + "\\fake_mci.log";
        PreferFakeDll("winmm");
        GetEnvironmentVariableA("TMP", savedTmp, sizeof(savedTmp));
        GetEnvironmentVariableA("TEMP", savedTemp, sizeof(savedTemp));
    }
    void TearDown() override {
        StopSaver(&saver);
        SetEnvironmentVariableA("FAKE_MCI_FAULT", NULL);
        SetEnvironmentVariableA("FAKE_MCI_PLAY_MS", NULL);
        SetEnvironmentVariableA("TMP", savedTmp[0] ? savedTmp : NULL);
        SetEnvironmentVariableA("TEMP", savedTemp[0] ? savedTemp : NULL);
        ResetWineAppSettings();
        RemoveSaverFolder(folder);
    }

    void Start() {
        ASSERT_TRUE(StartSaverIn(folder, "/s", &saver));
        window = WaitForReadySaver(saver);
        ASSERT_TRUE(window != NULL);
    }

    int CountLogLines(const char *prefix) {
        return CountLinesStarting(ReadLogLines(log), prefix);
    }

    std::string folder, log;
    char savedTmp[MAX_PATH] = "", savedTemp[MAX_PATH] = "";
    SaverProcess saver;
    HWND window = NULL;
};

// The second song starts from the sequencer's notification, a posted message; a fault there
// reaches the guard on every platform. (64-bit Windows swallows faults in window procedures
// that the system calls back, such as activation during creation.)
TEST_F(WithSequencer, AFaultInADriverEndsTheSaverThroughItsGuard) {
    SetEnvironmentVariableA("FAKE_MCI_FAULT", "PLAY:2");
    SetEnvironmentVariableA("FAKE_MCI_PLAY_MS", "300");
    ASSERT_TRUE(StartSaverIn(folder, "/s", &saver));
    // No crash dialog waits for anyone: the process ends at once with the guard's code.
    EXPECT_EQ((DWORD)SAVER_FAULT_EXIT, WaitForExit(saver));
    EXPECT_EQ(1, CountLogLines("PLAY "));
    EXPECT_TRUE(WaitUntil(EXIT_MS, [] { return CountSaverWindows() == 0; }));
}

// Songs that cannot be written are never handed to the sequencer, and the saver tries once a
// run, however often it is activated.
TEST_F(WithSequencer, ATemporaryFolderThatTakesNoSongLeavesTheSaverSilent) {
    struct {
        const char *what;
        std::string temporary;
    } const cases[] = {
        // A file where the folder should be: nothing can be created inside it.
        {"unwritable", folder + "\\not-a-folder"},
        // Too long for the song's name to fit the saver's record.
        {"over-long", folder + "\\" + std::string(120, 'x')},
    };
    ASSERT_TRUE(WriteWholeFile(cases[0].temporary, "x"));
    ASSERT_TRUE(CreateDirectoryA(cases[1].temporary.c_str(), NULL));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetEnvironmentVariableA("TMP", c.temporary.c_str());
        SetEnvironmentVariableA("TEMP", c.temporary.c_str());
        DeleteFileA(log.c_str());
        Start();
        for (WPARAM state : {WA_INACTIVE, WA_ACTIVE, WA_CLICKACTIVE, WA_INACTIVE, WA_ACTIVE})
            SendMessageA(window, WM_ACTIVATE, state, 0);
        EXPECT_TRUE(StillRunning(saver));
        EXPECT_EQ(0, CountLogLines("OPEN ")) << ReadWholeFile(log);
        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(saver));
    }
    RemoveDirectoryA(cases[1].temporary.c_str());
}

TEST_F(WithSequencer, AnInputStormEndsTheSaverOnce) {
    Start();
    INPUT storm[600];
    ZeroMemory(storm, sizeof(storm));
    for (int k = 0; k < 600; k++) {
        INPUT &input = storm[k];
        switch (k % 6) {
        case 0:
        case 1:
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = (WORD)('A' + k % 26);
            input.ki.dwFlags = k % 6 == 1 ? KEYEVENTF_KEYUP : 0;
            break;
        case 2:
        case 3:
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = k % 6 == 2 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
            break;
        default:
            input.type = INPUT_MOUSE;
            input.mi.dx = k % 12 < 6 ? 7 : -7;
            input.mi.dy = 3;
            input.mi.dwFlags = MOUSEEVENTF_MOVE;
            break;
        }
    }
    ASSERT_EQ(600u, SendInput(600, storm, sizeof(INPUT)));
    EXPECT_EQ(0u, WaitForExit(saver));
    EXPECT_TRUE(WaitUntil(EXIT_MS, [] { return CountSaverWindows() == 0; }));
    // One song was playing and was closed once, at the one end.
    EXPECT_EQ(1, CountLogLines("PLAY "));
    EXPECT_EQ(1, CountLogLines("CLOSE "));
}

// Ten thousand pictures while the songs end every few milliseconds: the process's graphics
// objects and windows stay where the first cycle left them, and one sequencer at most is open.
TEST_F(WithSequencer, TenThousandPicturesLeakNothingWhileSongsComeAndGo) {
    SetEnvironmentVariableA("FAKE_MCI_PLAY_MS", "20");
    Start();
    for (int k = 0; k < 5; k++)
        SendMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
    LRESULT objects = AskProbe(PROBE_GDI_OBJECTS), windows = AskProbe(PROBE_WINDOWS);
    ASSERT_GT(objects, 0) << "the probe did not answer";

    DWORD start = GetTickCount();
    for (int k = 0; k < 10000; k++) {
        SendMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
        if (k % 100 == 0)
            PumpFor(0);
    }
    DWORD spent = GetTickCount() - start;
    LRESULT objectsAfter = AskProbe(PROBE_GDI_OBJECTS), windowsAfter = AskProbe(PROBE_WINDOWS);
    int open, most;
    CountOpenDevices(ReadLogLines(log), &open, &most);
    printf("10000 pictures in %lu ms, %d songs; graphics objects %ld -> %ld, windows %ld -> %ld\n",
           (unsigned long)spent, CountLogLines("PLAY "), (long)objects, (long)objectsAfter,
           (long)windows, (long)windowsAfter);
    EXPECT_EQ(objects, objectsAfter);
    EXPECT_EQ(windows, windowsAfter);
    EXPECT_GT(CountLogLines("PLAY "), 10) << "the songs did not come and go";
    EXPECT_EQ(1, most);
    EXPECT_TRUE(StillRunning(saver, 0));

    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, WaitForExit(saver));
    CountOpenDevices(ReadLogLines(log), &open, &most);
    EXPECT_EQ(0, open);
}

struct Random {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// Settings files cut short and made of noise: the dialog opens and the saver runs on each.
TEST(DamagedSettings, RandomAndTruncatedFiles) {
    const std::string whole = "[" + std::string(pinned::SETTINGS_SECTION) +
                              "]\r\nTimeFrom=21\r\nTimeTo=7\r\nActive=1\r\n";
    const char noise[] = "[]=\r\n\n;#QuorvanelsScreenSaverTimeFromTo Active-0123456789\x00\xff\x80";
    Random random = {7};
    for (int k = 0; k < 8; k++) {
        std::string content;
        if (k % 2 == 0) {
            content = whole.substr(0, random.Next() % whole.size());
        } else {
            for (uint32_t n = random.Next() % 200; n > 0; n--)
                content += noise[random.Next() % (sizeof(noise) - 1)];
        }
        SCOPED_TRACE(testing::Message() << "file " << k << ": " << testing::PrintToString(content));
        ASSERT_TRUE(WriteWholeFile(SettingsFile(), content));

        SaverProcess saver;
        ASSERT_TRUE(StartSaver("/c", &saver));
        HWND dialog = WaitForVisibleWindow(saver, pinned::DIALOG_TITLE);
        ASSERT_TRUE(dialog != NULL);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(pinned::DIALOG_EXIT, WaitForExit(saver));

        ParkCursor(100, 100);
        ASSERT_TRUE(StartSaver("/s", &saver));
        ASSERT_TRUE(WaitForReadySaver(saver) != NULL);
        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(saver));
    }
    DeleteFileA(SettingsFile().c_str());
}

} // namespace
