// The frame's process-wide record and the functions of the saver host.
#ifndef QUORVANE_SAVER_STATE_H
#define QUORVANE_SAVER_STATE_H

#include <windows.h>

#include "frame/frame_rules.h"

typedef HANDLE InputContext; // HIMC, without pulling in the input-method headers
typedef InputContext(WINAPI *ImeAssociateProc)(HWND window, InputContext context);
typedef BOOL(WINAPI *PasswordVerifierProc)(HWND window);

// GetProcAddress hands back a generic function pointer; this gives an export its real type.
template <typename Proc> Proc FindExport(HMODULE module, const char *name) {
    return (Proc)(void (*)())GetProcAddress(module, name);
}

// Every member starts with a constant, so the record is filled in by the loader: the program has
// no run-time start-up code that could run a constructor.
struct SaverState {
    HINSTANCE instance = NULL;
    bool onWin95 = false;
    HWND saverWindow = NULL;
    bool preview = false;
    bool closing = false;   // a close was approved: input no longer matters
    bool verifying = false; // a password check is in progress
    POINT mouseAnchor = {0, 0};
    DWORD mouseThreshold = 4; // travel that must be exceeded to close
    HMODULE imeModule = NULL;
    ImeAssociateProc imeAssociate = NULL;
    InputContext savedImeContext = NULL;
    HMODULE passwordModule = NULL;
    PasswordVerifierProc verifier = NULL;
    DWORD lastVerifyTick = NO_PASSWORD_CHECK_YET; // end of the last password check
    HWND blankets[MOST_MONITORS] = {}; // over the monitors the full-screen window leaves showing
    int blanketCount = 0;
    bool blanketRefused = false; // the system refused the last blanket tried
};

extern SaverState saverState;

// Exit code of a run ended by a fault that the guard caught.
const int SAVER_FAULT_EXIT = 2;

// Start-up and dispatch.
int SaverMain(HINSTANCE instance, const char *arguments);

// The saver window. Its messages pass along one chain of window procedures:
//   SaverClassProc    frame: the input method, the cursor, the title, help in the preview,
//                     system commands, and nothing more once the saver is closing
//   -> ShowProc       show: creation, pictures, paint, timer, music, destruction
//   -> SaverDefaultProc  frame: closing on input, behind the password on Windows 95
//   -> DefWindowProcA
// In the first two a case that ends with `break` passes the message on to the next link, and one
// that returns ends it there. The frame does its own work on a message first and then passes it
// on, so the show sees every message the frame does not keep.
int RunSaverWindow(HWND parent);
LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Makes the full-screen cover match the display as it is now: the saver window over the whole
// primary screen, and a black window of ours over each monitor it leaves uncovered. Returns
// whether a window was moved, made or destroyed. After the system refused a blanket, new ones
// are tried again only when retryRefused says so: at a tick or a notice, not at every mouse move.
bool MatchCoverToDisplay(HWND saver, bool retryRefused);
// The class of those black windows.
const char BLANKET_CLASS[] = "QuorvaneMonitorBlanket";

// The Windows 95 password lock.
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(bool running);
bool VerifyBeforeClose(HWND window);
LRESULT AnswerPasswordQuery(HWND window);
// Sent by the password check to the saver window, whose default procedure answers it with the
// verifier's verdict; sent rather than called so that the verifier's dialog runs inside the
// window's own message handling.
const UINT WM_QUERY_PASSWORD = WM_APP;
int RunChangePassword(const char *text);

#endif
