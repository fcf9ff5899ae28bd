// What users and their machines throw at the saver: storms of input, broken drivers, folders it
// cannot write. It must end the way it always ends, or not at all. (Settings files in pieces are
// the settings dialog's tests.)
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

#include "harness/saver_run.h"
#include "frame/saver_state.h"
#include "pinned.h"

namespace {

// The sequencer double beside a copy of the saver; its log tells what the saver asked.
class WithSequencer : public testing::Test {
  protected:
    void SetUp() override {
        ParkCursor(100, 100);
        run.OwnSettingsFile();
        run.Doubles({"winmm.dll"});
        log = run.File("fake_mci.log");
        PreferFakeDll("winmm");
    }

    void Start() {
        ASSERT_TRUE(run.Start() != NULL);
    }

    int CountLogLines(const char *prefix) {
        return CountLinesStarting(ReadLogLines(log), prefix);
    }

    SaverRun run;
    std::string log;
};

// The song files the saver left in a folder.
int SongFilesIn(const std::string &folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\Mdi*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        count++;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// A folder on a file system of 8 KB, which the test scripts mount where they may and name in
// QUORVANE_SMALL_TMP; "" when there is none. No Windows program can make one itself.
std::string SmallFolder() {
    char folder[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("QUORVANE_SMALL_TMP", folder, sizeof(folder));
    DWORD attributes = GetFileAttributesA(folder);
    if (length == 0 || length >= sizeof(folder) || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "";
    return folder;
}

// The second song starts from the sequencer's notification, a posted message; a fault there
// reaches the guard on every platform. (64-bit Windows swallows faults in window procedures
// that the system calls back, such as activation during creation.)
TEST_F(WithSequencer, AFaultInADriverEndsTheSaverThroughItsGuard) {
    run.Env("FAKE_MCI_FAULT", "2");
    run.Env("FAKE_MCI_PLAY_MS", "300");
    ASSERT_TRUE(run.Launch("/s"));
    // No crash dialog waits for anyone: the process ends at once with the guard's code.
    EXPECT_EQ((DWORD)SAVER_FAULT_EXIT, WaitForExit(run.saver));
    EXPECT_EQ(1, CountLogLines("PLAY "));
    EXPECT_TRUE(WaitUntil(EXIT_MS, [] { return CountSaverWindows() == 0; }));
}

// Songs that cannot be written whole are never handed to the sequencer, nor left behind, and
// the saver tries once a run, however often it is activated.
TEST_F(WithSequencer, ATemporaryFolderThatTakesNoSongLeavesTheSaverSilent) {
    struct {
        const char *what;
        std::string temporary;
    } const cases[] = {
        // A file where the folder should be: nothing can be created inside it.
        {"unwritable", run.folder + "\\not-a-folder"},
        // Too long for the song's name to fit the saver's record.
        {"over-long", run.folder + "\\" + std::string(120, 'x')},
        // Too small for a song: the system reports the short write as a success.
        {"full", SmallFolder()},
    };
    ASSERT_TRUE(WriteWholeFile(cases[0].temporary, "x"));
    ASSERT_TRUE(CreateDirectoryA(cases[1].temporary.c_str(), NULL));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.temporary.empty())
            continue;
        run.Env("TMP", c.temporary.c_str());
        run.Env("TEMP", c.temporary.c_str());
        DeleteFileA(log.c_str());
        Start();
        for (WPARAM state : {WA_INACTIVE, WA_ACTIVE, WA_CLICKACTIVE, WA_INACTIVE, WA_ACTIVE})
            SendMessageA(run.window, WM_ACTIVATE, state, 0);
        EXPECT_TRUE(StillRunning(run.saver));
        EXPECT_EQ(0, CountLogLines("OPEN ")) << ReadWholeFile(log);
        EXPECT_EQ(0, SongFilesIn(c.temporary));
        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(run.saver));
    }
    RemoveDirectoryA(cases[1].temporary.c_str());
    if (cases[2].temporary.empty())
        GTEST_SKIP() << "the full folder's case: QUORVANE_SMALL_TMP names no folder of 8 KB";
}

TEST_F(WithSequencer, AnInputStormEndsTheSaverOnce) {
    Start();
    ASSERT_EQ(600u, SendStorm(InputStorm(600)));
    EXPECT_EQ(0u, WaitForExit(run.saver));
    EXPECT_TRUE(WaitUntil(EXIT_MS, [] { return CountSaverWindows() == 0; }));
    // One song was playing and was closed once, at the one end.
    EXPECT_EQ(1, CountLogLines("PLAY "));
    EXPECT_EQ(1, CountLogLines("CLOSE "));
}

// Ten thousand pictures while the songs end every few milliseconds: the process's graphics
// objects and windows stay where the first cycle left them, and one sequencer at most is open.
TEST_F(WithSequencer, TenThousandPicturesLeakNothingWhileSongsComeAndGo) {
    run.Env("FAKE_MCI_PLAY_MS", "20");
    Start();
    for (int k = 0; k < 5; k++)
        SendMessageA(run.window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
    LRESULT objects = AskProbe(PROBE_GDI_OBJECTS), windows = AskProbe(PROBE_WINDOWS);
    ASSERT_GT(objects, 0) << "the probe did not answer";

    DWORD start = GetTickCount();
    for (int k = 0; k < 10000; k++) {
        SendMessageA(run.window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
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
    EXPECT_TRUE(StillRunning(run.saver, 0));

    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, WaitForExit(run.saver));
    CountOpenDevices(ReadLogLines(log), &open, &most);
    EXPECT_EQ(0, open);
}

} // namespace
