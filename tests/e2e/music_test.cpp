// The songs, heard through the sequencer double beside the saver: every command the saver sends
// is in the double's log, and the test decides when a song ends.
#include <gtest/gtest.h>

#include <string>
#include <time.h>
#include <vector>

#include "harness/saver_run.h"
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

// Whether either song's file is there.
bool AnySongFile() {
    return FileExists(SongFile(1)) || FileExists(SongFile(2));
}

void RemoveSongFiles() {
    DeleteFileA(SongFile(1).c_str());
    DeleteFileA(SongFile(2).c_str());
}

// Hours counted from midnight, any number of days on.
void WriteQuietHours(int active, int from, int to) {
    WriteWholeFile(SettingsFile(), SettingsText((from + 24) % 24, (to + 24) % 24, active));
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
Lines ReadLog(const std::string &path) {
    Lines lines = ReadLogLines(path);
    for (std::string &line : lines)
        line = Lower(line);
    return lines;
}

// Which song a sequencer was opened on: 1, 2, or 0 for neither.
int SongOf(const Lines &lines) {
    for (int song = 1; song <= 2; song++)
        if (!lines.empty() &&
            lines[0].find("element=\"" + Lower(SongFile(song)) + "\"") != std::string::npos)
            return song;
    return 0;
}

std::string Dev(unsigned device) {
    return " dev=" + std::to_string(device);
}

// Open on the song's file, check the port, play with notification to the saver window.
Lines SongStart(int song, unsigned device, HWND window) {
    return {
        Lower("OPEN dev=0 flags=" + Hex(MCI_OPEN_TYPE | MCI_OPEN_ELEMENT) +
              " type=\"sequencer\" element=\"" + SongFile(song) +
              "\" -> err=0 id=" + std::to_string(device)),
        "status" + Dev(device) + " flags=" + Hex(MCI_STATUS_ITEM) + " item=" +
            Hex(MCI_SEQ_STATUS_PORT) + " -> err=0 return=" + std::to_string(MCI_SEQ_MAPPER),
        "play" + Dev(device) + " flags=" + Hex(MCI_NOTIFY) + " callback=" + Hex(window) +
            " -> err=0",
    };
}

std::string Notify(unsigned device, unsigned code, HWND window) {
    return "notify" + Dev(device) + " code=" + std::to_string(code) + " window=" + Hex(window);
}

std::string Close(unsigned device) {
    return "close" + Dev(device) + " flags=0x0 -> err=0";
}

// The song's end reaches the saver, which closes that device.
Lines SongEnd(unsigned device, HWND window) {
    return {Notify(device, MCI_NOTIFY_SUCCESSFUL, window), Close(device)};
}

// The saver closes while the song plays.
Lines Silenced(unsigned device, HWND window) {
    return {Close(device), Notify(device, MCI_NOTIFY_ABORTED, window)};
}

class Music : public testing::Test {
  protected:
    void SetUp() override {
        ParkCursor(100, 100);
        run.OwnSettingsFile();
        RemoveSongFiles();
        run.AtEnd(RemoveSongFiles);
        run.Doubles({"winmm.dll"});
        log = run.File(LOG_NAME);
        // A name of this test's own, so that no other sequencer double hears it.
        std::string eventName = "QuorvaneSongEnd-" + std::to_string(GetCurrentProcessId());
        songEnd = CreateEventA(NULL, FALSE, FALSE, eventName.c_str());
        run.AtEnd([this] { CloseHandle(songEnd); });
        run.Env("FAKE_MCI_EVENT", eventName.c_str());
        PreferFakeDll("winmm");
    }

    void Start(const std::string &arguments = "/s", HWND parent = NULL) {
        StopSaver(&run.saver);
        DeleteFileA(log.c_str());
        ASSERT_TRUE(run.Start(arguments, parent) != NULL) << "no saver window";
    }

    // Starts the full-screen saver and waits for its first play: the song (0: neither) and the
    // log so far.
    int StartPlaying(Lines *lines) {
        Start();
        *lines = WaitForLog(1, "play ");
        return SongOf(*lines);
    }

    // Waits until the log holds at least `count` lines of the given command ("" for any).
    Lines WaitForLog(int count, const char *command = "") {
        Lines lines;
        WaitUntil(LOG_MS, [&] {
            lines = ReadLog(log);
            return CountLinesStarting(lines, command) >= count;
        });
        return lines;
    }

    void CloseByKey() {
        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(run.saver));
    }

    // After the saver's end: every device closed, no song file left.
    void ExpectCleanEnd() {
        int open, most;
        CountOpenDevices(ReadLog(log), &open, &most);
        EXPECT_EQ(0, open);
        EXPECT_FALSE(AnySongFile());
    }

    SaverRun run;
    std::string log;
    HANDLE songEnd = NULL;
};

