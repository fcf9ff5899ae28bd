// A stand-in for the system's network provider router, loaded by the saver in tests in place of
// the system's own: it changes no password, it writes its loading, every change-password call
// with its arguments and its unloading as lines of a log the test reads.
//
// Built twice: bin/mpr.dll with the change-password export, and bin/noexport/mpr.dll
// (FAKE_NO_EXPORT) that loads and logs the same way but has nothing to find.
//
// Log lines, in fake_mpr.log beside this module:
//   load
//   PwdChangePasswordA provider="SCRSAVE" window=0x10062 flags=0 info=0x0 -> 0
//   unload       freed by FreeLibrary
//   exit         still loaded when the process ended
#include <windows.h>

#include "fake_log.h"

#include <stdio.h>
#include <string.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *reserved) {
    LogModuleLife(module, reason, reserved, "fake_mpr.log");
    return TRUE;
}

#ifndef FAKE_NO_EXPORT
extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND window, DWORD flags, void *info) {
    char line[MAX_PATH + 128];
    snprintf(line, sizeof(line),
             "PwdChangePasswordA provider=\"%.*s\" window=0x%llx flags=%lu info=0x%llx -> 0",
             MAX_PATH, provider != NULL ? provider : "(null)", (unsigned long long)(UINT_PTR)window,
             (unsigned long)flags, (unsigned long long)(UINT_PTR)info);
    WriteLogLine(line);
    return 0;
}
#endif
