// A stand-in for the multimedia library that tests load into the saver's own process. It keeps
// the saver silent, and it lets a test look inside:
// - With QUORVANE_PREVIEW_HOST=<width>x<height> it creates a host window of that client size
//   before the saver starts and writes its handle into the "/p 0000000000" of the command line,
//   so the preview draws in a window of the saver's own process, where Wine shows it on screen.
// - A message-only window "QuorvaneProbe" answers PROBE_GDI_OBJECTS with the number of live
//   graphics objects of the process and PROBE_WINDOWS with the number of its windows.
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>
#include <stdlib.h>

static const UINT PROBE_GDI_OBJECTS = WM_APP + 1;
static const UINT PROBE_WINDOWS = WM_APP + 2;

extern "C" MCIERROR WINAPI mciSendCommandA(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR) {
    return MCIERR_DEVICE_NOT_INSTALLED;
}

// Wine keeps the process's graphics objects in one table and accepts a bare table index as a
// handle; counting the indices that name an object counts the objects.
static LRESULT CountGdiObjects() {
    LRESULT count = 0;
    for (ULONG_PTR index = 1; index < 0x10000; index++)
        if (GetObjectType((HGDIOBJ)index) != 0)
            count++;
    return count;
}

static BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*(LRESULT *)param;
        EnumChildWindows(window, CountWindow, param);
    }
    return TRUE;
}

static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PROBE_GDI_OBJECTS)
        return CountGdiObjects();
    if (message == PROBE_WINDOWS) {
        LRESULT count = 0;
        EnumWindows(CountWindow, (LPARAM)&count);
        return count;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

static void CreateProbe(HINSTANCE instance) {
    WNDCLASSA probeClass = {};
    probeClass.lpfnWndProc = ProbeProc;
    probeClass.hInstance = instance;
    probeClass.lpszClassName = "QuorvaneProbe";
    RegisterClassA(&probeClass);
    CreateWindowA("QuorvaneProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
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
    HWND host = CreateWindowA("QuorvanePreviewHost", "Preview host",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, frame.right - frame.left,
                              frame.bottom - frame.top, NULL, NULL, instance, NULL);

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
        CreateProbe(instance);
    }
    return TRUE;
}
