#include "frame/saver_state.h"
#include "frame/frame_rules.h"
#include "settings/settings.h"
#include "resources/resource_ids.h"

SaverState saverState;

static LPTOP_LEVEL_EXCEPTION_FILTER previousFaultFilter;

// The fault guard. UnhandledExceptionFilter decides, as it would for an unguarded program,
// whether a debugger takes the fault; it calls the top-level filter itself, so ours must be
// out of the way first or the two would recurse until the stack runs out.
static LONG WINAPI SaverFaultFilter(EXCEPTION_POINTERS *exception) {
    SetUnhandledExceptionFilter(previousFaultFilter);
    LONG verdict = UnhandledExceptionFilter(exception);
    if (verdict != EXCEPTION_EXECUTE_HANDLER)
        return verdict;
    SetSaverRunning(false);
    ExitProcess(SAVER_FAULT_EXIT);
}

static int RunSettingsDialog(HINSTANCE instance, HWND owner) {
    if (!ConfigDialogHook(instance))
        return 0;
    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIGURE), owner, ConfigDialogProc,
                                0);
}

static int DispatchMode(HINSTANCE instance, const char *arguments) {
    const char *modeArgument;
    switch (SelectSaverMode(arguments, &modeArgument)) {
    case MODE_SETTINGS:
        return RunSettingsDialog(instance, NULL);
    case MODE_SETTINGS_OWNED:
        return RunSettingsDialog(instance, GetForegroundWindow());
    case MODE_FULL_SCREEN:
        return RunSaverWindow(NULL);
    case MODE_PREVIEW: {
        HWND host = (HWND)(ULONG_PTR)ParseWindowHandle(modeArgument);
        if (host == NULL || !IsWindow(host))
            return -1;
        return RunSaverWindow(host);
    }
    case MODE_CHANGE_PASSWORD:
        if (!saverState.onWin95)
            return -1;
        return RunChangePassword(modeArgument);
    default:
        return -1;
    }
}

int SaverMain(HINSTANCE instance, const char *arguments) {
    saverState.instance = instance;

    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    saverState.onWin95 =
        GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

    previousFaultFilter = SetUnhandledExceptionFilter(SaverFaultFilter);
    int result = DispatchMode(instance, arguments);
    SetUnhandledExceptionFilter(previousFaultFilter);
    return result;
}
