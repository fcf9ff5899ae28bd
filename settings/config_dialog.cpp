// The settings dialog: credits, and the quiet hours chosen with two arrow pairs.
#include "settings/settings.h"
#include "settings/hour_rules.h"
#include "resources/resource_ids.h"

static HWND timeFromBox, timeToBox, timeFromSpin, timeToSpin, quietBox;
static HINSTANCE dialogModule; // whose resources the dialog and its texts come from

BOOL WINAPI ConfigDialogHook(HINSTANCE instance) {
    dialogModule = instance;
    return TRUE;
}

static void ShowHour(HWND box, LONG hour) {
    char text[100];
    wsprintfA(text, "%.2d:00", hour);
    SetWindowTextA(box, text);
}

static void RefreshHours() {
    ShowHour(timeFromBox, saverSettings.TimeFrom);
    ShowHour(timeToBox, saverSettings.TimeTo);
}

static void InitDialog(HWND dialog) {
    LoadSettings();
    saverSettings.TimeFrom = FirstUseHour(saverSettings.TimeFrom, FIRST_USE_FROM);
    saverSettings.TimeTo = FirstUseHour(saverSettings.TimeTo, FIRST_USE_TO);
    timeFromBox = GetDlgItem(dialog, IDC_TIME_FROM);
    timeToBox = GetDlgItem(dialog, IDC_TIME_TO);
    timeFromSpin = GetDlgItem(dialog, IDC_TIME_FROM_SPIN);
    timeToSpin = GetDlgItem(dialog, IDC_TIME_TO_SPIN);
    quietBox = GetDlgItem(dialog, IDC_QUIET_ENABLED);
    if (saverSettings.Active)
        SendMessageA(quietBox, BM_SETCHECK, BST_CHECKED, 0);
    RefreshHours();
}

// The bars have no range: only their arrows count, and the boxes are never read back.
static void StepHours(HWND bar, int scrollCode) {
    LONG &hour = bar == timeFromSpin ? saverSettings.TimeFrom : saverSettings.TimeTo;
    hour = StepHour(hour, scrollCode);
    RefreshHours();
}

// The dialog stays, so that the person may try again or leave it with the hours unsaved.
static void ReportSaveFailure(HWND dialog) {
    char location[MAX_PATH + 16], format[128], text[sizeof(location) + sizeof(format)];
    char title[64];
    SettingsLocation(location, sizeof(location));
    LoadStringA(dialogModule, IDS_SAVE_FAILED, format, sizeof(format));
    wsprintfA(text, format, location);
    GetWindowTextA(dialog, title, sizeof(title));
    MessageBoxA(dialog, text, title, MB_OK | MB_ICONEXCLAMATION);
}

static INT_PTR Command(HWND dialog, WORD id) {
    switch (id) {
    case IDOK:
        saverSettings.Active = SendMessageA(quietBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (!SaveSettings()) {
            ReportSaveFailure(dialog);
            return 1;
        }
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, 1);
        return 1;
    default:
        return 0;
    }
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog);
        return 0; // no initial focus
    case WM_VSCROLL:
        StepHours((HWND)lParam, LOWORD(wParam));
        return 0;
    case WM_COMMAND:
        return Command(dialog, LOWORD(wParam));
    default:
        return 0;
    }
}
