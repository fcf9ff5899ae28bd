#include "probe_window.h"

// Wine keeps the process's graphics objects in one table and accepts a bare table index as a
// handle; counting the indices that name an object counts the objects.
static LRESULT CountGdiObjects() {
    LRESULT count = 0;
    for (ULONG_PTR index = 1; index < 0x10000; index++)
        if (GetObjectType((HGDIOBJ)index) != 0)
            count++;
    return count;
}

static LRESULT OwnCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    ULONGLONG total = ((ULONGLONG)kernel.dwHighDateTime << 32 | kernel.dwLowDateTime) +
                      ((ULONGLONG)user.dwHighDateTime << 32 | user.dwLowDateTime);
    return (LRESULT)(total / 10000); // 100 ns units
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
    if (message == PROBE_CPU_MS)
        return OwnCpuMs();
    return DefWindowProcA(window, message, wParam, lParam);
}

void CreateProbeWindow(HINSTANCE instance) {
    WNDCLASSA probeClass = {};
    probeClass.lpfnWndProc = ProbeProc;
    probeClass.hInstance = instance;
    probeClass.lpszClassName = "QuorvaneProbe";
    RegisterClassA(&probeClass);
    CreateWindowA("QuorvaneProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
}
