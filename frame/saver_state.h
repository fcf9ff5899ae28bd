// The frame's process-wide record and the functions of the saver host.
#ifndef QUORVANE_SAVER_STATE_H
#define QUORVANE_SAVER_STATE_H

#include <windows.h>

typedef HANDLE InputContext; // HIMC, without pulling in the input-method headers
typedef InputContext(WINAPI *ImeAssociateProc)(HWND window, InputContext context);
typedef BOOL(WINAPI *PasswordVerifierProc)(HWND window);

// GetProcAddress hands back a generic function pointer; this gives an export its real type.
template <typename Proc> Proc FindExport(HMODULE module, const char *name) {
    return (Proc)(void (*)())GetProcAddress(module, name);
}

struct SaverState {
    HINSTANCE instance;
    bool onWin95;
    HWND saverWindow;
    bool preview;
    bool closing;
    bool verifying;
    POINT mouseAnchor;
    DWORD mouseThreshold;
    HMODULE imeModule;
    ImeAssociateProc imeAssociate;
    InputContext savedImeContext;
    HMODULE passwordModule;
    PasswordVerifierProc verifier;
    DWORD lastVerifyTick;
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
LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Black windows over the monitors the full-screen saver window leaves uncovered.
void CoverOtherMonitors(HWND saver);

// The Windows 95 password lock.
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(bool running);
bool VerifyBeforeClose(HWND window);
LRESULT AnswerPasswordQuery(HWND window);
int RunChangePassword(const char *text);

#endif
