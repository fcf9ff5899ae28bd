#include "e2e/password_doubles.h"

#include <stdlib.h>

#include "harness/saver_run.h"
#include "pinned.h"

static const char USE_PASSWORD[] = "ScreenSaveUsePassword";

std::string Asked(HWND window, int answer) {
    return "VerifyScreenSavePwd window=" + Hex(window) + " -> " + std::to_string(answer);
}

bool SaverRunningFlag() {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER,
                    "Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop",
                    &key) != ERROR_SUCCESS)
        return false;
    char value[16] = "";
    DWORD size = sizeof(value) - 1;
    RegQueryValueExA(key, "WINE_ScreenSaverRunning", NULL, NULL, (BYTE *)value, &size);
    RegCloseKey(key);
    return atoi(value) != 0;
}

void ClearSaverRunningFlag() {
    UINT previous;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
}

HCURSOR ForegroundCursor() {
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetCursorInfo(&info))
        return (HCURSOR)INVALID_HANDLE_VALUE;
    return info.hCursor;
}

PasswordValue Dword(DWORD value) {
    return {true, REG_DWORD, std::string((const char *)&value, sizeof(value))};
}

PasswordValue Binary(const std::string &bytes) {
    return {true, REG_BINARY, bytes};
}

PasswordValue ReadPasswordValue() {
    PasswordValue value = NO_VALUE;
    HKEY desktop;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS)
        return value;
    char data[256];
    DWORD size = sizeof(data);
    if (RegQueryValueExA(desktop, USE_PASSWORD, NULL, &value.type, (BYTE *)data, &size) ==
        ERROR_SUCCESS) {
        value.present = true;
        value.bytes.assign(data, size);
    }
    RegCloseKey(desktop);
    return value;
}

void WritePasswordValue(const PasswordValue &value) {
    HKEY desktop;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS)
        return;
    if (value.present)
        RegSetValueExA(desktop, USE_PASSWORD, 0, value.type, (const BYTE *)value.bytes.data(),
                       (DWORD)value.bytes.size());
    else
        RegDeleteValueA(desktop, USE_PASSWORD);
    RegCloseKey(desktop);
}

void UseWindows95Password(SaverRun *run) {
    PasswordValue saved = ReadPasswordValue();
    run->AtEnd([saved] {
        WritePasswordValue(saved);
        ClearSaverRunningFlag();
    });
    ClearSaverRunningFlag();
    ReportWindowsVersion("win95");
}

size_t MostChecks(DWORD spanMs) {
    return spanMs / pinned::PASSWORD_RECHECK_MS + 2;
}