TEST_F(Music, AFullScreenStartWritesBothSongsAndPlaysOne) {
    Lines lines;
    int song = StartPlaying(&lines);
    for (int written = 1; written <= 2; written++) {
        std::string expected = SaverResource("MIDI", pinned::SONG_RESOURCE_BEFORE_FIRST + written);
        std::string content = ReadWholeFile(SongFile(written));
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(content == expected)
            << "song " << written << ": " << content.size() << " bytes written, " << expected.size()
            << " in the saver";
    }
    ASSERT_NE(0, song) << testing::PrintToString(lines);
    EXPECT_SEQUENCE(lines, SongStart(song, 1, run.window));

    CloseByKey();
    EXPECT_SEQUENCE(ReadLog(log), SongStart(song, 1, run.window) + Silenced(1, run.window));
    ExpectCleanEnd();
}

TEST_F(Music, EachEndPlaysTheOtherSongAndClosesTheFinishedOne) {
    Lines lines;
    int song = StartPlaying(&lines);
    ASSERT_NE(0, song);
    Lines expected = SongStart(song, 1, run.window);
    EXPECT_SEQUENCE(lines, expected);

    const unsigned ENDS = 5;
    for (unsigned device = 1; device <= ENDS; device++) {
        SetEvent(songEnd);
        lines = WaitForLog(device + 1, "play ");
        song = 3 - song;
        SCOPED_TRACE("end of song " + std::to_string(device));
        expected = expected + SongEnd(device, run.window) + SongStart(song, device + 1, run.window);
        EXPECT_SEQUENCE(lines, expected);
    }
    int open, most;
    CountOpenDevices(lines, &open, &most);
    EXPECT_EQ(1, open);
    EXPECT_EQ(1, most);

    CloseByKey();
    EXPECT_SEQUENCE(ReadLog(log), expected + Silenced(ENDS + 1, run.window));
    ExpectCleanEnd();
}

