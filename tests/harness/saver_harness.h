// Starting the real saver from a test and watching it through Win32, as a user's desktop would.
//
// Tests wait for conditions, never for the clock: each kind of wait has one deadline below, long
// enough for the slowest machine the tests run on (32-bit Wine under an emulator), and a wait
// returns as soon as its condition holds. A fixed pause is used only where a test means "nothing
// happens within this time" (QUIET_MS).
#ifndef QUORVANE_SAVER_HARNESS_H
#define QUORVANE_SAVER_HARNESS_H

#include <windows.h>
#include <string>
#include <vector>

#include "fakes/probe/probe_window.h"

const DWORD START_MS = 60000;  // a program's window appears and it is ready for input
const DWORD EXIT_MS = 30000;   // a program ends once it has been told to
const DWORD LOG_MS = 20000;    // a double's log receives the line a test waits for
const DWORD SCREEN_MS = 10000; // a drawing reaches the screen
const DWORD INPUT_MS = 10000;  // input reaches a program and takes effect there
const DWORD QUIET_MS = 1500;   // how long "nothing happens" is watched for

// A program a test started. It is ended, and waited for, when the test leaves, whether it passed
// or failed: a window left behind would keep ctest's output pipe open until its time-out. As a
// second line, every program also runs in a job that ends with this process.
struct SaverProcess {
    PROCESS_INFORMATION info = {};
    SaverProcess() = default;
    SaverProcess(const SaverProcess &) = delete;
    SaverProcess &operator=(const SaverProcess &) = delete;
    ~SaverProcess();
};

std::string BinaryDir();
std::string SaverPath();
// A resource of that saver, its bytes as stored; "" when there is none.
std::string SaverResource(LPCSTR type, int id);

// Starts "path arguments" with the given current folder (NULL: this one's).
bool StartProgram(const std::string &path, const std::string &arguments, const char *directory,
                  SaverProcess *program);
// Starts a program of the Linux machine under Wine ("/usr/bin/..."), which Wine runs as it is,
// outside any Windows process: there is no handle to wait on, so the caller waits for its effect.
bool StartHostProgram(std::string commandLine);

// A folder of its own for one run: a copy of the saver and of the named fakes from the build's
// bin folder (for example "winmm.dll", "password.cpl", or "preview/winmm.dll", copied without
// its subfolder). Removed by RemoveSaverFolder.
std::string MakeSaverFolder(const std::vector<std::string> &fakes);
void RemoveSaverFolder(const std::string &folder);
// Starts the copy in the folder, with the folder as its current directory.
bool StartSaverIn(const std::string &folder, const std::string &arguments, SaverProcess *saver);

// Wine's per-program settings for quorvane.scr: the Windows version it reports (for example
// "win95") and whether the fakes of system DLLs beside it are preferred
// (winmm, mpr). ResetWineAppSettings undoes both.
void ReportWindowsVersion(const char *version);
void PreferFakeDll(const char *dll);
void ResetWineAppSettings();
// A visible window of this process with a client area of the given size, to host a preview;
// `procedure` may be NULL for one that only does the default.
HWND CreateHostWindow(WNDPROC procedure, int width, int height);

// Runs this thread's messages for the given time.
void PumpFor(DWORD ms);

// Runs this thread's messages until `done()` holds or the deadline passes; returns whether it
// held.
template <typename Condition> bool WaitUntil(DWORD deadlineMs, Condition done) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= deadlineMs)
            return done();
        PumpFor(10);
    }
    return true;
}

// Waits for the exit, pumping this thread's messages (a preview host lives here). Returns the
// exit code, or STILL_ACTIVE when the time ran out.
DWORD WaitForExit(const SaverProcess &saver, DWORD timeoutMs = EXIT_MS);
// Starts the full-screen saver once more beside one that runs, and waits for that start to end:
// its exit code, or (DWORD)-2 when it could not be started.
DWORD SecondStartExit();
// Whether the program is still running after watching it for the given time.
bool StillRunning(const SaverProcess &program, DWORD ms = QUIET_MS);
// Ends the process if it still runs and closes its handles.
void StopSaver(SaverProcess *saver);

// The visible window of the saver class that the process owns: top-level, or a child of
// `parent`. NULL when none appeared in time or the process ended.
HWND WaitForSaverWindow(const SaverProcess &saver, HWND parent = NULL);
// The same, once the saver has finished starting: its first activation and paint are done and
// it waits for input; a full-screen saver is in front.
HWND WaitForReadySaver(const SaverProcess &saver, HWND parent = NULL);
// Waits until the thread of a window of another program, started by someone else, has finished
// what it was doing and waits for input.
bool WaitForWindowIdle(HWND window);
// A visible top-level window of the process, with the given title when one is given; the
// waiting form gives up when the time runs out or the process ends.
HWND VisibleWindowOf(const SaverProcess &program, const char *title = NULL);
HWND WaitForVisibleWindow(const SaverProcess &program, const char *title);
// All top-level windows of the saver class on the desktop.
int CountSaverWindows();
// The top-level windows on the desktop (NULL), or the children of a window; and who owns one.
std::vector<HWND> WindowsBelow(HWND parent);
DWORD ProcessOf(HWND window);

std::string WindowTitle(HWND window);
std::string WindowClass(HWND window);

// Files as the tests see them.
bool FileExists(const std::string &path);
std::string ReadWholeFile(const std::string &path);
bool WriteWholeFile(const std::string &path, const std::string &content);
// A double's log, a line each, without the line ends.
std::vector<std::string> ReadLogLines(const std::string &path);
// How many of the lines begin with the prefix, in any case.
int CountLinesStarting(const std::vector<std::string> &lines, const char *prefix);
std::string Lower(std::string text);
// From the sequencer double's log (lines as logged, or lower-cased): devices opened and not yet
// closed, at the end and at the most over the run.
void CountOpenDevices(const std::vector<std::string> &lines, int *now, int *most);

// Asks the probe's window inside the saver's process (PROBE_GDI_OBJECTS, ...); -1 when no
// probe answers.
LRESULT AskProbe(UINT question);

// The saver's settings file: no folder in its name, so it lives in the Windows folder.
std::string SettingsFile();

// Puts the pointer where a saver about to start will take its anchor.
void ParkCursor(int x, int y);

// Input as the user makes it: to the foreground window, through the system's input queue.
void PressKey(WORD key);
// A click where the pointer is, or at a given place. A click aimed somewhere carries its own
// position: the pointer moved by SetCursorPos can be moved back for a moment when the program
// under it hears of an earlier move from the X server, and a click then would land there.
void ClickLeft();
void ClickLeftAt(POINT at);

#endif
