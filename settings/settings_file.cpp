// The quiet hours live in a private profile file in the Windows folder; its name and section
// come from the string resources.
#include "settings/settings.h"
#include "frame/saver_state.h"
#include "resources/resource_ids.h"

SaverSettings saverSettings;

static char settingsFile[13];
static char settingsSection[40] = "Generic";

static const char *const KEYS[] = {"TimeFrom", "TimeTo", "Active"};

static LONG *SettingFor(int key) {
    LONG *values[] = {&saverSettings.TimeFrom, &saverSettings.TimeTo, &saverSettings.Active};
    return values[key];
}

// Reading never fails: what is missing reads as 0.
void LoadSettings() {
    LoadStringA(saverState.instance, IDS_SETTINGS_SECTION, settingsSection,
                sizeof(settingsSection));
    LoadStringA(saverState.instance, IDS_SETTINGS_FILE, settingsFile, sizeof(settingsFile));
    for (int key = 0; key < 3; key++)
        *SettingFor(key) = (LONG)GetPrivateProfileIntA(settingsSection, KEYS[key], 0, settingsFile);
}

bool SaveSettings() {
    // Without the names of an earlier load the values would land in the system's own file.
    if (settingsFile[0] == '\0')
        return false;
    // The Windows folder may be closed to an account without administrator rights, and any
    // disk can be full: each write says whether it reached the file.
    bool saved = true;
    for (int key = 0; key < 3; key++) {
        char text[16];
        wsprintfA(text, "%ld", *SettingFor(key));
        saved &= WritePrivateProfileStringA(settingsSection, KEYS[key], text, settingsFile) != 0;
    }
    return saved;
}

void SettingsLocation(char *path, UINT size) {
    // The profile functions put a name without a folder into the Windows folder; it ends in a
    // backslash only when it is a drive's root.
    UINT length = GetWindowsDirectoryA(path, size);
    if (length == 0 || length + 1 + sizeof(settingsFile) > size) {
        lstrcpyA(path, settingsFile);
        return;
    }
    if (path[length - 1] != '\\')
        path[length++] = '\\';
    lstrcpyA(path + length, settingsFile);
}
