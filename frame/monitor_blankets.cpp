// Every monitor but the one the saver window covers gets a blanket: a black, topmost window of
// ours. A blanket hides the cursor and hands the input it receives to the saver window, so that
// closing, and on Windows 95 the password check, happen there and once. Windows 95 and NT 4 know
// a single screen and have no call that lists monitors, so that call is looked up at run time.
#include "frame/saver_state.h"
#include "frame/frame_rules.h"

static const char BLANKET_CLASS[] = "QuorvaneMonitorBlanket";
static const char BLANKET_TITLE[] = "Blanket";

typedef BOOL(WINAPI *EnumMonitorsProc)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);

static LRESULT CALLBACK BlanketProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE; // the saver window keeps the activation and the keyboard
    case WM_SETCURSOR:
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (saverState.saverWindow != NULL)
            return SendMessageA(saverState.saverWindow, message, wParam, lParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Covering {
    HWND saver;
    RECT covered; // the saver window's own rectangle
};

static BOOL CALLBACK CoverMonitor(HMONITOR, HDC, LPRECT monitor, LPARAM data) {
    const Covering *covering = (const Covering *)data;
    if (!NeedsBlanket(*monitor, covering->covered))
        return TRUE;
    // Owned by the saver window, so that the system destroys it with that window.
    HWND blanket = CreateWindowExA(WS_EX_TOPMOST, BLANKET_CLASS, BLANKET_TITLE, WS_POPUP,
                                   monitor->left, monitor->top, monitor->right - monitor->left,
                                   monitor->bottom - monitor->top, covering->saver, NULL,
                                   saverState.instance, NULL);
    if (blanket != NULL)
        ShowWindow(blanket, SW_SHOWNOACTIVATE);
    return TRUE;
}

void CoverOtherMonitors(HWND saver) {
    EnumMonitorsProc enumMonitors =
        FindExport<EnumMonitorsProc>(GetModuleHandleA("USER32.DLL"), "EnumDisplayMonitors");
    if (enumMonitors == NULL)
        return;
    // Input is judged as on the saver window, double clicks included.
    WNDCLASSA blanketClass;
    ZeroMemory(&blanketClass, sizeof(blanketClass));
    blanketClass.style = CS_DBLCLKS;
    blanketClass.lpfnWndProc = BlanketProc;
    blanketClass.hInstance = saverState.instance;
    blanketClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    blanketClass.lpszClassName = BLANKET_CLASS;
    if (!RegisterClassA(&blanketClass))
        return;
    Covering covering;
    covering.saver = saver;
    GetWindowRect(saver, &covering.covered);
    enumMonitors(NULL, NULL, CoverMonitor, (LPARAM)&covering);
}
