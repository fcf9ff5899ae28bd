// The full-screen cover: the saver window over the primary screen, and over every other monitor a
// blanket, a black topmost window of ours. A blanket hides the cursor and hands the input it
// receives to the saver window, so that closing, and on Windows 95 the password check, happen
// there and once. The display may change while the saver runs (a mode switch, a monitor plugged
// in or woken), and the cover is made to match it again each time. Windows 95 and NT 4 know a
// single screen and have no call that lists monitors, so that call is looked up at run time.
//
// Only what really changed counts as a change, since the frame takes the pointer's position
// after one as its new anchor. The system may refuse a window: CreateWindowEx fails when the 95
// family's 64 KB window heaps or NT's desktop heap run out, and when a computer-based-training
// hook (kiosk and security software install them) says no. Such a monitor shows the desktop
// until a later try succeeds, and the tries are rationed, since a refusal tends to last.
#include "frame/saver_state.h"
#include "frame/frame_rules.h"

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

// Input is judged as on the saver window, double clicks included. Registered when the first
// blanket is needed; a second registration fails, and the class is there all the same.
static void RegisterBlanketClass() {
    WNDCLASSA blanketClass;
    ZeroMemory(&blanketClass, sizeof(blanketClass));
    blanketClass.style = CS_DBLCLKS;
    blanketClass.lpfnWndProc = BlanketProc;
    blanketClass.hInstance = saverState.instance;
    blanketClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    blanketClass.lpszClassName = BLANKET_CLASS;
    RegisterClassA(&blanketClass);
}

struct MonitorList {
    RECT rects[MOST_MONITORS];
    int count;
};

static BOOL CALLBACK NoteMonitor(HMONITOR, HDC, LPRECT monitor, LPARAM data) {
    MonitorList *list = (MonitorList *)data;
    if (list->count == MOST_MONITORS)
        return FALSE;
    list->rects[list->count++] = *monitor;
    return TRUE;
}

// Topmost, and never activated: the saver window keeps the keyboard. Whether it moved.
static bool PlaceOver(HWND window, const RECT &area) {
    return SetWindowPos(window, HWND_TOPMOST, area.left, area.top, area.right - area.left,
                        area.bottom - area.top, SWP_NOACTIVATE) != FALSE;
}

static HWND NewBlanket(HWND saver, const RECT &monitor) {
    RegisterBlanketClass();
    // Owned by the saver window, so that the system destroys it with that window.
    HWND blanket =
        CreateWindowExA(WS_EX_TOPMOST, BLANKET_CLASS, BLANKET_TITLE, WS_POPUP, monitor.left,
                        monitor.top, monitor.right - monitor.left, monitor.bottom - monitor.top,
                        saver, NULL, saverState.instance, NULL);
    if (blanket != NULL)
        ShowWindow(blanket, SW_SHOWNOACTIVATE);
    return blanket;
}

static bool MatchBlankets(HWND saver, const RECT &covered, const MonitorList &monitors,
                          bool retryRefused) {
    RECT blanketRects[MOST_MONITORS];
    for (int b = 0; b < saverState.blanketCount; b++)
        GetWindowRect(saverState.blankets[b], &blanketRects[b]);
    BlanketPlan plan = PlanBlankets(monitors.rects, monitors.count, covered, blanketRects,
                                    saverState.blanketCount);
    bool changed = false;
    int kept = 0;
    for (int b = 0; b < saverState.blanketCount; b++) {
        HWND blanket = saverState.blankets[b];
        int m = plan.cover[b];
        if (m == NO_MONITOR) {
            // It fails only for a window that is gone already: no change either.
            changed = DestroyWindow(blanket) || changed;
            continue;
        }
        if (!EqualRect(&blanketRects[b], &monitors.rects[m]))
            changed = PlaceOver(blanket, monitors.rects[m]) || changed;
        saverState.blankets[kept++] = blanket;
    }
    bool mayCreate = retryRefused || !saverState.blanketRefused;
    if (mayCreate)
        saverState.blanketRefused = false;
    for (int m = 0; m < monitors.count; m++) {
        if (!plan.fresh[m] || !mayCreate)
            continue;
        HWND blanket = NewBlanket(saver, monitors.rects[m]);
        if (blanket == NULL) {
            saverState.blanketRefused = true;
            continue;
        }
        saverState.blankets[kept++] = blanket;
        changed = true;
    }
    saverState.blanketCount = kept;
    return changed;
}

bool MatchCoverToDisplay(HWND saver, bool retryRefused) {
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT covered;
    GetWindowRect(saver, &covered);
    bool changed = false;
    if (!EqualRect(&covered, &screen) && PlaceOver(saver, screen)) {
        changed = true;
        covered = screen;
    }
    EnumMonitorsProc enumMonitors =
        FindExport<EnumMonitorsProc>(GetModuleHandleA("USER32.DLL"), "EnumDisplayMonitors");
    if (enumMonitors == NULL)
        return changed;
    MonitorList monitors;
    monitors.count = 0;
    // Without an answer nothing is known of the monitors, and the blankets stay as they are.
    if (!enumMonitors(NULL, NULL, NoteMonitor, (LPARAM)&monitors) && monitors.count == 0)
        return changed;
    return MatchBlankets(saver, covered, monitors, retryRefused) || changed;
}
