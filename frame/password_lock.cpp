// The Windows 95 screen-saver password. On that family the saver itself enforces the desktop
// password before it closes; the NT family locks the desktop on its own, so nothing here runs.
#include "frame/saver_state.h"
#include "frame/frame_rules.h"

typedef DWORD(WINAPI *ChangePasswordProc)(LPCSTR provider, HWND owner, DWORD reserved1,
                                          void *reserved2);

static bool PasswordInForce() {
    HKEY desktop;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS)
        return false;
    // A value longer than four bytes does not fit and so counts as no password.
    DWORD value = 0;
    DWORD size = sizeof(value);
    bool inForce = RegQueryValueExA(desktop, "ScreenSaveUsePassword", NULL, NULL, (BYTE *)&value,
                                    &size) == ERROR_SUCCESS &&
                   value != 0;
    RegCloseKey(desktop);
    return inForce;
}

void LoadPasswordVerifier() {
    if (!saverState.onWin95)
        return;
    if (saverState.passwordModule != NULL)
        UnloadPasswordVerifier();
    if (!PasswordInForce())
        return;
    saverState.passwordModule = LoadLibraryA("PASSWORD.CPL");
    if (saverState.passwordModule == NULL)
        return;
    saverState.verifier =
        FindExport<PasswordVerifierProc>(saverState.passwordModule, "VerifyScreenSavePwd");
    if (saverState.verifier != NULL)
        SetSaverRunning(true);
    else
        UnloadPasswordVerifier();
}

void UnloadPasswordVerifier() {
    if (!saverState.onWin95 || saverState.passwordModule == NULL)
        return;
    FreeLibrary(saverState.passwordModule);
    saverState.passwordModule = NULL;
    if (saverState.verifier != NULL) {
        saverState.verifier = NULL;
        SetSaverRunning(false);
    }
}

// Tells the system a saver runs, which on Windows 95 keeps Ctrl+Alt+Del and the task switch
// keys away from the user until the password is given.
void SetSaverRunning(bool running) {
    if (!saverState.onWin95)
        return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &previous, 0);
}

bool VerifyBeforeClose(HWND window) {
    if (saverState.verifying || saverState.closing)
        return false;
    if (saverState.verifier == NULL) {
        saverState.closing = true;
        return true;
    }
    if (PasswordCheckDue(saverState.lastVerifyTick, GetTickCount())) {
        saverState.verifying = true;
        // Ticks queued before the prompt would only redraw behind it. Two removals: our timer's
        // one pending tick and one posted tick at most, and no loop chasing a firing timer.
        MSG tick;
        PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
        PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
        saverState.closing = SendMessageA(window, WM_QUERY_PASSWORD, 0, 0) != 0;
        saverState.verifying = false;
        if (!saverState.closing)
            SetCursor(NULL);
        saverState.lastVerifyTick = GetTickCount();
    }
    return saverState.closing;
}

LRESULT AnswerPasswordQuery(HWND window) {
    if (saverState.verifier == NULL)
        return 1;
    return saverState.verifier(window);
}

int RunChangePassword(const char *text) {
    HWND owner = (HWND)(ULONG_PTR)ParseWindowHandle(text);
    if (owner == NULL || !IsWindow(owner))
        owner = GetForegroundWindow();
    HMODULE provider = LoadLibraryA("MPR.DLL");
    if (provider == NULL)
        return 0;
    ChangePasswordProc changePassword =
        FindExport<ChangePasswordProc>(provider, "PwdChangePasswordA");
    if (changePassword != NULL)
        changePassword("SCRSAVE", owner, 0, NULL);
    FreeLibrary(provider);
    return 0;
}
