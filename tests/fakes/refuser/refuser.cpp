// A computer-based-training hook that keeps windows of one class from being made, as kiosk and
// security software may on Windows. A test loads this module and installs the hook for every
// thread of the desktop; the system then loads the module into each program that makes a
// window. Only a process whose environment names the class in FAKE_REFUSE_CLASS refuses it, so
// that the test's own windows and the desktop's are left alone.
//
// Log lines, in refuser.log beside this module, one for each window refused:
//   refused QuorvaneMonitorBlanket
#include <windows.h>

#include "fake_log.h"

#include <stdio.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *) {
    if (reason == DLL_PROCESS_ATTACH)
        PlaceLog(module, "refuser.log");
    return TRUE;
}

// The class comes as a name, or as an atom (no bits above the low word) that the window being
// made can name.
static bool IsRefused(HWND window, const CBT_CREATEWNDA *creation, char *className, int size) {
    char refused[256];
    ReadSetting("FAKE_REFUSE_CLASS", refused, sizeof(refused));
    if (refused[0] == '\0')
        return false;
    LPCSTR name = creation->lpcs->lpszClass;
    if (((UINT_PTR)name >> 16) == 0) {
        if (GetClassNameA(window, className, size) == 0)
            return false;
    } else {
        lstrcpynA(className, name, size);
    }
    return lstrcmpiA(className, refused) == 0;
}

extern "C" LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    char className[256], line[300];
    if (code == HCBT_CREATEWND &&
        IsRefused((HWND)wParam, (const CBT_CREATEWNDA *)lParam, className, sizeof(className))) {
        snprintf(line, sizeof(line), "refused %s", className);
        WriteLogLine(line);
        return 1;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
