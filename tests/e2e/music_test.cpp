// The songs, heard through the sequencer double beside the saver: every command the saver sends
// is in the double's log, and the test decides when a song ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <time.h>
#include <vector>

#include "harness/saver_harness.h"
#include "pinned.h"

#include <mmsystem.h>

namespace {

const char LOG_NAME[] = "fake_mci.log";

std::string SongFile(int song) {
    char directory[MAX_PATH], name[MAX_PATH];
    GetTempPathA(sizeof(directory), directory);
    GetTempFileNameA(directory, "Mdi", pinned::SONG_FILE_BEFORE_FIRST + song, name);
    return name;
}

std::string SongResource(int song) {
    HMODULE saver = LoadLibraryExA(SaverPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    std::string content;
    HRSRC found =
        saver ? FindResourceA(saver, MAKEINTRESOURCEA(pinned::SONG_RESOURCE_BEFORE_FIRST + song),
                              "MIDI")
              : NULL;
    if (found != NULL)
        content.assign((const char *)LockResource(LoadResource(saver, found)),
                       SizeofResource(saver, found));
    if (saver != NULL)
        FreeLibrary(saver);
    return content;
}

void RemoveSongFiles() {
    DeleteFileA(SongFile(1).c_str());
    DeleteFileA(SongFile(2).c_str());
}

void WriteQuietHours(int active, int from, int to) {
    std::string text =
        "[" + std::string(pinned::SETTINGS_SECTION) + "]\r\nTimeFrom=" + std::to_string(from) +
        "\r\nTimeTo=" + std::to_string(to) + "\r\nActive=" + std::to_string(active) + "\r\n";
    WriteWholeFile(SettingsFile(), text);
}

int LocalHourNow() {
    time_t now = time(NULL);
    return localtime(&now)->tm_hour;
}

// Runs `run(hour)`, a saver run whose outcome depends on the local hour, and runs it once more
// when the hour turned meanwhile: the saver may then have read the next hour. An hour cannot
// turn twice within two runs. The caller records what it saw inside `run` and judges it after.
template <typename Run> void InOneHour(Run run) {
    for (int tries = 0; tries < 2; tries++) {
        int hour = LocalHourNow();
        run(hour);
        if (LocalHourNow() == hour)
            return;
    }
}

// The log's lines, lower-cased: the system is free in the case of the names it forms.
std::vector<std::string> ReadLog(const std::string &path) {
    std::vector<std::string> lines = ReadLogLines(path);
    for (std::string &line : lines)
        line = Lower(line);
    return lines;
}

// Which song a sequencer was opened on: 1, 2, or 0 for neither.
int SongOf(const std::string &openLine) {
    for (int song = 1; song <= 2; song++)
        if (openLine.find("element=\"" + Lower(SongFile(song)) + "\"") != std::string::npos)
            return song;
    return 0;
}

__attribute__((format(printf, 1, 2))) std::string Format(const char *format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return Lower(text);
}

unsigned long long Handle(HWND window) {
    return (unsigned long long)(UINT_PTR)window;
}

typedef std::vector<std::string> Commands;

// Open on the song's file, check the port, play with notification to the saver window.
Commands SongStart(int song, unsigned device, HWND window) {
    return {
        Format("OPEN dev=0 flags=0x%lx type=\"sequencer\" element=\"%s\" -> err=0 id=%u",
               (unsigned long)(MCI_OPEN_TYPE | MCI_OPEN_ELEMENT), SongFile(song).c_str(), device),
        Format("STATUS dev=%u flags=0x%lx item=0x%lx -> err=0 return=%lu", device,
               (unsigned long)MCI_STATUS_ITEM, (unsigned long)MCI_SEQ_STATUS_PORT,
               (unsigned long)MCI_SEQ_MAPPER),
        Format("PLAY dev=%u flags=0x%lx callback=0x%llx -> err=0", device,
               (unsigned long)MCI_NOTIFY, Handle(window)),
    };
}

// The song's end reaches the saver, which closes that device.
Commands SongEnd(unsigned device, HWND window) {
    return {
        Format("NOTIFY dev=%u code=%u window=0x%llx", device, (unsigned)MCI_NOTIFY_SUCCESSFUL,
               Handle(window)),
        Format("CLOSE dev=%u flags=0x0 -> err=0", device),
    };
}

// The saver closes while the song plays.
Commands Silenced(unsigned device, HWND window) {
    return {
        Format("CLOSE dev=%u flags=0x0 -> err=0", device),
        Format("NOTIFY dev=%u code=%u window=0x%llx", device, (unsigned)MCI_NOTIFY_ABORTED,
               Handle(window)),
    };
}

Commands operator+(Commands first, const Commands &second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Compares the log from line `at` on with the expected commands, reporting the caller's line.
#define EXPECT_COMMANDS(lines, at, expected) ExpectCommands(__FILE__, __LINE__, lines, at, expected)
void ExpectCommands(const char *file, int line, const std::vector<std::string> &lines, size_t at,
                    const Commands &expected) {
    for (size_t k = 0; k < expected.size(); k++) {
        if (at + k >= lines.size()) {
            ADD_FAILURE_AT(file, line)
                << "log ends before command " << k << ", expected\n  " << expected[k];
            return;
        }
        if (lines[at + k] != expected[k]) {
            ADD_FAILURE_AT(file, line) << "command " << k << " differs\n  expected: " << expected[k]
                                       << "\n  logged:   " << lines[at + k];
        }
    }
}

class Music : public testing::Test {
  protected:
    void SetUp() override {
        ParkCursor(100, 100);
        DeleteFileA(SettingsFile().c_str());
        RemoveSongFiles();
        folder = MakeSaverFolder({"winmm.dll"});
        log = folder + "\\" + LOG_NAME;
        // A name of this test's own, so that no other sequencer double hears it.
        std::string eventName = "QuorvaneSongEnd-" + std::to_string(GetCurrentProcessId());
        songEnd = CreateEventA(NULL, FALSE, FALSE, eventName.c_str());
        SetEnvironmentVariableA("FAKE_MCI_EVENT", eventName.c_str());
        PreferFakeDll("winmm");
    }
    void TearDown() override {
        StopSaver(&saver);
        SetEnvironmentVariableA("FAKE_MCI_EVENT", NULL);
        SetEnvironmentVariableA("FAKE_MCI_FAIL", NULL);
        SetEnvironmentVariableA("FAKE_MCI_END_CODE", NULL);
        SetEnvironmentVariableA("FAKE_MCI_PLAY_MS", NULL);
        ResetWineAppSettings();
        DeleteFileA(SettingsFile().c_str());
        RemoveSongFiles();
        CloseHandle(songEnd);
        RemoveSaverFolder(folder);
    }

    void Start(const std::string &arguments = "/s", HWND parent = NULL) {
        StopSaver(&saver);
        DeleteFileA(log.c_str());
        ASSERT_TRUE(StartSaverIn(folder, arguments, &saver));
        window = WaitForReadySaver(saver, parent);
        ASSERT_TRUE(window != NULL) << "no saver window";
    }

    // Waits until the log holds at least `count` lines of the given command ("" for any).
    std::vector<std::string> WaitForLog(int count, const char *command = "") {
        std::vector<std::string> lines;
        WaitUntil(LOG_MS, [&] {
            lines = ReadLog(log);
            return CountLinesStarting(lines, command) >= count;
        });
        return lines;
    }

    void CloseByKey() {
        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(saver));
    }

    // After the saver's end: every device closed, no song file left.
    void ExpectCleanEnd() {
        int open, most;
        CountOpenDevices(ReadLog(log), &open, &most);
        EXPECT_EQ(0, open);
        EXPECT_FALSE(FileExists(SongFile(1)));
        EXPECT_FALSE(FileExists(SongFile(2)));
    }

    std::string folder;
    std::string log;
    HANDLE songEnd = NULL;
    SaverProcess saver;
    HWND window = NULL;
};

TEST_F(Music, AFullScreenStartWritesBothSongsAndPlaysOne) {
    Start();
    std::vector<std::string> lines = WaitForLog(1, "play ");
    ASSERT_EQ(3u, lines.size());
    for (int song = 1; song <= 2; song++) {
        std::string expected = SongResource(song);
        std::string written = ReadWholeFile(SongFile(song));
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(written == expected)
            << "song " << song << ": " << written.size() << " bytes written, " << expected.size()
            << " in the saver";
    }
    int song = SongOf(lines[0]);
    ASSERT_NE(0, song) << lines[0];
    EXPECT_COMMANDS(lines, 0, SongStart(song, 1, window));

    CloseByKey();
    lines = ReadLog(log);
    EXPECT_COMMANDS(lines, 3, Silenced(1, window));
    EXPECT_EQ(5u, lines.size());
    ExpectCleanEnd();
}

TEST_F(Music, EachEndPlaysTheOtherSongAndClosesTheFinishedOne) {
    Start();
    std::vector<std::string> lines = WaitForLog(1, "play ");
    int song = SongOf(lines.empty() ? "" : lines[0]);
    ASSERT_NE(0, song);
    EXPECT_COMMANDS(lines, 0, SongStart(song, 1, window));

    const unsigned ENDS = 5;
    for (unsigned device = 1; device <= ENDS; device++) {
        SetEvent(songEnd);
        lines = WaitForLog(device + 1, "play ");
        song = 3 - song;
        SCOPED_TRACE("end of song " + std::to_string(device));
        EXPECT_COMMANDS(lines, 3 + 5 * (device - 1),
                        SongEnd(device, window) + SongStart(song, device + 1, window));
    }
    int open, most;
    CountOpenDevices(lines, &open, &most);
    EXPECT_EQ(1, open);
    EXPECT_EQ(1, most);

    CloseByKey();
    lines = ReadLog(log);
    EXPECT_COMMANDS(lines, 3 + 5 * ENDS, Silenced(ENDS + 1, window));
    EXPECT_EQ(5 + 5 * ENDS, lines.size());
    ExpectCleanEnd();
}

TEST_F(Music, TheFirstSongIsDrawnAtRandom) {
    // The generator is seeded with the time in seconds: runs a second apart draw afresh, and
    // a dozen of them all giving the same song happens once in two thousand.
    bool heard[3] = {};
    for (int run = 0; run < 12 && !(heard[1] && heard[2]); run++) {
        DWORD started = GetTickCount();
        Start();
        std::vector<std::string> lines = WaitForLog(1, "play ");
        ASSERT_FALSE(lines.empty());
        heard[SongOf(lines[0])] = true;
        CloseByKey();
        DWORD spent = GetTickCount() - started;
        if (spent < 1100)
            Sleep(1100 - spent);
    }
    EXPECT_TRUE(heard[1]);
    EXPECT_TRUE(heard[2]);
    EXPECT_FALSE(heard[0]);
}

TEST_F(Music, AnActivationWhilePlayingStartsNothing) {
    Start();
    std::vector<std::string> lines = WaitForLog(1, "play ");
    int song = SongOf(lines.empty() ? "" : lines[0]);
    ASSERT_NE(0, song);
    // The song not playing is not in use; its absence shows whether anything rewrites it.
    ASSERT_TRUE(DeleteFileA(SongFile(3 - song).c_str()));

    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageA(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    PumpFor(QUIET_MS);
    EXPECT_EQ(3u, ReadLog(log).size());
    EXPECT_FALSE(FileExists(SongFile(3 - song)));
    EXPECT_TRUE(FileExists(SongFile(song)));
    EXPECT_TRUE(StillRunning(saver, 0));

    CloseByKey();
    EXPECT_EQ(5u, ReadLog(log).size());
    ExpectCleanEnd();
}

TEST_F(Music, QuietHoursKeepTheSaverSilent) {
    struct {
        int active, from, to; // hours relative to the current one
        bool plays;
        const char *window;
    } const cases[] = {
        {1, 0, 0, false, "this hour alone"},
        {0, 0, 0, true, "this hour alone, not in force"},
        {1, 1, 1, true, "the next hour alone"},
        {1, 0, -1, false, "from this hour round to the one before"},
        {1, 1, -1, true, "from the next hour round to the one before"},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.window);
        int plays = 0;
        bool written = false;
        InOneHour([&](int hour) {
            WriteQuietHours(test.active, (hour + test.from + 24) % 24, (hour + test.to + 24) % 24);
            Start();
            if (test.plays)
                WaitForLog(1, "play ");
            else
                PumpFor(QUIET_MS);
            plays = CountLinesStarting(ReadLog(log), "play ");
            written = FileExists(SongFile(1)) || FileExists(SongFile(2));
            CloseByKey();
            ExpectCleanEnd();
        });
        EXPECT_EQ(test.plays ? 1 : 0, plays);
        EXPECT_EQ(test.plays, written);
    }
}

// Activation comes again when a password prompt opens and closes and when the window goes: the
// quiet hours are read each time, but the first activation has decided the run.
TEST_F(Music, ARunStartedInTheQuietHoursStaysSilent) {
    std::vector<std::string> lines;
    bool written = true;
    InOneHour([&](int hour) {
        WriteQuietHours(1, hour, hour);
        Start();
        WriteQuietHours(1, (hour + 1) % 24, (hour + 1) % 24);
        SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        PumpFor(QUIET_MS);
        written = FileExists(SongFile(1)) || FileExists(SongFile(2));
        CloseByKey();
        lines = ReadLog(log);
        ExpectCleanEnd();
    });
    EXPECT_EQ(Commands{}, lines);
    EXPECT_FALSE(written);
}

TEST_F(Music, ThePreviewIsSilent) {
    HWND host = CreateHostWindow(NULL, 152, 112);
    ASSERT_TRUE(host != NULL);
    Start("/p " + std::to_string((ULONG_PTR)host), host);
    // Activation reaches the preview too: clicking into the host activates it.
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    PumpFor(QUIET_MS);
    EXPECT_FALSE(FileExists(log));
    EXPECT_FALSE(FileExists(SongFile(1)));
    EXPECT_FALSE(FileExists(SongFile(2)));
    DestroyWindow(host);
    EXPECT_EQ(0u, WaitForExit(saver));
}

TEST_F(Music, ASequencerFailureLeavesTheSaverSilentWithNothingOpen) {
    struct {
        const char *fail;    // errors the double answers with
        const char *endCode; // or how it ends every play at once
        const char *lastCommand;
        Commands expected; // {0} stands for the first song's file
    } const cases[] = {
        {"OPEN=275",
         "",
         "open ",
         {"OPEN dev=0 flags=0x2200 type=\"sequencer\" element=\"{0}\" -> err=275 id=0"}},
        {"STATUS=346",
         "",
         "close ",
         {"OPEN dev=0 flags=0x2200 type=\"sequencer\" element=\"{0}\" -> err=0 id=1",
          "STATUS dev=1 flags=0x100 item=0x4003 -> err=346 return=0",
          "CLOSE dev=1 flags=0x0 -> err=0"}},
        {"PLAY=339",
         "",
         "close ",
         {"OPEN dev=0 flags=0x2200 type=\"sequencer\" element=\"{0}\" -> err=0 id=1",
          "STATUS dev=1 flags=0x100 item=0x4003 -> err=0 return=65535",
          "PLAY dev=1 flags=0x1 callback={w} -> err=339", "CLOSE dev=1 flags=0x0 -> err=0"}},
        // A device that fails while playing would fail the other song too: each is opened once
        // at most, and here the second never.
        {"",
         "8",
         "close ",
         {"OPEN dev=0 flags=0x2200 type=\"sequencer\" element=\"{0}\" -> err=0 id=1",
          "STATUS dev=1 flags=0x100 item=0x4003 -> err=0 return=65535",
          "PLAY dev=1 flags=0x1 callback={w} -> err=0", "NOTIFY dev=1 code=8 window={w}",
          "CLOSE dev=1 flags=0x0 -> err=0"}},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(std::string(test.fail) + test.endCode);
        SetEnvironmentVariableA("FAKE_MCI_FAIL", test.fail);
        SetEnvironmentVariableA("FAKE_MCI_END_CODE", test.endCode);
        SetEnvironmentVariableA("FAKE_MCI_PLAY_MS", *test.endCode != '\0' ? "0" : NULL);
        Start();
        std::vector<std::string> lines = WaitForLog(1, test.lastCommand);
        PumpFor(QUIET_MS);
        lines = ReadLog(log);
        ASSERT_FALSE(lines.empty());
        int song = SongOf(lines[0]);
        ASSERT_NE(0, song) << lines[0];
        Commands expected;
        for (std::string line : test.expected) {
            size_t at;
            if ((at = line.find("{0}")) != std::string::npos)
                line.replace(at, 3, SongFile(song));
            while ((at = line.find("{w}")) != std::string::npos)
                line.replace(at, 3, Format("0x%llx", Handle(window)));
            expected.push_back(Lower(line));
        }
        EXPECT_COMMANDS(lines, 0, expected);
        EXPECT_EQ(expected.size(), lines.size());
        EXPECT_TRUE(StillRunning(saver, 0));
        CloseByKey();
        EXPECT_EQ(expected.size(), ReadLog(log).size());
        ExpectCleanEnd();
    }
}

// Wine's own sequencer finds no sound device here: it accepts the play and never ends it.
TEST(MusicRealSequencer, RunsSilentlyAndLeavesNoFile) {
    ResetWineAppSettings();
    DeleteFileA(SettingsFile().c_str());
    RemoveSongFiles();
    ParkCursor(100, 100);
    std::string folder = MakeSaverFolder({});
    SaverProcess saver;
    ASSERT_TRUE(StartSaverIn(folder, "/s", &saver));
    ASSERT_TRUE(WaitForReadySaver(saver) != NULL);
    EXPECT_TRUE(
        WaitUntil(LOG_MS, [] { return FileExists(SongFile(1)) && FileExists(SongFile(2)); }));
    EXPECT_TRUE(StillRunning(saver));

    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, WaitForExit(saver));
    EXPECT_FALSE(FileExists(SongFile(1)));
    EXPECT_FALSE(FileExists(SongFile(2)));
    EXPECT_FALSE(FileExists(folder + "\\" + LOG_NAME));
    RemoveSaverFolder(folder);
}

} // namespace
