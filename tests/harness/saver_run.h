// One end-to-end run of the saver as a test sets it up, and what the tests check it with.
#ifndef QUORVANE_SAVER_RUN_H
#define QUORVANE_SAVER_RUN_H

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "harness/saver_harness.h"

// A saver run: a folder of its own with the named doubles beside a copy of the saver, the
// environment variables and Wine settings (ReportWindowsVersion, PreferFakeDll) it runs with, and
// the process. Everything is undone when the record goes, the process ended first, whether the
// test passed or failed.
struct SaverRun {
    std::string folder; // empty: the saver of the build's bin folder runs
    SaverProcess saver;
    HWND window = NULL; // found by Start

    SaverRun() = default;
    SaverRun(const SaverRun &) = delete;
    SaverRun &operator=(const SaverRun &) = delete;
    ~SaverRun();

    // A fresh folder holding these doubles ("winmm.dll", "noexport/mpr.dll", ...).
    void Doubles(const std::vector<std::string> &fakes);
    // A variable the saver and its doubles inherit (NULL unsets it), restored at the end.
    void Env(const char *name, const char *value);
    // The settings file belongs to the run: none now, none left behind.
    void OwnSettingsFile();
    // Something more to undo at the end, in the reverse order of the calls.
    void AtEnd(std::function<void()> undo);

    // Starts "quorvane.scr <arguments>", in the folder when there is one.
    bool Launch(const std::string &arguments);
    // Launches, then waits until the saver's window is ready: top-level, or a child of `parent`.
    // Returns it, NULL when none came.
    HWND Start(const std::string &arguments = "/s", HWND parent = NULL);
    // A file in the run's folder, such as a double's log.
    std::string File(const char *name) const;

  private:
    std::vector<std::function<void()>> undo;
    std::vector<std::string> envSet;
};

// A double's log, or what it should hold: a line each.
typedef std::vector<std::string> Lines;
inline Lines operator+(Lines first, const Lines &second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Compares lines, a double's log for example, with the expected ones; on a mismatch reports the
// caller's line and both sequences whole.
#define EXPECT_SEQUENCE(actual, expected) ExpectSequence(__FILE__, __LINE__, actual, expected)
void ExpectSequence(const char *file, int line, const Lines &actual, const Lines &expected);

// "0x" and lower-case hex digits, as the doubles log handles and flags.
std::string Hex(unsigned long long value);
std::string Hex(HWND window);

// A settings file with the saver's section and the three values, in the order the saver writes
// them; "\r\n" line ends unless told otherwise.
std::string SettingsText(int from, int to, int active, const char *end = "\r\n");
std::string SettingsHeader();

// A storm of input: key presses, clicks and, when asked, relative mouse moves, in turn. `first`
// numbers the first event, so that successive bursts continue the pattern.
std::vector<INPUT> InputStorm(size_t count, size_t first = 0, bool moves = true);
// Sends it through the system's input queue; returns how many events were taken.
UINT SendStorm(const std::vector<INPUT> &storm);

#endif
