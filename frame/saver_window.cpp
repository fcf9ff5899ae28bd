#include "frame/saver_state.h"
#include "frame/frame_rules.h"
#include "show/show_state.h"
#include "resources/resource_ids.h"

static const char SAVER_CLASS[] = "WindowsScreenSaverClass";
static const char FULL_SCREEN_TITLE[] = "Screen Saver";
static const char PREVIEW_TITLE[] = "Preview";

static LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int RunSaverWindow(HWND parent) {
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverClassProc;
    windowClass.hInstance = saverState.instance;
    windowClass.hIcon = LoadIconA(saverState.instance, MAKEINTRESOURCEA(IDI_SAVER));
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = SAVER_CLASS;

    const char *title;
    DWORD style, exStyle;
    int width, height;
    if (parent != NULL) {
        RECT host;
        GetClientRect(parent, &host);
        saverState.preview = true;
        title = PREVIEW_TITLE;
        exStyle = 0;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        width = host.right;
        height = host.bottom;
    } else {
        HWND running = FindWindowA(SAVER_CLASS, FULL_SCREEN_TITLE);
        if (running != NULL && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier();
        title = FULL_SCREEN_TITLE;
        exStyle = WS_EX_TOPMOST;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }

    // Without a class or a window there is no quit message to carry a result.
    int result = -1;
    if (RegisterClassA(&windowClass)) {
        saverState.saverWindow = CreateWindowExA(exStyle, SAVER_CLASS, title, style, 0, 0, width,
                                                 height, parent, NULL, saverState.instance, NULL);
    }
    if (saverState.saverWindow != NULL) {
        if (!saverState.preview) {
            MatchCoverToDisplay(saverState.saverWindow, true);
            SetForegroundWindow(saverState.saverWindow);
        }
        MSG message;
        // GetMessage's -1 (a bad argument) cannot happen with these arguments; only 0 ends.
        while (GetMessageA(&message, NULL, 0, 0) != 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        result = (int)message.wParam;
    }
    UnloadPasswordVerifier();
    return result;
}

static void DetachInputMethod(HWND window) {
    // Only a process that already has the input-method manager gets an input context;
    // loading it here would cost start-up time for nothing.
    saverState.imeModule = GetModuleHandleA("IMM32.DLL");
    if (saverState.imeModule == NULL)
        return;
    saverState.imeAssociate =
        FindExport<ImeAssociateProc>(saverState.imeModule, "ImmAssociateContext");
    if (saverState.imeAssociate != NULL)
        saverState.savedImeContext = saverState.imeAssociate(window, NULL);
}

static void RestoreInputMethod(HWND window) {
    if (saverState.imeModule && saverState.imeAssociate && saverState.savedImeContext)
        saverState.imeAssociate(window, saverState.savedImeContext);
}

// The preview's host owns help and context menus: the display settings show their own.
static LRESULT ForwardToHost(HWND window, UINT message, LPARAM lParam) {
    HWND host = GetParent(window);
    if (host != NULL && IsWindow(host))
        PostMessageA(host, message, (WPARAM)host, lParam);
    return 1;
}

// Where the pointer is, written only when the system tells: NT refuses while the input desktop
// is not ours (a secure desktop, another user's session), and a guess then could close the saver
// or hide a real move. Without an answer the anchor stays where it was. The 95 family has no
// such desktops and hands the call to its 16-bit half, whose GetCursorPos returns nothing, so
// there the position is taken as read whatever the result says.
static bool ReadCursor(POINT *at) {
    POINT now = *at;
    if (!GetCursorPos(&now) && !saverState.onWin95)
        return false;
    *at = now;
    return true;
}

// The cover follows the display. A change of it can move the pointer without the user's hand: a
// monitor unplugged from under it, or under Wine the desktop's origin moving with a monitor
// plugged in on the left. The position after the change is where travel is measured from.
static void FollowDisplay(HWND window, bool retryRefused) {
    if (MatchCoverToDisplay(window, retryRefused))
        ReadCursor(&saverState.mouseAnchor);
}

static bool IsSwallowedCommand(WPARAM command) {
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

static LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        DetachInputMethod(window);
        ReadCursor(&saverState.mouseAnchor);
        if (!saverState.preview)
            SetCursor(NULL);
        break;
    case WM_DESTROY:
        RestoreInputMethod(window);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (saverState.closing)
            return DefWindowProcA(window, message, wParam, lParam);
        if (!saverState.preview)
            SetCursor(NULL);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (saverState.preview)
            return ForwardToHost(window, message, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (saverState.closing)
            return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!saverState.preview && IsSwallowedCommand(wParam))
            return 0;
        break;
    case WM_DISPLAYCHANGE:
        if (!saverState.preview && !saverState.closing)
            FollowDisplay(window, true);
        break;
    case WM_TIMER:
        if (saverState.closing)
            return 0;
        // A change made outside the system's own calls (a monitor plugged in, the X server's
        // mode switch under Wine) comes with no notice: the cover is checked before each picture.
        if (!saverState.preview && wParam == SHOW_TIMER_ID)
            FollowDisplay(window, true);
        // Drawing is the least urgent work: let input reach us first.
        Sleep(0);
        break;
    }
    return ShowProc(window, message, wParam, lParam);
}

static void CloseOnMouseTravel(HWND window) {
    // A move that comes with a change of the display, before any notice or tick has told of it.
    // A blanket the system refused waits for the tick: moves come by the hundred.
    FollowDisplay(window, false);
    POINT now = saverState.mouseAnchor;
    if (!ReadCursor(&now))
        return;
    if (MouseTravel(saverState.mouseAnchor, now) > saverState.mouseThreshold) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        saverState.mouseAnchor = now;
    }
}

static LRESULT CloseRequested(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (saverState.onWin95 && !VerifyBeforeClose(window)) {
        ReadCursor(&saverState.mouseAnchor);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (saverState.preview || saverState.closing)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_CLOSE:
        return CloseRequested(window, message, wParam, lParam);
    case WM_QUERY_PASSWORD:
        if (saverState.onWin95)
            return AnswerPasswordQuery(window);
        break;
    }
    if (saverState.verifying)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam)
            SetCursor(NULL);
        break;
    case WM_ACTIVATEAPP:
        if (!wParam)
            PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_SETCURSOR:
        SetCursor(NULL);
        return 1;
    case WM_MOUSEMOVE:
        CloseOnMouseTravel(window);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
