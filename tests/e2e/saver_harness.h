// Starting the real saver from a test and watching it through Win32, as a user's desktop would.
#ifndef QUORVANE_SAVER_HARNESS_H
#define QUORVANE_SAVER_HARNESS_H

#include <windows.h>
#include <string>

// Generous: under Wine every process start and window creation costs real time.
const DWORD SAVER_START_MS = 20000;
const DWORD SAVER_EXIT_MS = 20000;
const DWORD QUIET_MS = 1500; // how long "nothing happens" is watched for

struct SaverProcess {
    PROCESS_INFORMATION info;
};

std::string BinaryDir();
std::string SaverPath();

// Starts "quorvane.scr <arguments>"; the process is ended by StopSaver or the fixture.
bool StartSaver(const std::string &arguments, SaverProcess *saver);
// Waits for the exit, pumping this thread's messages (a preview host lives here). Returns the
// exit code, or STILL_ACTIVE when the time ran out.
DWORD WaitForExit(const SaverProcess &saver, DWORD timeoutMs);
// Ends the process if it still runs and closes its handles.
void StopSaver(SaverProcess *saver);

// The top-level (or, with a parent, child) window of the given class that the process owns.
HWND WaitForSaverWindow(const SaverProcess &saver, HWND parent, DWORD timeoutMs);
// All top-level windows of the saver class on the desktop.
int CountSaverWindows();

// Runs this thread's messages for the given time.
void PumpFor(DWORD ms);

std::string WindowTitle(HWND window);
std::string WindowClass(HWND window);

// Input as the user makes it: to the foreground window, through the system's input queue.
void PressKey(WORD key);
void ClickLeft();

#endif
