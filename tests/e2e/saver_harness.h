// Starting the real saver from a test and watching it through Win32, as a user's desktop would.
#ifndef QUORVANE_SAVER_HARNESS_H
#define QUORVANE_SAVER_HARNESS_H

#include <windows.h>
#include <string>
#include <vector>

// Generous: under Wine every process start and window creation costs real time.
const DWORD SAVER_START_MS = 20000;
const DWORD SAVER_EXIT_MS = 20000;
const DWORD QUIET_MS = 1500; // how long "nothing happens" is watched for

struct SaverProcess {
    PROCESS_INFORMATION info;
};

std::string BinaryDir();
std::string SaverPath();

// Starts "path arguments" with the given current folder (NULL: this one's).
bool StartProgram(const std::string &path, const std::string &arguments, const char *directory,
                  SaverProcess *program);
// Starts "quorvane.scr <arguments>"; the process is ended by StopSaver or the fixture.
bool StartSaver(const std::string &arguments, SaverProcess *saver);
// Starts another program of the build's bin folder, such as "preview_host.exe".
bool StartTool(const std::string &name, const std::string &arguments, SaverProcess *tool);

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

// Waits for the exit, pumping this thread's messages (a preview host lives here). Returns the
// exit code, or STILL_ACTIVE when the time ran out.
DWORD WaitForExit(const SaverProcess &saver, DWORD timeoutMs);
// Ends the process if it still runs and closes its handles.
void StopSaver(SaverProcess *saver);

// The top-level (or, with a parent, child) window of the given class that the process owns.
HWND WaitForSaverWindow(const SaverProcess &saver, HWND parent, DWORD timeoutMs);
// A visible top-level window of the process, with the given title when one is given.
HWND VisibleWindowOf(const SaverProcess &program, const char *title = NULL);
// All top-level windows of the saver class on the desktop.
int CountSaverWindows();

// Runs this thread's messages for the given time.
void PumpFor(DWORD ms);

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
const UINT PROBE_GDI_OBJECTS = WM_APP + 1, PROBE_WINDOWS = WM_APP + 2;

// The saver's settings file: no folder in its name, so it lives in the Windows folder.
std::string SettingsFile();

// Puts the pointer where a saver about to start will take its anchor. Wine moves the real
// pointer only for a thread that has a window, so the first call makes a hidden one.
void ParkCursor(int x, int y);

// Input as the user makes it: to the foreground window, through the system's input queue.
void PressKey(WORD key);
void ClickLeft();

#endif
