// A stand-in for the multimedia library that tests load into the saver's own process. It keeps
// the saver silent, and it lets a test look inside:
// - With QUORVANE_PREVIEW_HOST=<width>x<height> it creates a host window of that client size
//   before the saver starts and writes its handle into the "/p 0000000000" of the command line,
//   so the preview draws in a window of the saver's own process, where Wine shows it on screen.
// - A message-only window "QuorvaneProbe" answers PROBE_GDI_OBJECTS with the number of live
//   graphics objects of the process and PROBE_WINDOWS with the number of its windows.
// - PROBE_CPU_MS answers the process's own CPU time (user and kernel) in milliseconds: under Wine
//   only a process can read its own times, so the benchmarks ask here.
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>
#include <stdlib.h>

#include "probe_window.h"

extern "C" MCIERROR WINAPI mciSendCommandA(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR) {
    return MCIERR_DEVICE_NOT_INSTALLED;
}

static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

static void CreatePreviewHost(HINSTANCE instance) {
    char size[32];
    if (!GetEnvironmentVariableA("QUORVANE_PREVIEW_HOST", size, sizeof(size)))
        return;
    char *separator;
    int width = (int)strtol(size, &separator, 10);
    int height = *separator == 'x' ? (int)strtol(separator + 1, NULL, 10) : 0;

    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = instance;
    hostClass.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    hostClass.lpszClassName = "QuorvanePreviewHost";
    RegisterClassA(&hostClass);
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowA("QuorvanePreviewHost", "Preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              40, 40, frame.right - frame.left, frame.bottom - frame.top, NULL,
                              NULL, instance, NULL);

    char *placeholder = strstr(GetCommandLineA(), "0000000000");
    if (placeholder != NULL && host != NULL) {
        char digits[11];
        wsprintfA(digits, "%010lu", (unsigned long)(ULONG_PTR)host);
        memcpy(placeholder, digits, 10);
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        CreatePreviewHost(instance);
        CreateProbeWindow(instance);
    }
    return TRUE;
}