TEST_F(Music, TheFirstSongIsDrawnAtRandom) {
    // The generator is seeded with the time in seconds: runs a second apart draw afresh, and
    // a dozen of them all giving the same song happens once in two thousand.
    bool heard[3] = {};
    for (int round = 0; round < 12 && !(heard[1] && heard[2]); round++) {
        DWORD started = GetTickCount();
        Start();
        Lines lines = WaitForLog(1, "play ");
        ASSERT_FALSE(lines.empty());
        heard[SongOf(lines)] = true;
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
    Lines lines;
    int song = StartPlaying(&lines);
    ASSERT_NE(0, song);
    // The song not playing is not in use; its absence shows whether anything rewrites it.
    ASSERT_TRUE(DeleteFileA(SongFile(3 - song).c_str()));

    for (WPARAM state : {WA_INACTIVE, WA_ACTIVE, WA_CLICKACTIVE})
        SendMessageA(run.window, WM_ACTIVATE, state, 0);
    PumpFor(QUIET_MS);
    EXPECT_SEQUENCE(ReadLog(log), SongStart(song, 1, run.window));
    EXPECT_FALSE(FileExists(SongFile(3 - song)));
    EXPECT_TRUE(FileExists(SongFile(song)));
    EXPECT_TRUE(StillRunning(run.saver, 0));

    CloseByKey();
    EXPECT_SEQUENCE(ReadLog(log), SongStart(song, 1, run.window) + Silenced(1, run.window));
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
            WriteQuietHours(test.active, hour + test.from, hour + test.to);
            Start();
            if (test.plays)
                WaitForLog(1, "play ");
            else
                PumpFor(QUIET_MS);
            plays = CountLinesStarting(ReadLog(log), "play ");
            written = AnySongFile();
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
    Lines lines;
    bool written = true;
    InOneHour([&](int hour) {
        WriteQuietHours(1, hour, hour);
        Start();
        WriteQuietHours(1, hour + 1, hour + 1);
        SendMessageA(run.window, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageA(run.window, WM_ACTIVATE, WA_ACTIVE, 0);
        PumpFor(QUIET_MS);
        written = AnySongFile();
        CloseByKey();
        lines = ReadLog(log);
        ExpectCleanEnd();
    });
    EXPECT_SEQUENCE(lines, Lines{});
    EXPECT_FALSE(written);
}

TEST_F(Music, ThePreviewIsSilent) {
    HWND host = CreateHostWindow(NULL, 152, 112);
    ASSERT_TRUE(host != NULL);
    Start("/p " + std::to_string((ULONG_PTR)host), host);
    // Activation reaches the preview too: clicking into the host activates it.
    SendMessageA(run.window, WM_ACTIVATE, WA_ACTIVE, 0);
    PumpFor(QUIET_MS);
    EXPECT_FALSE(FileExists(log));
    EXPECT_FALSE(AnySongFile());
    DestroyWindow(host);
    EXPECT_EQ(0u, WaitForExit(run.saver));
}

TEST_F(Music, ASequencerFailureLeavesTheSaverSilentWithNothingOpen) {
    const std::string open = "OPEN dev=0 flags=0x2200 type=\"sequencer\" element=\"{0}\"";
    const std::string status = "STATUS dev=1 flags=0x100 item=0x4003";
    struct {
        const char *fail;    // errors the double answers with
        const char *endCode; // or how it ends every play at once
        const char *lastCommand;
        Lines expected; // {0} stands for the first song's file, {w} for the saver window
    } const cases[] = {
        {"OPEN=275", "", "open ", {open + " -> err=275 id=0"}},
        {"STATUS=346",
         "",
         "close ",
         {open + " -> err=0 id=1", status + " -> err=346 return=0", Close(1)}},
        {"PLAY=339",
         "",
         "close ",
         {open + " -> err=0 id=1", status + " -> err=0 return=65535",
          "PLAY dev=1 flags=0x1 callback={w} -> err=339", Close(1)}},
        // A device that fails while playing would fail the other song too: each is opened once
        // at most, and here the second never.
        {"",
         "8",
         "close ",
         {open + " -> err=0 id=1", status + " -> err=0 return=65535",
          "PLAY dev=1 flags=0x1 callback={w} -> err=0", "NOTIFY dev=1 code=8 window={w}",
          Close(1)}},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(std::string(test.fail) + test.endCode);
        run.Env("FAKE_MCI_FAIL", test.fail);
        run.Env("FAKE_MCI_END_CODE", test.endCode);
        run.Env("FAKE_MCI_PLAY_MS", *test.endCode != '\0' ? "0" : NULL);
        Start();
        WaitForLog(1, test.lastCommand);
        PumpFor(QUIET_MS);
        Lines lines = ReadLog(log);
        int song = SongOf(lines);
        ASSERT_NE(0, song) << testing::PrintToString(lines);
        Lines expected;
        for (std::string line : test.expected) {
            size_t at;
            if ((at = line.find("{0}")) != std::string::npos)
                line.replace(at, 3, SongFile(song));
            while ((at = line.find("{w}")) != std::string::npos)
                line.replace(at, 3, Hex(run.window));
            expected.push_back(Lower(line));
        }
        EXPECT_SEQUENCE(lines, expected);
        EXPECT_TRUE(StillRunning(run.saver, 0));
        CloseByKey();
        EXPECT_SEQUENCE(ReadLog(log), expected);
        ExpectCleanEnd();
    }
}

// Wine's own sequencer finds no sound device here: it accepts the play and never ends it.
TEST(MusicRealSequencer, RunsSilentlyAndLeavesNoFile) {
    SaverRun run;
    run.OwnSettingsFile();
    RemoveSongFiles();
    run.AtEnd(RemoveSongFiles);
    ParkCursor(100, 100);
    run.Doubles({});
    ASSERT_TRUE(run.Start() != NULL);
    EXPECT_TRUE(
        WaitUntil(LOG_MS, [] { return FileExists(SongFile(1)) && FileExists(SongFile(2)); }));
    EXPECT_TRUE(StillRunning(run.saver));

    PressKey(VK_SHIFT);
    EXPECT_EQ(0u, WaitForExit(run.saver));
    EXPECT_FALSE(AnySongFile());
    EXPECT_FALSE(FileExists(run.File(LOG_NAME)));
}

} // namespace
