#include "fake_log.h"

#include <stdlib.h>
#include <string.h>

static char logPath[MAX_PATH];

void ReadSetting(const char *name, char *value, DWORD size) {
    DWORD length = GetEnvironmentVariableA(name, value, size);
    if (length == 0 || length >= size)
        value[0] = '\0';
}

long ReadNumber(const char *name, long fallback) {
    char value[32];
    ReadSetting(name, value, sizeof(value));
    return value[0] != '\0' ? strtol(value, NULL, 10) : fallback;
}

void PlaceLog(HINSTANCE module, const char *name) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, path, sizeof(path));
    char *file = path + (length < sizeof(path) ? length : 0);
    while (file > path && file[-1] != '\\' && file[-1] != '/')
        file--;
    lstrcpynA(file, name, (int)(sizeof(path) - (file - path)));
    if (GetFullPathNameA(path, sizeof(logPath), logPath, NULL) == 0)
        lstrcpynA(logPath, name, sizeof(logPath));
}

void WriteLogLine(const char *line) {
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

void LogModuleLife(HINSTANCE module, DWORD reason, void *reserved, const char *logName) {
    if (reason == DLL_PROCESS_ATTACH) {
        PlaceLog(module, logName);
        WriteLogLine("load");
    } else if (reason == DLL_PROCESS_DETACH) {
        WriteLogLine(reserved == NULL ? "unload" : "exit");
    }
}
