// A stand-in for the system's password control-panel module, loaded by the saver in tests. It
// asks nobody for a password: it writes its loading, every call and its unloading as lines of a
// log the test reads, and answers what the test told it.
//
// Built twice: bin/password.cpl with the verifier, and bin/noexport/password.cpl (FAKE_NO_EXPORT)
// that loads and logs the same way but has no verifier to find.
//
// It logs to fake_password.log beside itself. Controlled through the environment the saver
// inherits from the test:
//   FAKE_PWD_ANSWERS   the answers of successive calls, such as "0,0,1"; the last one repeats.
//                      Default "0": every entry is wrong.
//   FAKE_PWD_DELAY_MS  how long the dialog stays open; default 0
//   FAKE_PWD_PUMP      "1": while open, run the caller's messages as a modal dialog's loop does;
//                      otherwise the thread only waits, and input queues up behind the dialog
//   FAKE_PWD_MOVE      "dx,dy": once open, the user moves the cursor by that much (the other
//                      way along an axis where it would leave the screen)
//   FAKE_PWD_FAULT     "1": the call faults on a write to address 0 instead of answering
//
// While open, the dialog shows the arrow cursor, as a real one does, and it is still showing
// when the call returns.
//
// Log lines:
//   load                                          loaded
//   VerifyScreenSavePwd window=0x10062 -> 0       a call, written as the dialog opens, with the
//                                                 answer it will give
//   unload                                        freed by FreeLibrary
//   exit                                          still loaded when the process ended
#include <windows.h>

#include "fake_log.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

#ifndef FAKE_NO_EXPORT
unsigned calls;

// The answer of the call with this number (0 for the first), from FAKE_PWD_ANSWERS.
BOOL AnswerOf(unsigned call) {
    char answers[256];
    ReadSetting("FAKE_PWD_ANSWERS", answers, sizeof(answers));
    const char *entry = answers;
    for (unsigned k = 0; k < call; k++) {
        const char *comma = strchr(entry, ',');
        if (comma == NULL)
            break;
        entry = comma + 1;
    }
    return strtol(entry, NULL, 10) != 0;
}

// The user reaching for the dialog. The saver's own process moves the cursor: under Wine a
// full-screen window holds the pointer, and other processes cannot move it for good.
void MoveCursor() {
    char move[64];
    ReadSetting("FAKE_PWD_MOVE", move, sizeof(move));
    if (move[0] == '\0')
        return;
    char *rest;
    long dx = strtol(move, &rest, 10);
    long dy = *rest == ',' ? strtol(rest + 1, NULL, 10) : 0;
    POINT at;
    GetCursorPos(&at);
    long x = at.x + dx, y = at.y + dy;
    if (x < 0 || x >= GetSystemMetrics(SM_CXSCREEN))
        x = at.x - dx;
    if (y < 0 || y >= GetSystemMetrics(SM_CYSCREEN))
        y = at.y - dy;
    SetCursorPos((int)x, (int)y);
}

// The dialog's time on screen, with or without a message loop of its own.
void KeepDialogOpen(DWORD ms, bool pump) {
    DWORD start = GetTickCount();
    for (DWORD elapsed; (elapsed = GetTickCount() - start) < ms;) {
        if (!pump) {
            Sleep(ms - elapsed);
            continue;
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // A modal loop leaves the quit to the loop that waits for it.
                PostQuitMessage((int)message.wParam);
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
#endif

} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *reserved) {
    LogModuleLife(module, reason, reserved, "fake_password.log");
    return TRUE;
}

#ifndef FAKE_NO_EXPORT
extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    BOOL answer = AnswerOf(calls++);
    char line[128];
    snprintf(line, sizeof(line), "VerifyScreenSavePwd window=0x%llx -> %d",
             (unsigned long long)(UINT_PTR)window, answer);
    WriteLogLine(line);
    if (ReadNumber("FAKE_PWD_FAULT", 0) == 1)
        *(volatile int *)(UINT_PTR)0 = 0;

    HCURSOR arrow = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    SetCursor(arrow);
    MoveCursor();
    KeepDialogOpen((DWORD)ReadNumber("FAKE_PWD_DELAY_MS", 0), ReadNumber("FAKE_PWD_PUMP", 0) == 1);
    SetCursor(arrow);
    return answer;
}
#endif
