// The floor of the start-up and memory benchmarks: the least a Windows program does to put the
// group picture on the screen where the saver puts it first. One full-screen topmost window, one
// bitmap from the resources, stretched to the saver's full-screen size for it, then nothing but
// waiting for WM_CLOSE. Built without the C runtime's start-up code, as the saver is.
// With /t it also keeps an 8-second timer that draws nothing, the saver's tick without the
// picture: what waking up that often costs any program.
#include <windows.h>

#include "group_box.h"

static HBITMAP picture;

static void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BITMAP size;
    GetObjectA(picture, sizeof(size), &size);
    RECT box = GroupPictureBox(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               size.bmWidth, size.bmHeight);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture);
    StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, memory, 0, 0,
               size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    EndPaint(window, &paint);
}

static bool WantsTimer() {
    for (const char *c = GetCommandLineA(); c[0] != '\0'; c++)
        if (c[0] == ' ' && c[1] == '/' && (c[2] == 't' || c[2] == 'T'))
            return true;
    return false;
}

static LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_TIMER:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

extern "C" void WINAPI FloorEntry() {
    HINSTANCE instance = GetModuleHandleA(NULL);
    picture = LoadBitmapA(instance, MAKEINTRESOURCEA(1));

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = "QuorvaneFloor";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "QuorvaneFloor", "Floor", WS_POPUP | WS_VISIBLE, 0,
                                  0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  NULL, NULL, instance, NULL);
    if (window == NULL)
        ExitProcess(1);
    SetForegroundWindow(window);
    if (WantsTimer())
        SetTimer(window, 1, 8000, NULL);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    ExitProcess(0);
}
